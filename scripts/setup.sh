#!/usr/bin/env bash
# Installs everything Veilpane needs to build, test and run on Debian 12, and the packages named as
# arguments (tools only some scripts need). Idempotent: when every package is already present it returns
# at once.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins libqt6svg6
  libcrypto++-dev libgif-dev libtiff-dev libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  openssl libssl-dev imagemagick poppler-utils xvfb xauth ccache dpkg-dev
  clang libclang-rt-14-dev clang-format
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
