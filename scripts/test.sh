#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite. The output ends with CTest's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cd "$root/build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j "$(nproc)" --timeout 600
