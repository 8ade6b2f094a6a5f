#!/bin/bash
# Payload sizes and packaging times at every level the packager offers,
# against xz and gzip; not a test:
#   bench/packager-sizes.sh [BUILD_FOLDER] [LEVEL,...] [SET,...]
# BUILD_FOLDER (default build/x86_64) holds bin/bootwright.exe,
# bin/bootwright-pack.exe and bin/packager_bench.exe (-DBOOTWRIGHT_BENCH=ON);
# LEVELS defaults to none,mszip,lzx15,...,lzx21, SETS to all three:
# - unstripped: the x86-64 Windows DLLs Wine ships
#   (/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/*.dll), every fifth in name
#   order from the second on, as they are;
# - stripped: the same files after x86_64-w64-mingw32-strip --strip-debug;
# - mixed: the extraction benchmark's 200 MB payload (half text-like, half random).
# For each set: its size, xz -9e over all files as one stream, gzip -9 of each
# file (summed), and for each level the payload in the setup.exe (the
# cabinets, 16 MB segments) and the packaging time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/x86_64}" && pwd)
IFS=, read -r -a levels <<<"${2:-none,mszip,lzx15,lzx16,lzx17,lzx18,lzx19,lzx20,lzx21}"
IFS=, read -r -a sets <<<"${3:-stripped,unstripped,mixed}"
dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
work=$(mktemp -d "$build/packager-sizes.XXXXXX")
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all BOOTWRIGHT_PACK=$build/bin/bootwright-pack.exe

mkdir -p "$work/unstripped" "$work/stripped"
for dll in $(ls "$dlls"/*.dll | awk 'NR % 5 == 2'); do
    cp "$dll" "$work/unstripped/"
    x86_64-w64-mingw32-strip --strip-debug -o "$work/stripped/$(basename "$dll")" "$dll"
done
if [[ " ${sets[*]} " == *" mixed "* ]]; then
    # The Windows path of the folder on drive Z: (winepath may start the 32-bit
    # loader, which cannot use a 64-bit prefix, and print nothing).
    mixed="Z:${work//\//\\}\\mixed"
    timeout 3600 /usr/lib/wine/wine64 "$build/bin/packager_bench.exe" --write-mixed "$mixed" 200
    [ "$(find "$work/mixed" -type f | wc -l)" -gt 0 ] || { echo "the mixed payload was not written" >&2; exit 1; }
fi

# The cabinets of a setup.exe: each starts with its signature and says its size.
payload_size() {
    /usr/bin/python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
total, at = 0, data.find(b'MSCF\0\0\0\0')
while at >= 0:
    size = struct.unpack_from('<I', data, at + 8)[0]
    total += size
    at = data.find(b'MSCF\0\0\0\0', at + size)
print(total)
PY
}

echo "set files bytes xz-9e gzip-9 | level payload seconds ratio-to-xz ratio-to-gzip"
for set in "${sets[@]}"; do
    files=$(cd "$work/$set" && find . -type f | sort)
    bytes=$(cd "$work/$set" && cat $files | wc -c)
    xz=$(cd "$work/$set" && cat $files | xz -9e -T1 | wc -c)
    gzip=0
    for file in $files; do gzip=$((gzip + $(gzip -9 -c "$work/$set/$file" | wc -c))); done
    {
        echo '<?xml version="1.0" encoding="utf-8"?><configurations><configuration type="install">'
        echo '<component type="cmd" description="x" command="x">'
        for file in $files; do
            name=${file#./}
            echo "<embedfile sourcefilepath=\"$set\\${name//\//\\}\" targetfilepath=\"${name//\//\\}\"/>"
        done
        echo '</component></configuration></configurations>'
    } >"$work/$set.xml"
    echo "$set $(echo "$files" | wc -l) $bytes $xz $gzip"
    for level in "${levels[@]}"; do
        case $level in
            lzx*) options=(--compression lzx --lzx-window "${level#lzx}") ;;
            *) options=(--compression "$level") ;;
        esac
        start=$(date +%s.%N)
        "$root/scripts/bootwright-pack.sh" "${options[@]}" "$build/bin/bootwright.exe" "$work/$set.xml" \
            "$work/setup.exe" >/dev/null
        end=$(date +%s.%N)
        size=$(payload_size "$work/setup.exe")
        awk -v level="$level" -v size="$size" -v start="$start" -v end="$end" -v xz="$xz" -v gzip="$gzip" \
            'BEGIN { printf "  %-6s %10d %6.1f s %5.3f %5.3f\n", level, size, end - start, size / xz, size / gzip }'
    done
done
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
