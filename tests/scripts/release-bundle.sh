#!/bin/bash
# The release bundle on its own: scripts/release.sh packs the programs already
# built; the zip is unpacked into an empty folder outside the build tree and,
# with only what it holds and a Wine prefix of its own, packages the sample
# product and installs it at the silent level, as scripts/main-job.sh does:
# exit code 0, every component installed, and a second run finds them all.
# With x86 the sample is packaged into the bundle's 32-bit setup program, as
# the README shows, and runs under WOW64.
# Usage: release-bundle.sh BUILD_ROOT [x64|x86]   (BUILD_ROOT holding x86_64/ and i686/)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
machine=${2:-x64}
if [ ! -f "$build/i686/bin/bootwright.exe" ]; then
    echo "Skipped: the 32-bit programs are not built ($build/i686; scripts/test.sh builds them)"
    exit 77
fi
work=$(mktemp -d)
prefix=$work/prefix
cleanup() {
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

BOOTWRIGHT_BUILD_DIR=$build BOOTWRIGHT_DIST_DIR=$work/dist "$root/scripts/release.sh" --no-build
version=$(sed -n 's/^project(Bootwright VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
zip=$work/dist/bootwright-$version.zip
(cd "$work/dist" && sha256sum --quiet -c SHA256SUMS) || fail "the zip does not match dist/SHA256SUMS"
mkdir "$work/empty"
unzip -q "$zip" -d "$work/empty"
bundle=$work/empty/bootwright-$version
(cd "$bundle" && sha256sum --quiet -c SHA256SUMS) || fail "the bundle does not match its SHA256SUMS"
for file in README.md docs/main-dialog.png scripts/bootwright-pack.sh samples/setup.xml \
            samples/quorvane-runtime.wxs samples/files/quorvane-runtime.msi; do
    [ -f "$bundle/$file" ] || fail "$file is missing from the bundle"
done

# Each program: the right machine, stripped, and no DLL beyond the system's.
for arch in x64:pei-x86-64 x86:pei-i386; do
    for program in bootwright bootwright-pack; do
        file=$bundle/bin/${arch%%:*}/$program.exe
        objdump=x86_64-w64-mingw32-objdump
        header=$($objdump -p "$file")
        grep -q "file format ${arch#*:}" <<<"$header" || fail "$file is not ${arch#*:}"
        x86_64-w64-mingw32-nm "$file" 2>&1 | grep -q "no symbols" || fail "$file carries symbols"
        extra=$(sed -n 's/^\s*DLL Name: //p' <<<"$header" | tr 'A-Z' 'a-z' |
                grep -v -x -E 'kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|shlwapi.dll|ole32.dll|oleaut32.dll|comctl32.dll|msvcrt.dll' || true)
        [ -z "$extra" ] || fail "$file imports $extra"
    done
done

# From here on only the bundle: its script, its packager, its stub, its sample.
unset BOOTWRIGHT_PACK BOOTWRIGHT_BUILD_DIR
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cd "$work"
if [ "$machine" = x86 ]; then
    "$bundle/scripts/bootwright-pack.sh" "$bundle/bin/x86/bootwright.exe" "$bundle/samples/setup.xml" \
        "$work/out/setup.exe" | tr -d '\r'
    format=pei-i386
    # The 32-bit program's %ProgramFiles%, where the sample's script puts the tools.
    program_files="$prefix/drive_c/Program Files (x86)/Quorvane Sample"
else
    "$bundle/scripts/bootwright-pack.sh" "$bundle/samples/setup.xml" "$work/out/setup.exe" | tr -d '\r'
    format=pei-x86-64
    program_files="$prefix/drive_c/Program Files/Quorvane Sample"
fi
[ -f "$work/out/setup.exe" ] || fail "no setup.exe packaged"
x86_64-w64-mingw32-objdump -f "$work/out/setup.exe" | grep -q "file format $format" ||
    fail "the packaged setup.exe is not $format"
run() {
    env LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 timeout -k 10 600 /usr/lib/wine/wine64 "$work/out/setup.exe" \
        /q /LogFile "$(/usr/lib/wine/wine64 winepath -w "$work/$1.log")" </dev/null >/dev/null 2>&1
}
for pass in first second; do
    run "$pass" || fail "the $pass run exited with $?"
    log=$(tr -d '\r' <"$work/$pass.log")
    grep -q "Bootwright finished, return code=0" <<<"$log" || { echo "$log"; fail "the $pass run did not finish with 0"; }
done
grep -q "started, version $version" <<<"$(tr -d '\r' <"$work/first.log")" ||
    fail "the program's version is not the bundle's ($version)"
for component in "Quorvane Sample Runtime 1.0" "Quorvane Sample Tools" "Quorvane Sample Readme"; do
    grep -q "Component '$component': SUCCESS" "$work/first.log" || fail "$component was not installed"
    grep -q -- "-- $component: INSTALLED" "$work/second.log" || fail "the second run did not find $component"
done
for file in Tools/tools.ini Tools/quorvane-notes.txt readme.rtf; do
    [ -f "$program_files/$file" ] || fail "$file was not installed"
done
/usr/lib/wine/wine64 reg query \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{926A0445-A99F-4898-9314-BC6808743288}' \
    </dev/null >/dev/null 2>&1 || fail "Windows Installer does not know the sample runtime"
echo "The release bundle packaged the sample into its $machine setup program and installed it with nothing from the build tree"
