#!/usr/bin/env bash
# Takes the README's pictures of the main and results windows and of the chart under a virtual
# X display.
# Usage: scripts/screenshots.sh [build folder]   (pictures go to docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
./scripts/install-deps.sh --with-display
make build BUILD="$build" >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A private environment, so that the pictures show a first start and no user's settings change.
TEMP="$scratch/temp" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
    LEXITALLY_SCREENSHOTS="$PWD/docs" xvfb-run -a -s "-screen 0 1280x1024x24" "$build/lexitally"
echo "Pictures written to docs/main-window.png, docs/results-window.png and docs/results-chart.png"
