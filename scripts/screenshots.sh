#!/bin/bash
# Takes screenshots of the windows under a virtual X server, at 100 % and at
# 150 % scale: the progress windows at 100 % and the main window at 150 % go
# to docs/, every one of them to BUILD_DIR/screenshots/ for a look.
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

shots=$build/screenshots
mkdir -p "$root/docs" "$shots"
shoot() {
    local mode=$1 file=$2
    "$wine" "$program" "$mode" 8 </dev/null >/dev/null 2>&1 &
    local shown=$!
    sleep 5
    import -window root "$shots/$file"
    wait "$shown" || true
    echo "$shots/$file"
}
for dpi in 96 144; do
    set_x_desktop_scale "$dpi"
    percent=$((dpi * 100 / 96))
    shoot main "main-dialog-$percent.png"
    shoot extract "extraction-progress-$percent.png"
    shoot download "download-window-$percent.png"
done
cp "$shots/extraction-progress-100.png" "$root/docs/extraction-progress.png"
cp "$shots/download-window-100.png" "$root/docs/download-window.png"
cp "$shots/main-dialog-150.png" "$root/docs/main-dialog-150.png"
echo "docs/extraction-progress.png docs/download-window.png docs/main-dialog-150.png"
