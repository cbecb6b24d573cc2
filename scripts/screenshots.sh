#!/bin/sh
# Writes the documentation's screenshots into docs/screenshots/: the GUI test programs that take
# pictures do so in their "screenshots" test when TORVANE_SCREENSHOT_DIR is set. Build first
# (scripts/setup.sh); BUILD_DIR names another build folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export TORVANE_SCREENSHOT_DIR="$root/docs/screenshots"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
mkdir -p "$TORVANE_SCREENSHOT_DIR"
for program in transfer_dialogs_test configuration_dialog_test; do
    "$build/tests/$program" screenshots
done
ls -l "$TORVANE_SCREENSHOT_DIR"
