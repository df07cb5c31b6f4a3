#!/bin/sh
# Peak memory and time of every terminal command, and of a folder's thumbnails as the desktop program
# loads them, over crafted image files that declare far more pixels than they hold, beside real camera
# photos of 36 and 100 megapixels. A hide that succeeds is followed by the extraction of what it hid, and
# the desktop program itself opens the folder (offscreen, for DESKTOP_SECONDS, default 8: its CPU time
# and peak memory show what the folder cost it).
# Usage: bench/run_bomb_bench.sh BUILD_DIR [FOLDER]
# CLI=/path/to/veilpane-cli measures another build's terminal program (e.g. main's, for a comparison)
# over the same files. A command refused or failed shows its exit status; the files are generated into
# FOLDER (default: a folder under /tmp, never in the repository). Each run is capped at 60 s, and at
# CAP_MB megabytes of address space when set (an old build can ask for gigabytes: on a shared machine,
# cap it; a capped run then shows the cap's failure, not the peak it would have reached).
set -eu
build=${1:-build}
folder=${2:-/tmp/veilpane-bomb-set}
cli=${CLI:-$build/bin/veilpane-cli}
make="$build/bin/veilpane_hostile_images"
thumbs="$build/bin/veilpane_thumbnail_bench"
[ -x "$make" ] || { echo "$make not found: build first (ninja -C $build veilpane_hostile_images)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed" >&2; exit 1; }

rm -rf "$folder"
"$make" "$folder" --camera
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

measure() { # label, command...
    label=$1
    shift
    rm -f "$out/time"
    set +e
    (
        if [ -n "${CAP_MB:-}" ]; then ulimit -v $((CAP_MB * 1024)); fi
        exec /usr/bin/time -f '%M %e' -o "$out/time" timeout 60 "$@" > /dev/null 2> "$out/err"
    )
    status=$?
    set -e
    rm -f "$out/out.png" "$out"/*.txt
    # time's last line; a failed command adds one before it.
    line=$(tail -n 1 "$out/time" 2> /dev/null || true)
    kb=${line%% *}
    seconds=${line##* }
    [ -n "$line" ] || { kb=0; seconds=0; }
    printf '%-24s %-8s %8d MB %7.2f s  exit %d\n' "$label" "$command" $((kb / 1024)) "$seconds" "$status"
}

printf '%-24s %-8s %11s %9s\n' file command peak time
for file in "$folder"/*; do
    name=$(basename "$file")
    for command in detect info extract hide edit; do
        case $command in
        detect) measure "$name" "$cli" detect "$file" -p corvide2741 ;;
        info) measure "$name" "$cli" info "$file" -p corvide2741 ;;
        extract) measure "$name" "$cli" extract "$file" -d "$out" -p corvide2741 ;;
        hide)
            printf 'hidden' > "$out/payload.bin"
            rm -f "$out/steg.png"
            measure "$name" "$cli" hide "$file" --file "$out/payload.bin" -o "$out/steg.png" -p corvide2741
            if [ -f "$out/steg.png" ]; then
                mkdir -p "$out/x"
                command=extract
                measure "  its hide" "$cli" extract "$out/steg.png" -d "$out/x" -p corvide2741
                cmp -s "$out/x/payload.bin" "$out/payload.bin" || echo "  its hide: the extracted file differs" >&2
                rm -rf "$out/x" "$out/steg.png"
            fi
            ;;
        edit) measure "$name" "$cli" edit "$file" "$out/out.png" mirror ;;
        esac
    done
done
if [ -x "$thumbs" ]; then
    command=folder
    measure "thumbnails, whole set" "$thumbs" "$folder"
fi
desktop="$build/bin/veilpane"
if [ -x "$desktop" ]; then
    # A settings file of a later start: no first-run disclaimer, the folder selected, the factory password.
    mkdir -p "$out/config/Veilpane"
    printf '[DataApp]\nVeilpaneData=0\nFolderSelected=%s\nPasswordCry01=corvide2741\n' "$folder" \
        > "$out/config/Veilpane/Veilpane.conf"
    rm -f "$out/time"
    set +e
    XDG_CONFIG_HOME="$out/config" XDG_CACHE_HOME="$out/cache" QT_QPA_PLATFORM=offscreen \
        /usr/bin/time -f '%M %U %S' -o "$out/time" timeout "${DESKTOP_SECONDS:-8}" "$desktop" > /dev/null 2>&1
    set -e
    line=$(tail -n 1 "$out/time" 2> /dev/null || echo '0 0 0')
    set -- $line
    printf '%-24s %-8s %8d MB %7.2f s CPU in %s s\n' "desktop program" folder $(($1 / 1024)) \
        "$(awk "BEGIN { print $2 + $3 }")" "${DESKTOP_SECONDS:-8}"
fi
