#!/usr/bin/env bash
# Sets everything up, builds (which also makes the demo flash images from samples/template.h) and
# opens the editor on the ZUV_DVBS_V4 demo image, its template and project type preset. Without a
# display it says so, draws the window with the demo image into build/torvane-window.png (Qt's
# offscreen platform) and shows the same data with torvane-cli: the layouts of the sample
# template, the image's chunks, its tree and one service list.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
samples="$root/build/samples"
image="$samples/demo_v4.bin"
editor=("$root/build/src/torvane" --config-dir "$samples/v4" --project-type ZUV_DVBS_V4 --chunk user)

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "== torvane $image"
    exec "${editor[@]}" "$image"
fi

screenshot="$root/build/torvane-window.png"
echo "== No display (neither DISPLAY nor WAYLAND_DISPLAY is set): the window is drawn offscreen instead."
QT_QPA_PLATFORM=offscreen "${editor[@]}" --screenshot "$screenshot" "$image"
echo "   The editor's window with $image: $screenshot"
echo
cli=("$root/build/src/torvane-cli" --config-dir "$samples/v4" --project-type ZUV_DVBS_V4)
echo "== torvane-cli template show (the layouts learnt from samples/template.h)"
"${cli[@]}" template show
echo
echo "== torvane-cli info $image"
"${cli[@]}" info "$image"
echo
echo "== torvane-cli tree $image"
"${cli[@]}" tree "$image"
echo
echo "== torvane-cli list $image --item 'Astra 19.2E/1'"
"${cli[@]}" list "$image" --item "Astra 19.2E/1"
echo
echo "(torvane-cli open $image shows every item's list; man/torvane-cli.1 describes every command)"
