# Sourced by the scripts that show windows: a virtual X server on a display
# nobody holds, and a Wine prefix that draws its windows on a virtual desktop
# (which gives them the title bars a window manager would).
# start_x_desktop PREFIX [DPI] sets DISPLAY and WINEPREFIX and leaves the
# server's process id in xvfb; DPI is the scale the prefix's programs start at
# (96 is 100 %, 144 is 150 %; default 96). stop_x_desktop ends the prefix's
# programs and the server.
# The caller sets wine and server to Wine's programs.

start_x_desktop() {
    local number=$((90 + RANDOM % 100))
    while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
    Xvfb ":$number" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=:$number WINEPREFIX=$1
    sleep 1
    if [ ! -f "$WINEPREFIX/.bootwright-ready" ]; then
        rm -rf "$WINEPREFIX"
        timeout 120 "$wine" wineboot -i </dev/null >/dev/null 2>&1
        timeout 60 "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        timeout 60 "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
        timeout 60 "$server" -w
        touch "$WINEPREFIX/.bootwright-ready"
    fi
    set_x_desktop_scale "${2:-96}"
}

# Programs started afterwards show their windows at this scale (Wine reads it
# as each program starts).
set_x_desktop_scale() {
    timeout 60 "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

stop_x_desktop() {
    "$server" -k >/dev/null 2>&1 || true
    if [ -n "${xvfb:-}" ]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
}
