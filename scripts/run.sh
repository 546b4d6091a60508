#!/usr/bin/env bash
# Starts the built program. Without a display the command-line front end shows the
# main job on the bundled sample files instead.
set -euo pipefail
build="${1:-build}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): running lexitally-cli on the sample files instead."
    exec "$build/lexitally-cli" "$build/Samples"
fi
exec "$build/lexitally"
