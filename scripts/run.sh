#!/usr/bin/env bash
# Sets everything up, builds (which also makes the demo flash images from samples/template.h) and
# shows with torvane-cli the layouts of the sample template, then the ZUV_DVBS_V4 demo image: its
# chunks, its tree and one service list.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
samples="$root/build/samples"
cli=("$root/build/src/torvane-cli" --config-dir "$samples/v4" --project-type ZUV_DVBS_V4)
image="$samples/demo_v4.bin"
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
echo "(torvane-cli open $image shows every item's list; see README.md for all commands)"
