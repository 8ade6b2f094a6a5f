#!/bin/bash
# The test command: installs what is missing, builds the 32-bit and the 64-bit
# Windows targets, and runs every test under Wine: the 64-bit build's suites,
# and its end-to-end suites once more against the 32-bit programs, under WOW64
# (the tests named x86.*).
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
# The 32-bit build has no test executables of its own: the 64-bit ones start
# its programs (and its planted-library stand-ins) and look at what they did.
configure i686 "$build/i686" -DBOOTWRIGHT_TESTS=OFF -DBOOTWRIGHT_PLANTED_LIBRARIES=ON
ninja -C "$build/i686" -j2
# WOW64 needs a kernel that runs 32-bit code. Some virtual machines' kernels do
# not ("Exec format error" from Wine's 32-bit loader): there the 32-bit build is
# still built warning-free, and its runs (x86.*) are left out, said loudly.
x86_build=$build/i686
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "WARNING: this machine's kernel cannot run 32-bit programs; the x86.* tests of the 32-bit programs are not run" >&2
    x86_build=""
fi
configure x86_64 "$build/x86_64" -DBOOTWRIGHT_X86_BUILD="$x86_build"
ninja -C "$build/x86_64" -j2
built=$(date +%s)
echo "Built both targets in $(( built - start )) s"

# One prefix per build: the 32-bit programs run in build/i686/wineprefix.
prefixes=("$build/x86_64/wineprefix" "$build/i686/wineprefix")
for prefix in "${prefixes[@]}"; do "$root/scripts/wine-prefix.sh" "$prefix"; done
trap 'for prefix in "${prefixes[@]}"; do WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true; done' EXIT
# A Wine start that fails without any output is retried by scripts/wine-run.sh;
# every other failure counts.
status=0
ctest --test-dir "$build/x86_64" -j2 --output-on-failure --timeout 300 || status=$?
echo "Ran the tests in $(( $(date +%s) - built )) s"
[ -n "$x86_build" ] || echo "WARNING: the 32-bit programs were built but not run (no 32-bit support in this machine's kernel)" >&2
exit "$status"
