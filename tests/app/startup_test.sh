#!/usr/bin/env bash
# The tessaly program before and without its window: options, and a machine with no display.
# usage: startup_test.sh PATH-TO-TESSALY
set -uo pipefail
tessaly=$1
failures=0

check() {  # name, expected status, expected stdout, expected stderr, command...
    local name=$1 status=$2 out=$3 err=$4
    shift 4
    local got_out got_err got_status
    got_out=$("$@" 2>/tmp/tessaly-startup-err.$$)
    got_status=$?
    got_err=$(cat /tmp/tessaly-startup-err.$$)
    if [[ $got_status != "$status" || $got_out != $out || $got_err != $err ]]; then
        echo "FAIL $name: status $got_status, stdout [$got_out], stderr [$got_err]"
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

headless=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
no_display="tessaly: needs a graphical session (no display found); for scripts, use tessaly-convert"

check "--version without a display" 0 "Tessaly 1.00" "" "${headless[@]}" "$tessaly" --version
check "--help without a display" 0 "usage: tessaly*--quit-when-shown*tessaly-convert*" "" \
    "${headless[@]}" "$tessaly" --help
check "no display" 2 "" "$no_display" "${headless[@]}" "$tessaly"
check "display that cannot be reached" 2 "" "$no_display" \
    "${headless[@]}" DISPLAY=:9876 "$tessaly"
check "unknown argument" 2 "" "tessaly: unknown argument '--frobnicate'*usage: tessaly*" \
    "${headless[@]}" "$tessaly" --frobnicate
check "--quit-when-shown" 0 "" "*" \
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$tessaly" --quit-when-shown

rm -f /tmp/tessaly-startup-err.$$
exit $((failures > 0))
