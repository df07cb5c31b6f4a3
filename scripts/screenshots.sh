#!/usr/bin/env bash
# Takes the README's screenshots (docs/*.png): installs the build into a throw-away home, starts the desktop
# program there for the first time on a virtual screen (Xvfb), and drives it with key presses and clicks
# (xdotool) as a new user would: the disclaimer, the Samples folder, a hidden message in the Image Preview,
# a hide with its report, the passwords dialog. Not part of the tests; run it after changing what the
# pictures show. Uses the build in BUILD_DIR (default: build), building it first when there is none.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" xdotool
[[ -f "$BUILD_DIR/CMakeCache.txt" ]] || "$root/scripts/build.sh"
cmake --build "$BUILD_DIR" --target veilpane samples icons >/dev/null

work=$(mktemp -d /tmp/veilpane-tour.XXXXXX)
xvfb_pid=""
program_pid=""
cleanup() {
  [[ -n "$program_pid" ]] && kill "$program_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A first start: a home of its own, with the program installed in it (outside hidden folders, so that the
# Folders window can show the way to the Samples).
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cmake --install "$BUILD_DIR" --prefix "$HOME/Veilpane" >/dev/null

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do
  xdotool getmouselocation >/dev/null 2>&1 && break
  sleep 0.1
done

"$HOME/Veilpane/bin/veilpane" >"$work/veilpane.log" 2>&1 &
program_pid=$!

# Waits for a shown window whose title matches a pattern and prints its id.
window() {
  xdotool search --sync --onlyvisible --name "$1" | head -n 1
}
# Without a window manager, keys go where the pointer is: point at the window, then give it the focus.
focus() {
  xdotool mousemove --window "$1" 20 40 windowfocus --sync "$1"
  sleep 0.3
}
# Geometry of a window as X Y W H.
geometry() {
  xdotool getwindowgeometry --shell "$1" | awk -F= '{v[$1]=$2} END {print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]}'
}
# Saves the part of the screen the given windows cover, with a margin, as docs/NAME.png.
shot() {
  local name=$1
  shift
  local x0=100000 y0=100000 x1=0 y1=0 x y w h
  for id in "$@"; do
    read -r x y w h < <(geometry "$id")
    ((x < x0)) && x0=$x
    ((y < y0)) && y0=$y
    ((x + w > x1)) && x1=$((x + w))
    ((y + h > y1)) && y1=$((y + h))
  done
  x0=$((x0 > 6 ? x0 - 6 : 0))
  y0=$((y0 > 6 ? y0 - 6 : 0))
  sleep 0.5
  import -window root -crop "$((x1 + 6 - x0))x$((y1 + 6 - y0))+$x0+$y0" +repage "$root/docs/$name.png"
  echo "docs/$name.png"
}

# The first start asks to read the disclaimer before any window of the program shows.
disclaimer=$(window '^Veilpane$')
focus "$disclaimer"
xdotool key Return

# One window: the Folders and Image Preview docks beside the thumbnails, in the layout of a first start.
# The title names the folder shown.
sleep 1
main=$(xdotool search --sync --onlyvisible --name ' - Veilpane$' | head -n 1)
sleep 3 # the thumbnails load
shot main-window "$main"

# A hidden message: selecting lighthouse.png shows it in the Image Preview.
focus "$main"
read -r x y w h < <(geometry "$main")
xdotool mousemove $((x + w / 2)) $((y + h - 40)) click 1 # the list, below the last row
xdotool type --delay 60 lighthouse
sleep 2
shot preview-message "$main"

# Hiding a message in another picture, then the report.
xdotool type --delay 60 sunset
sleep 1
focus "$main"
xdotool key alt+h e
dialog=$(window 'Secret message to hide$')
focus "$dialog"
xdotool type --delay 20 "Meet me at the lighthouse at nine."
xdotool key Tab Tab Return
sleep 0.5
focus "$main"
xdotool key alt+h m
sleep 2
report=""
for _ in $(seq 100); do
  report=$(xdotool search --onlyvisible --name '^Veilpane$' | grep -vx "$main" | head -n 1 || true)
  [[ -n "$report" ]] && break
  sleep 0.1
done
shot hide-report "$main" "$report"
focus "$report"
xdotool key Return
sleep 0.5

# The passwords: the factory password of the first start in password 1, the second one of the Samples in 2.
focus "$main"
xdotool key alt+s p
passwords=$(window 'Encryption / Decryption passwords$')
focus "$passwords"
xdotool mousemove --window "$passwords" 140 76 click 1 # password 2
xdotool type --delay 40 seahorse1906
shot passwords "$passwords"
xdotool key Escape
sleep 0.3

focus "$main"
xdotool key alt+f x
# The tour's hide was never saved, so the program asks before it closes; nothing of the tour is kept.
for _ in $(seq 25); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.2
done
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""
