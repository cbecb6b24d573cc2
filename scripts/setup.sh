#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those that are missing),
# then configures and builds the project into build/. Safe to run again.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libqt6svg6 zlib1g-dev liblzma-dev
          lzma-alone libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth
          fonts-dejavu-core dpkg-dev file dtv-scan-tables)

bash "$root/scripts/install-packages.sh" "${packages[@]}"

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$root" -B "$root/build" -G Ninja -DTORVANE_WERROR=$werror
cmake --build "$root/build" -j "$(nproc)"
