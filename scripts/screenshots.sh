#!/usr/bin/env bash
# Takes the README's pictures of the main and results windows and of the chart under a virtual
# X display.
# Usage: scripts/screenshots.sh [build folder]   (pictures go to docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
./scripts/install-deps.sh --with-display
make build BUILD="$build" >/dev/null
# The program as installed (its samples in share/lexitally/Samples, not in the build folder), in a
# folder of a fixed name so that the paths in the pictures stay the same from one run to the next.
scratch="${TMPDIR:-/tmp}/lexitally-screenshots"
rm -rf "$scratch"
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/usr" >/dev/null
# A private environment, so that the pictures show a first start and no user's settings change.
TEMP="$scratch/temp" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
    XDG_CACHE_HOME="$scratch/cache" LEXITALLY_SCREENSHOTS="$PWD/docs" \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$scratch/usr/bin/lexitally"
echo "Pictures written to docs/main-window.png, docs/results-window.png, docs/results-chart.png," \
    "docs/results-concordance.png, docs/results-statistics.png, docs/results-collocates.png," \
    "docs/results-plot.png and docs/results-fileview.png"
