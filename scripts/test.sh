#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the release build, the whole suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer, short fuzz runs, the Debian
# package and its checks, the Windows build under Wine, and the npm package with its page.
# Prints how long each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test
export QT_QPA_PLATFORM=offscreen

release() {
    cmake --preset release >/dev/null
    cmake --build --preset release
    ctest --preset release
}

asan() {
    cmake --preset asan >/dev/null
    cmake --build --preset asan
    ctest --preset asan
}

fuzz() {
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
    ctest --test-dir build/fuzz/fuzz --output-on-failure
}

# The packages as a user gets them: lintian has no error to report on either, the desktop entry
# and the AppStream metainfo the program's package installs are valid, its tessaly-convert runs
# from the unpacked tree, and a program builds against the unpacked -dev package.
package() {
    local debs root=build/packages/root
    mapfile -t debs < <(bash scripts/package.sh | tail -n2)
    printf '%s\n' "${debs[@]}"
    lintian --allow-root --fail-on error --display-info "${debs[@]}"
    rm -rf "$root"
    for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done
    desktop-file-validate "$root"/usr/share/applications/*.desktop
    appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
    local out
    out=$(echo 41823.51 | "$root"/usr/bin/tessaly-convert)
    [ "$out" = "肆万壹仟捌佰贰拾叁圆伍角壹分" ] || { echo "packaged tessaly-convert: $out"; return 1; }
    "$root"/usr/bin/tessaly-convert --version
    # shellcheck disable=SC2046
    g++ -std=c++17 tests/install/consumer/consumer.cpp -o "$root/consumer" \
        $(PKG_CONFIG_PATH=$(echo "$root"/usr/lib/*/pkgconfig) pkg-config --cflags --libs tessaly)
    "$root/consumer"
}

# The npm package (and the page, when there): built from a clean install of the locked tools,
# then tested with Node's test runner, against the native tessaly-convert among others; the
# package's own tests once more with Debian 12's Node 18 when the machine's node is newer.
web() {
    bash scripts/web.sh
    cmake --preset release >/dev/null
    cmake --build --preset release --target tessaly-convert
    node --test tests/web/
    local node18
    node18=$(bash scripts/debian-node.sh)
    if [ "$node18" != "$(command -v node)" ]; then
        echo "== the npm package with $("$node18" --version)"
        "$node18" --test tests/web/api.test.mjs tests/web/faithful.test.mjs tests/web/consumer.test.mjs
    fi
}

windows() {
    cmake --preset windows-cli >/dev/null
    cmake --build --preset windows-cli
    ctest --preset windows-cli
}

# Each stage runs to its end even when an earlier one failed, so one run shows every failure.
timings=()
failed=()
stage() {
    local name=$1 start=$SECONDS status mark=""
    echo "== $name: $2"
    set +e
    (set -e; "$name")
    status=$?
    set -e
    [ $status -eq 0 ] || { failed+=("$name"); mark="  FAILED"; }
    timings+=("$(printf '%-8s %4d s%s' "$name" $((SECONDS - start)) "$mark")")
}

stage release "build and test"
stage asan "build and test under ASan + UBSan"
if command -v clang++ >/dev/null; then
    stage fuzz "short runs"
else
    echo "== fuzz: skipped, clang++ not found"
fi
stage package "the Debian package, lintian, desktop-file-validate, appstreamcli"
stage windows "MinGW-w64 cross build, tests under Wine"
stage web "WebAssembly, the npm package and the page, tested in Node and the browsers"

echo "== time per stage"
printf '%s\n' "${timings[@]}"
echo "total    $SECONDS s"
[ ${#failed[@]} -eq 0 ] || { echo "failed: ${failed[*]}"; exit 1; }
