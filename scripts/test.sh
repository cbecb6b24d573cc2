#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite. The output ends with CTest's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
# The Qt-free part built for Windows and tested under Wine; the output still ends with the summary
# of the whole suite below.
bash "$root/scripts/windows-check.sh" "$root/build-windows"
cd "$root/build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j "$(nproc)" --timeout 600
