#!/usr/bin/env bash
# Writes a screenshot of every dialog of the editor into docs/screenshots/: the GUI tests drive the
# dialogs on the demo image and, with TORVANE_SCREENSHOT_DIR set, save what each one shows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD_DIR:-$root/build}
cmake --build "$build" --target edit_dialogs_test prompt_dialogs_test organise_list_test list_dialogs_test \
    backups_dialogs_test
export QT_QPA_PLATFORM=offscreen TORVANE_SCREENSHOT_DIR="$root/docs/screenshots"
"$build/tests/edit_dialogs_test" > /dev/null
"$build/tests/prompt_dialogs_test" > /dev/null
"$build/tests/organise_list_test" > /dev/null
"$build/tests/list_dialogs_test" > /dev/null
"$build/tests/backups_dialogs_test" > /dev/null
ls "$TORVANE_SCREENSHOT_DIR"
