#!/usr/bin/env bash
# Configures and builds Veilpane into BUILD_DIR (default: build). Extra arguments go to CMake's configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
# Paths relative to the checkout in compiler caches, so that a fresh clone reuses earlier compilations.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=true
generator=()
if command -v ninja >/dev/null 2>&1 && [[ ! -f "$build_dir/CMakeCache.txt" ]]; then
  generator=(-G Ninja)
fi
cmake -S "$root" -B "$build_dir" "${generator[@]}" "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
