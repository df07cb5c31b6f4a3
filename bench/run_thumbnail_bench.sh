#!/bin/sh
# Thumbnails of a mixed folder against vipsthumbnail over the same files.
# Usage: bench/run_thumbnail_bench.sh BUILD_DIR [FOLDER] [PNG_COUNT JPEG_COUNT]
# The image set is generated into FOLDER (default: a folder under /tmp, kept for later runs, never in the
# repository) unless it is there already. On a machine shared with other work, RUN_WITH="chrt -r 10"
# (as root) gives both programs the cores alike; whatever RUN_WITH is, both run under it.
set -eu
build=${1:-build}
folder=${2:-/tmp/veilpane-thumbnail-set}
pngs=${3:-300}
jpegs=${4:-300}
bench="$build/bin/veilpane_thumbnail_bench"
run=${RUN_WITH:-}
[ -x "$bench" ] || { echo "$bench not found: build first (./scripts/test.sh)" >&2; exit 1; }

"$bench" --generate --png "$pngs" --jpeg "$jpegs" "$folder" > /dev/null
# The first run warms the page cache for both programs alike.
$run "$bench" "$folder" > /dev/null
result=$($run "$bench" "$folder")
echo "$result"
ours=$(echo "$result" | sed -n 's/^whole folder: \([0-9]*\) ms.*/\1/p')

if command -v vipsthumbnail >/dev/null 2>&1; then
    out=$(mktemp -d)
    trap 'rm -rf "$out"' EXIT
    start=$(date +%s%N)
    $run vipsthumbnail --size 150x135 -o "$out/%s.png" "$folder"/*
    end=$(date +%s%N)
    vips=$(( (end - start) / 1000000 ))
    echo "vipsthumbnail --size 150x135: $vips ms"
    python3 -c "print(f'ratio (ours / vipsthumbnail): {$ours / $vips:.2f}')"
else
    echo "vipsthumbnail is not installed (./scripts/setup.sh libvips-tools): no comparison"
fi
