#!/usr/bin/env bash
# Prints the path of a Node.js that is Debian 12's own (18), so that the npm package is tested
# with the oldest Node it declares as well as with a newer one on the machine. When the
# machine's node is 18 already, that is the one; otherwise Debian's nodejs and the libraries it
# needs are unpacked (not installed) under build/debian-node. Its JavaScript dependencies
# (undici, cjs-module-lexer, acorn) are Debian packages that scripts/setup.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ "$(node --version)" == v18.* ]]; then
    command -v node
    exit 0
fi
dir=$PWD/build/debian-node
if [ ! -x "$dir/node" ]; then
    rm -rf "$dir"
    mkdir -p "$dir/debs"
    # Debian's own version, not one from another repository the machine may have.
    version=$(apt-cache madison nodejs | awk -F' *[|] *' '$2 ~ /deb12/ { print $2; exit }')
    [ -n "$version" ] || { echo "debian-node: Debian 12's nodejs is not in the package lists" >&2; exit 1; }
    packages=("nodejs=$version" libnode108)
    for lib in libuv1 libc-ares2 libnghttp2-14 libbrotli1 libicu72; do
        dpkg-query -W -f='${Status}' "$lib" 2>/dev/null | grep -q 'install ok installed' || packages+=("$lib")
    done
    (cd "$dir/debs" && apt-get download -qq "${packages[@]}" 2>/dev/null)
    for deb in "$dir"/debs/*.deb; do dpkg-deb -x "$deb" "$dir/root"; done
    libs=$dir/root/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
    cat >"$dir/node" <<WRAPPER
#!/bin/sh
LD_LIBRARY_PATH="$libs\${LD_LIBRARY_PATH:+:\$LD_LIBRARY_PATH}" exec "$dir/root/usr/bin/node" "\$@"
WRAPPER
    chmod +x "$dir/node"
fi
echo "$dir/node"
