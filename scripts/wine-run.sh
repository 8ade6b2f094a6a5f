#!/bin/bash
# Runs a Windows program under Wine in the test prefix; ctest's emulator.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
shift
# A suite run against the programs of another build (the 32-bit ones, under
# WOW64) gets that build's folder from ctest: it runs in that build's prefix,
# and the test finds the programs in BOOTWRIGHT_PROGRAMS (a Windows path).
if [ -n "${BOOTWRIGHT_PROGRAM_BUILD:-}" ]; then
    prefix=$BOOTWRIGHT_PROGRAM_BUILD/wineprefix
    export BOOTWRIGHT_PROGRAMS="Z:$(tr / '\\' <<<"$BOOTWRIGHT_PROGRAM_BUILD/bin/")"
fi
"$here/wine-prefix.sh" "$prefix" || exit 1
unset DISPLAY

out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# A fixed locale gives every machine the same ANSI code page (1252).
run() {
    env WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 \
        timeout -k 10 "${BOOTWRIGHT_WINE_TIMEOUT:-600}" /usr/lib/wine/wine64 "$@" >"$out" 2>"$err"
}

run "$@"
status=$?
# A Wine process very rarely fails to start at all: it ends with an error and
# not one byte of output. Only that is started once more; any other failure,
# a time-out included (124), counts as it is.
if [ "$status" -ne 0 ] && [ "$status" -ne 124 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
    echo "wine-run.sh: no output and exit status $status, starting once more" >&2
    run "$@"
    status=$?
fi
cat "$out"
cat "$err" >&2
exit "$status"
