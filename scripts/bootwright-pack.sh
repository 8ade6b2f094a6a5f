#!/bin/bash
# Runs the packager under Wine on Linux, with Linux paths.
# Usage: bootwright-pack.sh [--segment-size SIZE] [--banner FILE] [--icon FILE]
#                           [--version-info KEY=VALUE]... BOOTSTRAPPER CONFIGURATION OUTPUT
# BOOTWRIGHT_PACK names the packager (default: build/x86_64/bin/bootwright-pack.exe),
# WINEPREFIX the Wine prefix (default: the build folder's test prefix).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pack=${BOOTWRIGHT_PACK:-$here/../build/x86_64/bin/bootwright-pack.exe}
prefix=${WINEPREFIX:-$(dirname "$(dirname "$pack")")/wineprefix}
if [ ! -f "$pack" ]; then
    echo "bootwright-pack.sh: packager not found: $pack (build the bootwright-pack target)" >&2
    exit 1
fi
"$here/wine-prefix.sh" "$prefix" || exit 1
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# A Linux path as Wine sees it; the output need not exist yet.
windows_path() {
    local path=$1
    case "$path" in /*) ;; *) path=$PWD/$path ;; esac
    winepath -w "$path" 2>/dev/null || echo "Z:${path//\//\\}"
}

args=()
while [ $# -gt 0 ]; do
    case "$1" in
        --segment-size|--version-info) args+=("$1" "${2:-}"); shift 2 || shift ;;
        --banner|--icon) args+=("$1" "$(windows_path "${2:-}")"); shift 2 || shift ;;
        -*) args+=("$1"); shift ;;
        *) args+=("$(windows_path "$1")"); shift ;;
    esac
done
/usr/lib/wine/wine64 "$pack" "${args[@]}"
