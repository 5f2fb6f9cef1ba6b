#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

echo "== release: build and test"
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
