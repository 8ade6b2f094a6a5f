#!/bin/bash
# scripts/check-layers.py on small source trees, one include each: it refuses
# every include upwards, however written and in whichever kind of source
# file, and takes includes from the same folder, from below and from outside.
# Usage: layer-check.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect pass|fail FILE LINE: a tree holding only FILE with LINE in it.
expect() {
    local wanted=$1 file=$2 line=$3
    rm -rf "$work/tree" && mkdir -p "$work/tree/$(dirname "$file")"
    printf '%s\n' "$line" >"$work/tree/$file"
    if python3 "$root/scripts/check-layers.py" "$work/tree" >"$work/out" 2>&1; then got=pass; else got=fail; fi
    if [ "$got" != "$wanted" ]; then
        failures=$((failures + 1))
        echo "FAILED: $file with '$line': expected $wanted, got $got"
        cat "$work/out"
    fi
}

expect fail payload/Extract.cpp '#include "ui/ExtractCabDlg.h"'
expect fail payload/Extract.cpp '#include <ui/ExtractCabDlg.h>'
expect fail payload/Extract.cpp '  #  include<config/ConfigFile.h>'
expect fail base/Jobs.inl '#include "payload/Extract.h"'
expect fail lib/Strings.h '#include <base/InstallerLog.h>'
expect fail sequence/Steps.rc '#include "app/resource.h"'
expect pass payload/Extract.cpp '#include "payload/CabinetNames.h"'
expect pass payload/Extract.cpp '#include <lib/FileOps.h>'
expect pass base/Jobs.inl '#include "lib/Handles.h"'
expect pass app/main.cpp '#include "ui/CBootwrightDlg.h"'
expect pass payload/Extract.cpp '#include <sys/stat.h>'
expect pass payload/Extract.cpp '#include <windows.h>'

[ "$failures" -eq 0 ] && echo "Layer check: every case as expected"
[ "$failures" -eq 0 ]
