#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those that are missing),
# then configures and builds the project into build/. Safe to run again.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libqt6svg6 zlib1g-dev liblzma-dev
          lzma-alone libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth
          fonts-dejavu-core dpkg-dev file dtv-scan-tables)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$root" -B "$root/build" -G Ninja -DTORVANE_WERROR=$werror
cmake --build "$root/build" -j "$(nproc)"
