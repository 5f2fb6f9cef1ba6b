#!/usr/bin/env bash
# A long soak of the real window: scripts/soak.sh [EVENTS] [SEED]; 1,000,000 events and a
# seed from the clock by default. The suite's own run is short; this one is the long one.
set -euo pipefail
cd "$(dirname "$0")/.."
events=${1:-1000000}
seed=${2:-$(date +%s)}
cmake --preset release >/dev/null
cmake --build --preset release --target tessaly_window_test
echo "== soak: $events events, seed $seed (TESSALY_SOAK_SEED=$seed reproduces it)"
# Qt Test stops a test function after five minutes unless told otherwise; a long soak runs longer.
QT_QPA_PLATFORM=offscreen QTEST_FUNCTION_TIMEOUT=86400000 TESSALY_SOAK_EVENTS=$events \
    TESSALY_SOAK_SEED=$seed build/release/bin/tessaly_window_test soak
