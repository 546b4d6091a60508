#!/usr/bin/env bash
# Renders the application icon's PNG sizes from the SVG into icons/hicolor/<N>x<N>/apps/.
# Needs rsvg-convert (Debian package librsvg2-bin); optipng, when present, shrinks the results.
# Run it after changing example.quorvant.Lexitally.svg and commit the PNGs it writes.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
name=example.quorvant.Lexitally
svg="$here/$name.svg"
sizes=(16 22 24 32 48 64 128 256)

command -v rsvg-convert >/dev/null || { echo "rsvg-convert not found (apt-get install librsvg2-bin)" >&2; exit 1; }

for n in "${sizes[@]}"; do
    out="$here/icons/hicolor/${n}x${n}/apps/$name.png"
    mkdir -p "$(dirname "$out")"
    rsvg-convert --width "$n" --height "$n" --format png "$svg" --output "$out"
    if command -v optipng >/dev/null; then
        optipng -quiet -o7 -strip all "$out"
    fi
    echo "$out ($(stat -c %s "$out") bytes)"
done
