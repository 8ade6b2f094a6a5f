#!/bin/bash
# Takes screenshots of the progress windows under a virtual X server and
# saves them as PNG files under docs/.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default build/x86_64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/x86_64}" && pwd)
program=$build/bin/ui_showcase.exe
[ -f "$program" ] || { echo "build ui_showcase first: ninja -C $build ui_showcase" >&2; exit 1; }

missing=()
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v xauth >/dev/null || missing+=(xauth)
command -v import >/dev/null || missing+=(imagemagick)
if [ ${#missing[@]} -gt 0 ]; then
    apt-get install -y "${missing[@]}" >/dev/null
fi

# A prefix of its own: the test prefix uses the null graphics driver.
export WINEPREFIX=$build/screenshot-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
display=:$((90 + RANDOM % 100))

Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    "$server" -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1

if [ ! -f "$WINEPREFIX/.bootwright-ready" ]; then
    rm -rf "$WINEPREFIX"
    timeout 120 "$wine" wineboot -i </dev/null >/dev/null 2>&1
    # A virtual desktop draws the title bars a window manager would.
    timeout 60 "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    timeout 60 "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
    timeout 60 "$server" -w
    touch "$WINEPREFIX/.bootwright-ready"
fi

mkdir -p "$root/docs"
shoot() {
    local mode=$1 file=$2
    "$wine" "$program" "$mode" 8 </dev/null >/dev/null 2>&1 &
    local shown=$!
    sleep 5
    import -window root "$root/docs/$file"
    wait "$shown" || true
    echo "docs/$file"
}
shoot extract extraction-progress.png
shoot download download-window.png
