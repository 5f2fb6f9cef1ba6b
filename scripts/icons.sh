#!/usr/bin/env bash
# Renders the desktop icons data/icons/tessaly-<size>.png from data/icons/tessaly.svg. Run it
# after editing the SVG and commit the PNGs: the build itself then needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh icons
for size in 16 24 32 48 64 128 256; do
    rsvg-convert --width=$size --height=$size data/icons/tessaly.svg \
        --output=data/icons/tessaly-$size.png
done
