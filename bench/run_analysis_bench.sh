#!/bin/sh
# Steganalysis speed: the analysis of a 12 MP PNG as a share of decoding it in full (the bar is 2x), and
# veilpane-cli suggest-cover over 200 photo-like PNGs of 1 MP (the bar is 10 s on two cores).
# Usage: bench/run_analysis_bench.sh BUILD_DIR
set -eu
build=${1:-build}
bench="$build/bin/veilpane_analysis_bench"
cli="$build/bin/veilpane-cli"
for program in "$bench" "$cli"; do
    [ -x "$program" ] || { echo "$program not found: build first" >&2; exit 1; }
done
json=$(mktemp)
work=$(mktemp -d)
trap 'rm -rf "$json" "$work"' EXIT

"$bench" --benchmark_format=console --benchmark_out="$json" --benchmark_out_format=json
python3 - "$json" <<'PY'
import json, sys
runs = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
for kind in ("real_time", "cpu_time"):
    ms = lambda name: runs[name][kind]
    decode, analyse, pair = ms("BM_DecodePng12MP"), ms("BM_Analyse12MP"), ms("BM_AnalyseCarrierAndResult12MP")
    print(f"12 MP, {kind}: decode {decode:.0f} ms, analysis {analyse:.0f} ms = {analyse / decode:.2f}x the "
          f"decode; carrier and result of a hide {pair:.0f} ms")
PY

# 200 distinct 1 MP PNGs: one photo-like picture, shifted so that no two files are the same.
python3 - "$work" <<'PY'
import sys, zlib, struct, random
out = sys.argv[1]
w, h = 1000, 1000
def png(path, rows):
    raw = b"".join(b"\0" + r for r in rows)
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
rng = random.Random(7)
base = [bytes(((x * 200 // w + rng.randrange(8)) & 255, (y * 220 // h + rng.randrange(8)) & 255,
               ((x + y) * 150 // (w + h) + rng.randrange(4)) & 255)[c] for x in range(w) for c in range(3))
        for y in range(h)]
for i in range(200):
    png(f"{out}/photo{i:03d}.png", base[i:] + base[:i])
PY
# Wall-clock time, and processor time over both cores (what an otherwise idle two-core machine would take
# is about half of it).
/usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$cli" suggest-cover "$work" --size 2000 > "$work/ranking.txt"
read -r wall user system < "$work/time.txt"
echo "suggest-cover over $(wc -l < "$work/ranking.txt") images of 1 MP: $wall s wall-clock, $user s user + $system s system processor time on $(nproc) cores"
