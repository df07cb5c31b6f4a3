#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine if needed, builds Veilpane and starts the desktop program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export BUILD_DIR=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
exec "$BUILD_DIR/bin/veilpane" "$@"
