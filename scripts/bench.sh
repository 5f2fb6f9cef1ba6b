#!/usr/bin/env bash
# Builds the release preset and runs every benchmark, reporting medians of repeated runs.
# Extra arguments go to each benchmark (e.g. --benchmark_filter=Convert).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release

bin=build/release/bin
run() {
    "$@" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
        --benchmark_display_aggregates_only=true "${extra[@]}"
}
extra=("$@")
echo "== conversion, format, calculator operation (targets: conversion < 150 ns median)"
run $bin/tessaly_bench_core
if [ -x $bin/tessaly_bench_window ]; then
    echo "== keystroke in the window (target: < 50 us per key)"
    QT_QPA_PLATFORM=offscreen run $bin/tessaly_bench_window
fi
echo "== whole programs (targets: tessaly-convert >= 2M lines/s, junk read within 2x of sed;"
echo "   window shown < 150 ms, < 40 MB)"
run $bin/tessaly_bench_process
