#!/usr/bin/env bash
# Long fuzz runs: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
# TARGET is convert, read, number, calc or scan (all five by default); 600 seconds each by
# default.
# The corpus grows in build/fuzz/longrun/TARGET across runs; a failing input is written to
# build/fuzz/artifacts/ and the script exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(convert read number calc scan)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/fuzz/artifacts
status=0
for t in "${targets[@]}"; do
    corpus=build/fuzz/longrun/$t
    mkdir -p "$corpus"
    echo "== fuzz_$t for ${seconds}s"
    if ! build/fuzz/bin/fuzz_"$t" -max_total_time="$seconds" -max_len=256 -timeout=10 \
        -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/fuzz_"$t"- \
        "$corpus" fuzz/corpus/"$t" 2>build/fuzz/artifacts/fuzz_"$t".log; then
        status=1
        grep -A3 -E 'property failed|ERROR:|SUMMARY' build/fuzz/artifacts/fuzz_"$t".log || true
    fi
    grep -E '^stat::number_of_executed_units|^Done' build/fuzz/artifacts/fuzz_"$t".log || true
done
exit $status
