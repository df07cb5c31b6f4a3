#!/usr/bin/env bash
# Builds the Debian package and checks it as a fresh Debian 12 machine would get it: unpacked into an empty
# root, its files are in place, its programs find their libraries, its veilpane-cli prints the version of
# the package and finds what every installed sample hides, and its control data declares what the programs
# need. Uses the build in BUILD_DIR (default: build), building it first when there is none.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}
[[ -f "$BUILD_DIR/CMakeCache.txt" ]] || "$root/scripts/build.sh"

status=0
fail() {
  echo "check-package: $*" >&2
  status=1
}

rm -f "$BUILD_DIR"/veilpane_*.deb
if ! (cd "$BUILD_DIR" && cpack -G DEB >"$BUILD_DIR/cpack.log" 2>&1); then
  cat "$BUILD_DIR/cpack.log" >&2
  exit 1
fi
debs=("$BUILD_DIR"/veilpane_*.deb)
deb=${debs[0]}
[[ -f "$deb" ]] || { echo "check-package: cpack made no package" >&2; exit 1; }
echo "Package: $deb"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dpkg -x "$deb" "$stage"
# The installed programs must not read or write the settings of whoever runs this.
export HOME="$stage/home" XDG_CONFIG_HOME="$stage/home/.config"
mkdir -p "$HOME"

for file in usr/bin/veilpane usr/bin/veilpane-cli usr/share/applications/veilpane.desktop \
    usr/share/man/man1/veilpane-cli.1 usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/veilpane.png; do
  [[ -f "$stage/$file" ]] || fail "missing /$file"
done
# Where the desktop program looks for its Samples when it is installed: bin/../share/veilpane/Samples.
[[ -d "$stage/usr/bin/../share/veilpane/Samples" ]] || fail "no Samples folder beside bin/ under share/"
grep -qx 'Exec=veilpane' "$stage/usr/share/applications/veilpane.desktop" || fail "the desktop file does not start veilpane"
grep -qx 'Icon=veilpane' "$stage/usr/share/applications/veilpane.desktop" || fail "the desktop file names another icon"

for program in veilpane veilpane-cli; do
  if ldd "$stage/usr/bin/$program" | grep -q 'not found'; then
    fail "$program misses libraries: $(ldd "$stage/usr/bin/$program" | grep 'not found' | tr -s ' \t' ' ')"
  fi
done

cli="$stage/usr/bin/veilpane-cli"
version=$(dpkg-deb -f "$deb" Version)
[[ "$("$cli" --version)" == "Veilpane v$version" ]] || fail "veilpane-cli --version: '$("$cli" --version)', package $version"

# Every sample, with what the factory password finds in it; reef.png opens only with the second password.
samples="$stage/usr/share/veilpane/Samples"
expected_factory=$'harbour-night.tif\tfile\tharbour-ledger.csv
lighthouse.png\tmessage\tlighthouse.txt
mandelbrot.png\tnone\t
mosaic.gif\tnone\t
orchard.png\tfile\tapple-pie.pdf
reef.png\tnone\t
spiral.bmp\tnone\t
sunset-dunes.jpg\tnone\t
tulip-field.bmp\timage\tmoonrise.png'
expected_both=${expected_factory/$'reef.png\tnone\t'/$'reef.png\tmessage\treef.txt'}
detect() {
  "$cli" detect "$samples" "$@" | sed "s|^$samples/||" | LC_ALL=C sort
}
[[ "$(detect -p corvide2741)" == "$expected_factory" ]] ||
  fail "detect with the factory password:"$'\n'"$(detect -p corvide2741)"
[[ "$(detect -p corvide2741 -p seahorse1906)" == "$expected_both" ]] ||
  fail "detect with both passwords:"$'\n'"$(detect -p corvide2741 -p seahorse1906)"

# The hidden content itself.
out="$stage/extracted"
mkdir -p "$out"
"$cli" extract "$samples/lighthouse.png" --print -p corvide2741 | grep -q 'factory password, corvide2741' ||
  fail "lighthouse.png does not hide the welcome message"
"$cli" extract "$samples/reef.png" --print -p corvide2741 -p seahorse1906 | grep -q 'second password, seahorse1906' ||
  fail "reef.png does not hide the second password's message"
for sample in tulip-field.bmp harbour-night.tif orchard.png; do
  "$cli" extract "$samples/$sample" -d "$out" -p corvide2741 >/dev/null || fail "nothing extracted from $sample"
done
[[ "$(head -c 8 "$out/moonrise.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" == 89504e470d0a1a0a ]] ||
  fail "moonrise.png from tulip-field.bmp is not a PNG image"
[[ "$(head -n 1 "$out/harbour-ledger.csv" 2>/dev/null)" == $'date,vessel,berth,cargo,tonnes\r' ]] ||
  fail "harbour-ledger.csv from harbour-night.tif is not the ledger"
[[ "$(head -c 5 "$out/apple-pie.pdf" 2>/dev/null)" == "%PDF-" ]] || fail "apple-pie.pdf from orchard.png is not a PDF"

# What the package declares: the libraries dpkg-shlibdeps found and the image plugins Qt loads at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 'libcrypto\+\+8' libgif7 libtiff6 \
    libpng16-16 qt6-image-formats-plugins; do
  [[ "$depends" =~ (^|, )$package( |,|$) ]] || fail "Depends lacks $package: $depends"
done

if [[ $status -eq 0 ]]; then
  echo "Package checks passed"
fi
exit $status
