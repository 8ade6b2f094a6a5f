#!/bin/bash
# Creates the Wine prefix used by a test run, once, and keeps its wineserver alive.
# Usage: wine-prefix.sh PREFIX
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
# Programs started below outlive this script: they must not inherit the lock (9>&-).
# A prefix made before the 32-bit Wine was installed lacks the 32-bit system
# (syswow64) that 32-bit programs run on: it is made again.
if [ -f "$prefix/.bootwright-ready" ] && [ ! -d "$prefix/drive_c/windows/syswow64" ] &&
   [ -x /usr/lib/wine/wine ]; then
    "$server" -k 9>&- 2>/dev/null || true
    rm -f "$prefix/.bootwright-ready"
fi
if [ ! -f "$prefix/.bootwright-ready" ]; then
    rm -rf "$prefix"
    timeout 120 "$wine" wineboot -i </dev/null >/dev/null 2>&1 9>&-
    # Wine's null graphics driver: windows and dialogs work with no X server.
    timeout 60 "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
        </dev/null >/dev/null 2>&1 9>&-
    timeout 60 "$server" -w 9>&-
    touch "$prefix/.bootwright-ready"
fi
# A persistent wineserver saves about a second per program start; it ends
# itself a while after the last program when nobody stops it. When a new one
# starts, Wine's own services start with it: start them here, detached from
# the caller's output, or a pipe reading a test's output would stay open.
if "$server" -p120 </dev/null >/dev/null 2>&1 9>&-; then
    timeout 60 "$wine" cmd /c exit 0 </dev/null >/dev/null 2>&1 9>&- || true
fi
flock -u 9
