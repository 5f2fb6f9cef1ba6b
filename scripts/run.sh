#!/usr/bin/env bash
# Installs what building and running the window needs, builds the two programs (preset
# "programs": no tests) and starts the window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh run
cmake --preset programs >/dev/null
cmake --build --preset programs
exec build/programs/bin/tessaly "$@"
