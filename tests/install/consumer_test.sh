#!/usr/bin/env bash
# consumer_test.sh install|subproject TREE WORK GENERATOR CXX CXXFLAGS LDFLAGS
# install: installs the build TREE into a prefix of its own, then builds and runs the consumer
# against it through find_package and through pkg-config. subproject: builds a parent project
# that adds the source TREE with add_subdirectory, runs its program, and checks that nothing but
# the engine's two libraries and the parent's program was built.
set -euo pipefail
mode=$1 tree=$2 work=$3 generator=$4 cxx=$5 cxxflags=$6 ldflags=$7 here=$(dirname "$0")
rm -rf "$work"
if [ "$mode" = install ]; then
    cmake --install "$tree" --prefix "$work/prefix" --component development >/dev/null
    project=(-S "$here/consumer" -DCMAKE_PREFIX_PATH="$work/prefix")
else
    project=(-S "$here/parent" -DTESSALY_SOURCE_DIR="$tree")
fi
cmake "${project[@]}" -B "$work/cmake" -G "$generator" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/consumer"

if [ "$mode" = install ]; then
    export PKG_CONFIG_PATH=$(dirname "$(find "$work/prefix" -name tessaly.pc)")
    # shellcheck disable=SC2046,SC2086
    "$cxx" -std=c++17 $cxxflags "$here/consumer/consumer.cpp" -o "$work/consumer-pc" \
        $(pkg-config --cflags --libs tessaly) $ldflags
    "$work/consumer-pc"
else
    built=$(cd "$work/cmake" && find . -path '*/CMakeFiles' -prune -o -type f \
        \( -name '*.a' -o -name '*.so' -o -perm -u+x \) -print | sort | tr '\n' ' ')
    expected="./consumer ./tessaly/convert/libtessaly.a ./tessaly/runtime/libtessaly-runtime.a "
    [ "$built" = "$expected" ] || { echo "built: $built"; echo "expected: $expected"; exit 1; }
fi
