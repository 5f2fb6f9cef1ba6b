#!/usr/bin/env bash
# Re-creates docs/screenshot.png: the window, calculator shown and an amount converted, drawn
# by a virtual X server (Xvfb) at 96 dpi.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target tessaly_screenshot
mkdir -p docs
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY \
    xvfb-run -a -s "-screen 0 640x480x24 -dpi 96" \
    build/release/bin/tessaly_screenshot docs/screenshot.png
echo "wrote docs/screenshot.png"
