#!/usr/bin/env bash
# subproject_test.sh SOURCE WORK PARENT GENERATOR CXX CXXFLAGS LDFLAGS
# Builds a parent project that adds Tessaly with add_subdirectory, runs its program, and checks
# that nothing but the engine's two libraries and the parent's program was built.
set -euo pipefail
source=$1 work=$2 parent=$3 generator=$4 cxx=$5 cxxflags=$6 ldflags=$7
rm -rf "$work"
cmake -S "$parent" -B "$work" -G "$generator" -DTESSALY_SOURCE_DIR="$source" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$work" >/dev/null
"$work/consumer"

built=$(cd "$work" && find . -path '*/CMakeFiles' -prune -o -type f \
    \( -name '*.a' -o -name '*.so' -o -perm -u+x \) -print | sort | tr '\n' ' ')
expected="./consumer ./tessaly/convert/libtessaly.a ./tessaly/runtime/libtessaly-runtime.a "
[ "$built" = "$expected" ] || { echo "built: $built"; echo "expected: $expected"; exit 1; }
