#!/bin/bash
# Runs a Windows program under Wine in the test prefix; ctest's emulator.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
shift
"$here/wine-prefix.sh" "$prefix" || exit 1
unset DISPLAY
# A fixed locale gives every machine the same ANSI code page (1252).
exec env WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 \
    timeout -k 10 "${BOOTWRIGHT_WINE_TIMEOUT:-600}" /usr/lib/wine/wine64 "$@"
