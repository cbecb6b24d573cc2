#!/usr/bin/env bash
# Writes docs/screenshots/main_window.png: the editor drawn on Qt's offscreen platform with the
# ZUV_DVBS_V4 demo image open, as the run command opens it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD_DIR:-$root/build}
cmake --build "$build" --target torvane demo_images
QT_QPA_PLATFORM=offscreen "$build/src/torvane" --config-dir "$build/samples/v4" --project-type ZUV_DVBS_V4 \
    --chunk user --screenshot "$root/docs/screenshots/main_window.png" "$build/samples/demo_v4.bin"
echo "$root/docs/screenshots/main_window.png"
