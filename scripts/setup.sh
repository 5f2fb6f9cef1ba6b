#!/usr/bin/env bash
# setup.sh [run|test|icons]: installs the Debian packages that one task needs; does nothing
# when they are all there. Run as root (or with sudo available).
#   run    building and running the programs (scripts/run.sh)
#   test   that, and the tests, benchmarks and fuzzers, the Debian packages and their checks,
#          and the Windows build under Wine (the default)
#   icons  re-rendering the desktop icons from their SVG (scripts/icons.sh)
set -euo pipefail

run=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-translations-l10n
    # the window's font
    fonts-noto-cjk
)
test=(
    libgtest-dev libgmock-dev libbenchmark-dev
    # fuzzing
    clang libclang-rt-14-dev
    # a display for the window's start-up test and screenshot
    xvfb xauth
    # the page's tests and screenshot, in a real browser
    chromium
    # tessaly-convert --scan on a PDF: LibreOffice makes one, pdftotext reads it back; the
    # page's tests check a workbook LibreOffice saves
    libreoffice-writer-nogui libreoffice-calc-nogui poppler-utils
    # the Debian packages and their checks
    dpkg-dev file help2man lintian desktop-file-utils appstream
    # the Windows build, its tests under Wine and the check of its version record
    g++-mingw-w64-x86-64-posix wine64 python3-pefile
    # the WebAssembly module: clang's wasm32 target with its linker, C and C++ libraries
    lld-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32
)
icons=(
    librsvg2-bin
)

case "${1:-test}" in
    run) packages=("${run[@]}") ;;
    test) packages=("${run[@]}" "${test[@]}") ;;
    icons) packages=("${icons[@]}") ;;
    *) echo "usage: setup.sh [run|test|icons]" >&2; exit 2 ;;
esac
# The npm package's tools, for the tests; a newer Node already on the machine does as well,
# and then the package is tested with Debian's Node 18 too (scripts/debian-node.sh unpacks it),
# which loads these JavaScript parts of itself from Debian's own packages.
if [ "${1:-test}" = test ]; then
    if ! command -v node >/dev/null; then
        packages+=(nodejs npm)
    elif [[ "$(node --version)" != v18.* ]]; then
        packages+=(node-undici node-cjs-module-lexer node-acorn)
    fi
fi

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
