#!/usr/bin/env bash
# Builds everything web: the engine as WebAssembly (preset "wasm"), the npm package staged in
# build/web/package and packed as build/web/tessaly-<version>.tgz, and the page when its build
# script is there. npm's tools, the package's and the page's, come from the web workspace's one
# committed lock file, installed here and nowhere else.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset wasm >/dev/null
cmake --build --preset wasm
# The module in a small memory, with which the tests make the engine trap.
cmake --build build/wasm --target tessaly-wasm-tight
version=$(cat build/wasm/npm-version)

(cd web && npm ci --no-audit --no-fund --loglevel=error)

rm -rf build/web/package
mkdir -p build/web
node web/npm/stage.mjs build/wasm/bin/tessaly.wasm "$version" build/web/package
rm -f build/web/tessaly-*.tgz
(cd build/web && npm pack ./package --loglevel=error >/dev/null)
ls -l build/wasm/bin/tessaly.wasm "build/web/tessaly-$version.tgz"

if [ -f web/page/build.mjs ]; then
    node web/page/build.mjs
fi
