#!/usr/bin/env bash
# Sets everything up, builds, and shows the bundled sample data with torvane-cli.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
cli="$root/build/src/torvane-cli"
"$cli" --config-dir "$config" --project-type ZUV_DVBS_V4 template compile "$root/samples/template.h"
"$cli" --config-dir "$config" --project-type ZUV_DVBS_V4 template show
