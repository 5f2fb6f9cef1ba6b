#!/usr/bin/env bash
# Builds the Debian packages build/packages/tessaly_<version>_amd64.deb (the programs) and
# tessaly-dev_<version>_amd64.deb (the library) from the release build and prints their paths.
# Install them with: apt install ./build/packages/tessaly_*_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
rm -f build/packages/tessaly*.deb
cpack --preset release >/dev/null
ls build/packages/tessaly_*_amd64.deb build/packages/tessaly-dev_*_amd64.deb
