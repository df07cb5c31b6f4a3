#!/bin/sh
# Files per second of veilpane-cli encrypt-folder / decrypt-folder against ccrypt -e -r / -d -r on the same
# folder of small files (2000 x 4 KiB by default). ccrypt overwrites in place and never syncs; we write
# each output under a temporary name, flush it (batched) and rename it before the replaced file goes.
#   bench/compare_ccrypt.sh [BUILD_DIR] [files] [bytes per file]
set -eu
CLI=${1:-build}/bin/veilpane-cli
COUNT=${2:-2000}
SIZE=${3:-4096}
PW=bench-password
[ -x "$CLI" ] || { echo "$CLI not found: build first (./scripts/test.sh)" >&2; exit 1; }
if ! command -v ccrypt > /dev/null; then
    echo "ccrypt is not installed (./scripts/setup.sh ccrypt): only veilpane is measured"
fi
WORK=$(mktemp -d "${TMPDIR:-/tmp}/veilpane-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
# The file system decides most of the result: every safe output is a new file, and ext4 without a journal
# searches past each recently deleted inode to make one, while ccrypt rewrites in place. Point TMPDIR at
# the kind of disk to measure.
echo "file system: $(stat -f -c %T "$WORK") ($(df --output=source "$WORK" | tail -1))"

fill() {
    rm -rf "$1"; mkdir -p "$1"
    i=0
    while [ $i -lt "$COUNT" ]; do head -c "$SIZE" /dev/urandom > "$1/file$i.dat"; i=$((i + 1)); done
    sync
}
now() { date +%s.%N; }
rate() { echo "$COUNT $1 $2" | awk '{ printf "%.0f", $1 / ($3 - $2) }'; }
timed() { t0=$(now); "$@" > /dev/null; t1=$(now); rate "$t0" "$t1"; }

fill "$WORK/ours"
VE=$(timed "$CLI" encrypt-folder "$WORK/ours" --yes -p $PW)
VD=$(timed "$CLI" decrypt-folder "$WORK/ours" -p $PW)
echo "veilpane: encrypt $VE files/s, decrypt $VD files/s ($COUNT files of $SIZE bytes)"
if command -v ccrypt > /dev/null; then
    fill "$WORK/theirs"
    CE=$(timed ccrypt -e -r -K $PW "$WORK/theirs")
    CD=$(timed ccrypt -d -r -K $PW "$WORK/theirs")
    echo "ccrypt:   encrypt $CE files/s, decrypt $CD files/s"
    echo "ratio:    encrypt $(echo "$VE $CE" | awk '{ printf "%.2f", $1 / $2 }'), decrypt $(echo "$VD $CD" | awk '{ printf "%.2f", $1 / $2 }')"
fi
