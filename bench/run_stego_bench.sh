#!/bin/sh
# Runs the steganography benchmarks and prints the side-by-side ratios:
#   detection images per second, and how much faster detection is than decoding the same PNGs in full;
#   the 1 MiB hide as a share of saving the 4000 x 3000 image as PNG;
#   with steghide installed, veilpane-cli hide against steghide embed of 32 KiB into the same cover as BMP.
# Usage: bench/run_stego_bench.sh BUILD_DIR
set -eu
build=${1:-build}
bench="$build/bin/veilpane_stego_bench"
cli="$build/bin/veilpane-cli"
for program in "$bench" "$cli"; do
    [ -x "$program" ] || { echo "$program not found: build first (./scripts/test.sh)" >&2; exit 1; }
done
json=$(mktemp)
work=$(mktemp -d)
trap 'rm -rf "$json" "$work"' EXIT

"$bench" --benchmark_format=console --benchmark_out="$json" --benchmark_out_format=json
python3 - "$json" <<'PY'
import json, sys
runs = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
ms = lambda name: runs[name]["real_time"]
detect, decode = ms("BM_DetectFolder"), ms("BM_FullDecodeFolder")
print(f"detect: {100 / detect * 1000:.0f} images/s over 100 PNGs (five passwords, keys derived each run)")
print(f"full Qt decode of the same PNGs: {100 / decode * 1000:.0f} images/s; detection is {decode / detect:.1f}x faster")
hide, save = ms("BM_Hide1MiBInto4000x3000"), ms("BM_SavePng4000x3000")
print(f"hide 1 MiB into 4000x3000: {hide:.1f} ms; PNG save: {save:.1f} ms; hide adds {hide / save * 100:.1f}% of the save")
PY

if ! command -v steghide >/dev/null 2>&1; then
    echo "steghide is not installed (./scripts/setup.sh steghide): no steghide ratio"
elif ! command -v convert >/dev/null 2>&1; then
    echo "ImageMagick is not installed (./scripts/setup.sh): no steghide ratio"
else
    convert -size 4000x3000 plasma:fractal -depth 8 "BMP3:$work/cover.bmp"
    head -c 32768 /dev/urandom > "$work/payload.bin"
    start=$(date +%s.%N)
    steghide embed -q -f -cf "$work/cover.bmp" -ef "$work/payload.bin" -sf "$work/steghide.bmp" -p corvide2741
    mid=$(date +%s.%N)
    "$cli" hide "$work/cover.bmp" --file "$work/payload.bin" -o "$work/veilpane.bmp" -p corvide2741 >/dev/null
    end=$(date +%s.%N)
    python3 -c "s=$mid-$start; v=$end-$mid; print(f'32 KiB into 4000x3000 BMP: steghide embed {s:.2f} s, veilpane-cli hide {v:.2f} s (load, hide, save): {s / v:.0f}x faster')"
fi
