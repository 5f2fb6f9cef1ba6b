#!/bin/sh
# wine.sh WINE PREFIX PROGRAM [ARG...]: runs a Windows program under Wine without Wine's own
# chatter, in a prefix of the build's own. The first run makes the prefix (only one does when
# CTest runs programs side by side) and waits until that session's server has gone, so that no
# program connects to a server on its way out. Mono and Gecko are not wanted (nor offered).
set -e
wine=$1
export WINEPREFIX=$2 WINEDEBUG=-all
shift 2
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    flock "$WINEPREFIX/.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] ||
        { WINEDLLOVERRIDES="mscoree,mshtml=" "$1" wineboot --init &&
          "${1%/*}/wineserver" -w; } >/dev/null 2>&1' sh "$wine"
fi
exec "$wine" "$@"
