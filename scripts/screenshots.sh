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
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A prefix of its own: the test prefix uses the null graphics driver.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
# shellcheck source=scripts/x-desktop.sh
. "$root/scripts/x-desktop.sh"
trap stop_x_desktop EXIT
start_x_desktop "$build/screenshot-prefix"

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
