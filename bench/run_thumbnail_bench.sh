#!/bin/sh
# Thumbnails of a folder against vipsthumbnail over the same files: cold (empty cache), a second visit in a
# new process (from the cache), and the visits within a process (a password change, a folder change).
# Usage: bench/run_thumbnail_bench.sh BUILD_DIR [FOLDER] [PNG_COUNT JPEG_COUNT [PNG_SIZE JPEG_SIZE]]
#        bench/run_thumbnail_bench.sh BUILD_DIR --many [FOLDER]
# The first form uses the mixed set (300 PNGs of 1920x1080 and 300 JPEGs of 4000x3000 by default); --many a
# folder of 10 000 images (500 PNGs and 9 500 JPEGs of 400x300), scrolled to its end during the first visit.
# The image set is generated into FOLDER (default: a folder under /tmp, kept for later runs, never in the
# repository) unless it is there already. The cache goes to a folder of its own under /tmp, never the
# user's. On a machine shared with other work, RUN_WITH="chrt -r 10" (as root) gives both programs the
# cores alike; whatever RUN_WITH is, both run under it. Without --many, a third run measures the cold folder
# with View / Frame by analysis verdict on (the analysis of every PNG after the thumbnails).
set -eu
build=${1:-build}
shift || true
scroll=
if [ "${1:-}" = "--many" ]; then
    shift
    folder=${1:-/tmp/veilpane-thumbnail-many}
    pngs=500 jpegs=9500 png_size=400x300 jpeg_size=400x300 scroll=--scroll
else
    folder=${1:-/tmp/veilpane-thumbnail-set}
    pngs=${2:-300}
    jpegs=${3:-300}
    png_size=${4:-1920x1080}
    jpeg_size=${5:-4000x3000}
fi
bench="$build/bin/veilpane_thumbnail_bench"
run=${RUN_WITH:-}
[ -x "$bench" ] || { echo "$bench not found: build first (./scripts/test.sh)" >&2; exit 1; }

"$bench" --generate --png "$pngs" --jpeg "$jpegs" --png-size "$png_size" --jpeg-size "$jpeg_size" "$folder"
cache=$(mktemp -d /tmp/veilpane-bench-cache.XXXXXX)
out=$(mktemp -d)
trap 'rm -rf "$cache" "$out"' EXIT
# Both programs read the files from the page cache alike.
cat "$folder"/* > /dev/null
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"

cold=$($run "$bench" --cache "$cache/c" $scroll "$folder")
echo "--- cold (empty cache)"
echo "$cold"
again=$($run "$bench" --cache "$cache/c" "$folder")
echo "--- second visit (new process, from the cache)"
echo "$again"
whole() { echo "$1" | sed -n 's/^first visit: .*whole folder \([0-9]*\) ms.*/\1/p'; }
analysed=
if [ -z "$scroll" ]; then
    # View / Frame by analysis verdict on, cold: the thumbnails first, then every PNG analysed in full.
    analysed=$($run "$bench" --cache "$cache/a" --analysis "$folder")
    echo "--- cold with View / Frame by analysis verdict on"
    echo "$analysed"
    verdict_ms=$(echo "$analysed" | sed -n 's/^first visit: every verdict in \([0-9]*\) ms.*/\1/p')
    pngs_analysed=$(echo "$analysed" | sed -n 's/^first visit: every verdict in .*(\([0-9]*\) PNGs.*/\1/p')
    python3 -c "print(f'analysis beyond the cold whole folder: {($verdict_ms - $(whole "$cold")) / max(1, $pngs_analysed):.1f} ms per PNG (wall-clock, every thread)')"
fi

if command -v vipsthumbnail >/dev/null 2>&1; then
    start=$(date +%s%N)
    # One process over every file, as the list draws them: vipsthumbnail's fastest way through a folder.
    $run vipsthumbnail --size 150x135 -o "$out/%s.png" "$folder"/*
    end=$(date +%s%N)
    vips=$(( (end - start) / 1000000 ))
    echo "--- vipsthumbnail --size 150x135: $vips ms"
    python3 -c "print(f'whole folder, cold / vipsthumbnail: {$(whole "$cold") / $vips:.3f} (goal 0.35)')"
    python3 -c "print(f'whole folder, second visit / vipsthumbnail: {$(whole "$again") / $vips:.3f} (goal 0.05)')"
    if [ -n "$analysed" ]; then
        python3 -c "print(f'every verdict in, cold / vipsthumbnail: {$verdict_ms / $vips:.3f}')"
    fi
else
    echo "vipsthumbnail is not installed (./scripts/setup.sh libvips-tools): no comparison"
fi
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
