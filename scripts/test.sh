#!/bin/bash
# The test command: installs what is missing, builds the 64-bit and the 32-bit
# Windows targets, and runs every test of the 64-bit build under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BOOTWRIGHT_BUILD_DIR:-$root/build}

"$root/scripts/setup-deps.sh"

configure() {
    local arch=$1 dir=$2
    shift 2
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" "$@" >/dev/null
}

# Each folder includes only from the folders below it (see the README's Architecture).
python3 "$root/scripts/check-layers.py" "$root"

start=$(date +%s)
configure x86_64 "$build/x86_64"
ninja -C "$build/x86_64"
# The 32-bit build cannot run on this machine; the program must build
# warning-free for it. Its tests would only be compiled, so they are left out.
configure i686 "$build/i686" -DBOOTWRIGHT_TESTS=OFF
ninja -C "$build/i686"
echo "Built both targets in $(( $(date +%s) - start )) s"

prefix=$build/x86_64/wineprefix
"$root/scripts/wine-prefix.sh" "$prefix"
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
# A Wine start that fails without any output is retried by scripts/wine-run.sh;
# every other failure counts.
ctest --test-dir "$build/x86_64" -j2 --output-on-failure --timeout 300
