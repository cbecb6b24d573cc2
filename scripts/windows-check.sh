#!/usr/bin/env bash
# Builds the Qt-free part of Torvane (torvane_core, torvane_editing, torvane-cli with its file
# commands, their tests) for 64-bit Windows with MinGW-w64 into BUILD_DIR (default build-windows)
# and runs the unit tests and torvane-cli's integration tests as .exe under Wine, without a display.
# Installs the Debian packages that are missing. The output ends with CTest's summary.
#   bash scripts/windows-check.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-windows}")
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine64)

bash "$root/scripts/install-packages.sh" "${packages[@]}"

# Debian keeps wine64 outside the search path.
wine=$(dpkg -L wine64 | grep -m1 '/wine64$')
# Every run gets a fresh Wine prefix in the build folder; Wine's .NET and HTML engines are not
# needed (and would ask to be downloaded), nor a display.
prefix="$build/wineprefix"
emulator=(env -u DISPLAY -u WAYLAND_DISPLAY "WINEPREFIX=$prefix" WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" "$wine")
rm -rf "$prefix"
mkdir -p "$build"
"${emulator[@]}" wineboot --init

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$(IFS=';'; echo "${emulator[*]}")" \
    -DTORVANE_WITH_QT=OFF -DTORVANE_BUILD_BENCH=OFF -DTORVANE_WERROR=$werror
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 900
