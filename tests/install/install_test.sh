#!/usr/bin/env bash
# install_test.sh BUILD WORK CONSUMER GENERATOR CXX CXXFLAGS LDFLAGS
set -euo pipefail
build=$1 work=$2 consumer=$3 generator=$4 cxx=$5 cxxflags=$6 ldflags=$7
rm -rf "$work"
cmake --install "$build" --prefix "$work/prefix" --component development >/dev/null

echo "== find_package(Tessaly)"
cmake -S "$consumer" -B "$work/cmake" -G "$generator" -DCMAKE_PREFIX_PATH="$work/prefix" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/consumer"

echo "== pkg-config tessaly"
export PKG_CONFIG_PATH=$(dirname "$(find "$work/prefix" -name tessaly.pc)")
# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++17 $cxxflags "$consumer/consumer.cpp" -o "$work/consumer-pc" \
    $(pkg-config --cflags --libs tessaly) $ldflags
"$work/consumer-pc"
