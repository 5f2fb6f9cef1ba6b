#!/usr/bin/env bash
# Builds the Debian package build/packages/tessaly_<version>_amd64.deb from the release build
# and prints its path. Install it with: apt install ./build/packages/tessaly_*_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
rm -f build/packages/tessaly_*.deb
cpack --preset release >/dev/null
ls build/packages/tessaly_*_amd64.deb
