#!/bin/sh
# The Edit menu's operations against ImageMagick's equivalents on the same 4000 x 3000 opaque image, side by
# side, file input and output excluded on both sides:
#   ours: veilpane_imageops_bench (Google Benchmark, one operation per iteration, image in memory);
#   ImageMagick: convert reading a memory-mapped .mpc cache, the operation applied REPEAT times, written to
#   null:, minus the same run without the operation, divided by REPEAT; best of three.
# Ratio = ours / ImageMagick's: below 1 means faster.
# Usage: bench/compare_imagemagick.sh [BUILD_DIR]
set -eu
build=${1:-build}
bench="$build/bin/veilpane_imageops_bench"
[ -x "$bench" ] || { echo "$bench not found: build first (./scripts/test.sh)" >&2; exit 1; }
# The real program, not a wrapper in front of it that would add its own start-up to every run.
convert=$(command -v convert || true)
[ -x /usr/bin/convert ] && convert=/usr/bin/convert
if [ -z "$convert" ]; then
    echo "ImageMagick is not installed (./scripts/setup.sh): only veilpane is measured, on a noise image"
    exec "$bench" --benchmark_format=console
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/veilpane-imageops.XXXXXX")
trap 'rm -rf "$work"' EXIT
REPEAT=4

"$convert" -size 4000x3000 xc: +noise Random -depth 8 -alpha off "PNG24:$work/image.png"
"$convert" "$work/image.png" "$work/image.mpc"

"$bench" --image "$work/image.png" --benchmark_format=console --benchmark_out="$work/ours.json" \
    --benchmark_out_format=json >&2

now() { date +%s%N; }
# Best of three of: convert image.mpc ARGS... null:, in milliseconds.
best_ms() {
    b=""
    for _ in 1 2 3; do
        t0=$(now); "$convert" "$work/image.mpc" "$@" null:; t1=$(now)
        ms=$(( (t1 - t0) / 1000000 ))
        if [ -z "$b" ] || [ "$ms" -lt "$b" ]; then b=$ms; fi
    done
    echo "$b"
}
# The operation's arguments REPEAT times over.
repeated() {
    i=0; out=""
    while [ $i -lt $REPEAT ]; do out="$out $*"; i=$((i + 1)); done
    echo "$out"
}

base=$(best_ms)
magick() { # name, then the operation's arguments (word-split on purpose)
    name=$1; shift
    # shellcheck disable=SC2046
    total=$(best_ms $(repeated "$@"))
    echo "$name $(( (total - base) ))"
}
{
    magick Mirror -flop
    magick Flip -flip
    magick RotateRight -rotate 90
    magick RotateLeft -rotate -90
    magick Negative -negate
    magick Grayscale -color-matrix "0.299,0.587,0.114,0.299,0.587,0.114,0.299,0.587,0.114"
    magick Lighten -evaluate add 20%
    magick Darken -evaluate subtract 20%
    magick Contrast -function polynomial 1.6,-0.3
    magick Sharpen -function polynomial 1.2,-0.1
    magick Gamma -gamma 2.2
    magick Threshold -channel RGB -threshold 50% +channel
} > "$work/magick.txt"

python3 - "$work/ours.json" "$work/magick.txt" "$REPEAT" "$base" <<'PY'
import json, sys
ours = {b["name"].split("/")[0][3:]: b["real_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]}
repeat, base = int(sys.argv[3]), int(sys.argv[4])
print(f"4000 x 3000, opaque; ImageMagick: {repeat} applications per run minus a bare read of {base} ms")
print(f"{'operation':<12}{'veilpane ms':>12}{'ImageMagick ms':>16}{'ratio':>8}")
for line in open(sys.argv[2]):
    name, total = line.split()
    theirs = max(int(total), 1) / repeat
    print(f"{name:<12}{ours[name]:>12.1f}{theirs:>16.1f}{ours[name] / theirs:>8.2f}")
print(f"(one 32-bit copy of the image, the undo step's cost: {ours['Copy']:.1f} ms)")
PY
