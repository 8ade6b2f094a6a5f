#!/bin/bash
# Start-up benchmark: a run of the sample setup with nothing to do (every
# component installed, silent level) against a bare program, both under Wine.
# Runs scripts/main-job.sh first, which builds and installs the sample.
# Usage: scripts/bench-startup.sh [RUNS]   (default 15)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BOOTWRIGHT_BUILD_DIR:-$root/build}/x86_64
runs=${1:-15}

"$root/scripts/main-job.sh" >/dev/null
cmake -S "$root" -B "$build" -DBOOTWRIGHT_BENCH=ON >/dev/null
ninja -C "$build" startup_bench bare_program windowed_program >/dev/null

prefix=$build/main-job/prefix
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$root/scripts/wine-prefix.sh" "$prefix"
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
log=$(/usr/lib/wine/wine64 winepath -w "$build/main-job/bench-startup.log")
rm -f "$build/main-job/bench-startup.log"
env LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 timeout 900 /usr/lib/wine/wine64 "$build/bin/startup_bench.exe" "$runs" \
    "$(/usr/lib/wine/wine64 winepath -w "$build/main-job/setup.exe")" /q /LogFile "$log" </dev/null | tr -d '\r'
