#!/bin/bash
# Builds the release bundle dist/bootwright-VERSION.zip: the 64-bit and 32-bit
# setup programs and packagers, the packager's Linux script, the README and
# docs/, and the sample product with its Windows Installer package built; a
# SHA256SUMS file inside lists every file, dist/SHA256SUMS the zip itself.
# VERSION is the version of the CMake project.
# Usage: scripts/release.sh [--no-build]
#   --no-build  use the programs already built (build/x86_64 and build/i686)
# BOOTWRIGHT_BUILD_DIR names another build root (default build/),
# BOOTWRIGHT_DIST_DIR another output folder (default dist/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BOOTWRIGHT_BUILD_DIR:-$root/build}
dist=${BOOTWRIGHT_DIST_DIR:-$root/dist}
build_programs=true
case "${1:-}" in
    "") ;;
    --no-build) build_programs=false ;;
    *) echo "usage: scripts/release.sh [--no-build]" >&2; exit 1 ;;
esac

version=$(sed -n 's/^project(Bootwright VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "release.sh: no project version in CMakeLists.txt" >&2; exit 1; }
name=bootwright-$version

declare -A arch_dir=([x86_64]=x64 [i686]=x86)
if $build_programs; then
    "$root/scripts/setup-deps.sh"
    for arch in x86_64 i686; do
        # A build folder set up before (by scripts/test.sh) keeps its options.
        if [ ! -f "$build/$arch/CMakeCache.txt" ]; then
            cmake -S "$root" -B "$build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBOOTWRIGHT_TESTS=OFF \
                -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
        fi
        ninja -C "$build/$arch" bootwright bootwright-pack | tail -n 1
    done
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
bundle=$stage/$name
mkdir -p "$bundle/scripts" "$bundle/samples"
for arch in x86_64 i686; do
    mkdir -p "$bundle/bin/${arch_dir[$arch]}"
    for program in bootwright bootwright-pack; do
        file=$build/$arch/bin/$program.exe
        [ -f "$file" ] || { echo "release.sh: $file is not built (run without --no-build)" >&2; exit 1; }
        # Only the shipping build goes out: optimised for size, stripped.
        if grep -q '^BOOTWRIGHT_LEAN:BOOL=OFF' "$build/$arch/CMakeCache.txt"; then
            echo "release.sh: $build/$arch is built with BOOTWRIGHT_LEAN=OFF" >&2
            exit 1
        fi
        cp "$file" "$bundle/bin/${arch_dir[$arch]}/"
    done
done
cp "$root/scripts/bootwright-pack.sh" "$root/scripts/wine-prefix.sh" "$bundle/scripts/"
cp "$root/README.md" "$bundle/"
cp -r "$root/docs" "$bundle/"
cp -r "$root/samples/setup.xml" "$root/samples/quorvane-runtime.wxs" "$root/samples/files" "$bundle/samples/"
# The sample's package, built as scripts/main-job.sh builds it.
(cd "$bundle/samples" && wixl -a x64 -o files/quorvane-runtime.msi quorvane-runtime.wxs)

(cd "$bundle" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)
mkdir -p "$dist"
rm -f "$dist/$name.zip"
(cd "$stage" && zip -q -r -X "$dist/$name.zip" "$name")
(cd "$dist" && sha256sum "$name.zip" >SHA256SUMS)
echo "Wrote $dist/$name.zip ($(stat -c %s "$dist/$name.zip") bytes)"
