#!/usr/bin/env bash
# tessaly before its window: --version, and the one line naming the reason, with exit status 2,
# when the window cannot open. usage: startup_test.sh PATH-TO-TESSALY
tessaly=$1 failed=0
expect() {  # exit status, pattern of standard error, then the command with its environment
    err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "${@:3}" 2>&1 >/dev/null)
    [[ $? == "$1" && $err == $2 && $err != *$'\n'* ]] || { echo "FAIL ${*:3}: [$err]"; failed=1; }
}
expect 0 "" "$tessaly" --version
expect 2 "tessaly: cannot open the window (no display found)*" "$tessaly"
expect 2 "tessaly: cannot open * (could not connect to display :9876)*" DISPLAY=:9876 "$tessaly"
expect 2 "tessaly: cannot open * (Could not find * plugin \"nowhere\"*" QT_QPA_PLATFORM=nowhere "$tessaly"
exit $failed
