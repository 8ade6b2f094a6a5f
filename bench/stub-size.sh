#!/bin/bash
# Size of the setup program every setup.exe is a copy of:
#   bench/stub-size.sh [PROGRAM | --if-built PROGRAM]...
# builds the 64-bit and 32-bit programs (build/x86_64, build/i686) unless
# programs are named, then reports each one's size, its sections and whether
# it keeps within the target. Target: at most 1 MB (1,048,576 bytes) before
# any payload. Exits 1 when a program is above it or a named one is missing;
# a program named after --if-built is left out when it was not built. The
# test command runs it on the programs of its builds (ctest Scripts.StubSize).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BOOTWRIGHT_BUILD_DIR:-$root/build}
limit=1048576

named=$#
programs=()
while [ $# -gt 0 ]; do
    if [ "$1" = --if-built ]; then
        if [ -f "${2:-}" ]; then programs+=("$2"); else echo "${2:-}: not built, left out"; fi
        shift 2 || shift
    else
        programs+=("$1")
        shift
    fi
done
if [ "$named" -eq 0 ]; then
    for arch in x86_64 i686; do
        [ -f "$build/$arch/build.ninja" ] || cmake -S "$root" -B "$build/$arch" -G Ninja \
            -DCMAKE_BUILD_TYPE=Release -DBOOTWRIGHT_TESTS=OFF \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
        ninja -C "$build/$arch" bootwright >/dev/null
        programs+=("$build/$arch/bin/bootwright.exe")
    done
fi

over=0
for program in "${programs[@]}"; do
    size=$(stat -c %s "$program")
    format=$(x86_64-w64-mingw32-objdump -f "$program" | sed -n 's/.*file format //p')
    verdict="within the target"
    [ "$size" -le $limit ] || { verdict="ABOVE the target of $limit bytes"; over=1; }
    printf '%s (%s): %d bytes, %s\n' "$program" "$format" "$size" "$verdict"
    # Every section with its size in bytes, largest first.
    x86_64-w64-mingw32-objdump -h "$program" | awk '/^ +[0-9]+ / { print $2, $3 }' |
        while read -r section hex; do printf '    %-16s %9d\n' "$section" $((16#$hex)); done | sort -k2 -n -r
done
exit $over
