#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the release build, the whole suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer, and short fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

echo "== release: build and test"
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release

echo "== asan: build and test under ASan + UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

if command -v clang++ >/dev/null; then
    echo "== fuzz: short runs"
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
    ctest --test-dir build/fuzz/fuzz --output-on-failure
else
    echo "== fuzz: skipped, clang++ not found"
fi
