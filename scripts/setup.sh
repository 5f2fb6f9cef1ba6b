#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and packaging need; does
# nothing when they are all there. Run as root (or with sudo available).
set -euo pipefail

packages=(
    # build and tests
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-translations-l10n
    libgtest-dev libgmock-dev libbenchmark-dev
    # fuzzing
    clang libclang-rt-14-dev
    # the window's font and a display for its tests and screenshot
    fonts-noto-cjk
    xvfb xauth
    # the page's tests and screenshot, in real browsers
    chromium firefox-esr
    # the Debian package and its checks
    dpkg-dev file help2man lintian desktop-file-utils appstream
    # the Windows build, its tests under Wine and the check of its version record
    g++-mingw-w64-x86-64-posix wine64 python3-pefile
    # the WebAssembly module: clang's wasm32 target with its linker, C and C++ libraries
    lld-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32
)
# The npm package's tools; a newer Node already on the machine does as well.
command -v node >/dev/null || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "setup: installing ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
    "${missing[@]}" >/dev/null
