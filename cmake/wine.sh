#!/bin/sh
# wine.sh WINE PREFIX PROGRAM [ARG...]: runs a Windows program under Wine without Wine's own
# chatter, in a prefix of the build's own that is made once (and only once when CTest runs
# programs side by side).
set -e
wine=$1
export WINEPREFIX=$2 WINEDEBUG=-all
shift 2
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    flock "$WINEPREFIX/.lock" sh -c \
        '[ -f "$WINEPREFIX/system.reg" ] || "$1" wineboot --init >/dev/null 2>&1' sh "$wine"
fi
exec "$wine" "$@"
