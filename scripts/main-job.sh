#!/bin/bash
# The main job: builds the setup program and the packager, packages the sample
# product of samples/ into a setup executable and runs it under Wine.
# Usage: scripts/main-job.sh         two silent runs: the first installs, the second finds
#                                    everything installed
#        scripts/main-job.sh --ui    the full user interface under a virtual X server: a
#                                    screenshot of the main dialog, then Install
# BOOTWRIGHT_BUILD_DIR names another build root (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BOOTWRIGHT_BUILD_DIR:-$root/build}/x86_64
mode=silent
case "${1:-}" in
    "") ;;
    --ui) mode=ui ;;
    *) echo "usage: scripts/main-job.sh [--ui]" >&2; exit 1 ;;
esac
start=$(date +%s)
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
product_code='{926A0445-A99F-4898-9314-BC6808743288}'
caption='Quorvane Sample Suite Setup'

step() { echo; echo "== $*"; }
# shellcheck source=scripts/x-desktop.sh
. "$root/scripts/x-desktop.sh"

"$root/scripts/setup-deps.sh"
if [ "$mode" = ui ] && ! command -v import >/dev/null; then
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends imagemagick >/dev/null
fi

step "Building $build: bootwright, bootwright-pack, run-setup"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
ninja -C "$build" bootwright bootwright-pack run-setup | tail -n 1

# The sample is staged with its built package, since the document names its
# files relative to its own folder.
job=$build/main-job
stage=$job/sample
step "Building the sample package with wixl"
rm -rf "$stage"
mkdir -p "$stage"
cp -r "$root/samples/setup.xml" "$root/samples/files" "$stage/"
(cd "$stage" && wixl -a x64 -o files/quorvane-runtime.msi "$root/samples/quorvane-runtime.wxs")
echo "$stage/files/quorvane-runtime.msi"

if [ "$mode" = silent ]; then
    prefix=$job/prefix
else
    prefix=$job/ui-prefix
fi
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A fixed locale for the Windows side (ANSI code page 1252), as in the tests.
locale=(LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8)

step "Wine prefix $prefix"
# Ends what the runs left in this prefix (the document component's viewer
# keeps running) and the X server of the --ui form.
trap stop_x_desktop EXIT
if [ "$mode" = silent ]; then
    # Wine's null graphics driver: a silent run needs no X server.
    "$root/scripts/wine-prefix.sh" "$prefix"
else
    start_x_desktop "$prefix"
fi

win() { "$wine" winepath -w "$1" 2>/dev/null; }
run_raw() { env "${locale[@]}" timeout -k 10 600 "$wine" "$@" </dev/null 2>/dev/null; }
run() { run_raw "$@" | tr -d '\r'; }
program_files=$prefix/drive_c/Program\ Files/Quorvane\ Sample

# Every invocation starts from a machine without the sample product.
if [ -d "$program_files" ] || run reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code" >/dev/null 2>&1; then
    echo "Removing the sample product of an earlier run"
    run msiexec /x "$product_code" /qn >/dev/null || true
    rm -rf "$program_files"
fi

step "Packaging $job/setup.exe with bootwright-pack"
BOOTWRIGHT_PACK=$build/bin/bootwright-pack.exe "$root/scripts/bootwright-pack.sh" \
    "$build/bin/bootwright.exe" "$stage/setup.xml" "$job/setup.exe" | tr -d '\r'

runner=$(win "$build/bin/run-setup.exe")
setup=$(win "$job/setup.exe")

# The whole exit code comes from run-setup.exe (GetExitCodeProcess); the
# Linux status of a Wine process would be cut to 8 bits.
exit_code() { sed -n 's/^Exit code: //p' "$1" | tail -n 1; }
show_log() {
    local log=$1
    echo "Log: $log"
    [ -f "$log" ] || { echo "    (no log written)"; return 0; }
    tr -d '\r' <"$log" | cut -f 2- |
        grep -a -E 'Bootwright finished|^-- .*: (NOT )?INSTALLED$|Component .*(EXECUTING|SUCCESS|SKIPPED|ERROR|FAILED)|error occured' |
        sed 's/^/    /' || true
}
show_product() {
    echo "Installed product, as Windows Installer registered it:"
    run reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code" |
        grep -E 'DisplayName|DisplayVersion|Publisher' | sed 's/^ */    /' || echo "    (not installed)"
}
show_files() {
    echo "Files the command component made:"
    local file
    for file in "$program_files/Tools/tools.ini" "$program_files/Tools/quorvane-notes.txt" "$program_files/readme.rtf"; do
        local shown=${file#"$prefix/drive_c/"}
        shown="C:\\${shown//\//\\}"
        if [ -f "$file" ]; then
            echo "    $shown ($(stat -c %s "$file") bytes)"
        else
            echo "    $shown (missing)"
        fi
    done
    [ ! -f "$program_files/Tools/tools.ini" ] || tr -d '\r' <"$program_files/Tools/tools.ini" | sed 's/^/        /'
}

status=0
if [ "$mode" = silent ]; then
    for pass in first second; do
        log=$job/$pass-run.log
        rm -f "$log"
        if [ "$pass" = first ]; then
            step "First run: setup.exe /q /LogFile $(win "$log")"
        else
            step "Second run: everything should be found installed"
        fi
        run "$runner" "$setup" /q /LogFile "$(win "$log")" | tee "$job/$pass-run.out" || true
        code=$(exit_code "$job/$pass-run.out")
        show_log "$log"
        if [ "$pass" = first ]; then
            show_product
            show_files
        fi
        [ "$code" = 0 ] || status=1
    done
    if grep -aq ': NOT INSTALLED' "$job/second-run.log"; then
        echo "The second run found a component not installed" >&2
        status=1
    fi
else
    log=$job/ui-run.log
    ready=$job/ui-ready
    shot=$job/main-dialog.png
    # The output of an earlier run would tell the wait below that the window is up.
    rm -f "$log" "$ready" "$shot" "$job/ui-run.out"
    step "Full user interface: setup.exe /LogFile $(win "$log")"
    # Unfiltered, so that each line reaches the file as it is printed.
    (run_raw "$runner" --window "$caption" --ready "$(win "$ready")" "$setup" /LogFile "$(win "$log")" >"$job/ui-run.out" || true) &
    driver=$!
    for _ in $(seq 1 600); do
        grep -q '^Window shown' "$job/ui-run.out" 2>/dev/null && break
        kill -0 "$driver" 2>/dev/null || break
        sleep 0.2
    done
    if grep -q '^Window shown' "$job/ui-run.out"; then
        # Let the dialog paint (banner, list, link) before the picture.
        sleep 2
        read -r x y width height < <(tr -d '\r' <"$job/ui-run.out" | sed -n 's/^Window shown at //p') || true
        crop=()
        if [ -n "${height:-}" ]; then
            margin=12
            left=$(( x > margin ? x - margin : 0 )); top=$(( y > margin ? y - margin : 0 ))
            crop=(-crop "$(( width + 2 * margin ))x$(( height + 2 * margin ))+$left+$top" +repage)
        fi
        if import -window root "${crop[@]}" "$shot"; then
            echo "Screenshot of the main dialog: $shot"
        else
            echo "The screenshot could not be taken" >&2
        fi
    fi
    touch "$ready"
    wait "$driver" || true
    tr -d '\r' <"$job/ui-run.out"
    code=$(tr -d '\r' <"$job/ui-run.out" | sed -n 's/^Exit code: //p' | tail -n 1)
    show_log "$log"
    show_product
    show_files
    [ -f "$shot" ] && [ "$code" = 0 ] || status=1
fi

step "Main job ($mode) finished in $(( $(date +%s) - start )) s with status $status"
exit "$status"
