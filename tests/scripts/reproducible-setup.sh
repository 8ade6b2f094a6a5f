#!/bin/bash
# The same input packaged twice gives the same setup.exe, byte for byte: the
# second time later, in another time zone, with every file touched since and
# SOURCE_DATE_EPOCH set (file times after it are stored as it).
# Usage: reproducible-setup.sh BUILD_FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d "$build/reproducible-setup.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cd "$work"
mkdir -p product/data
head -c 150000 /dev/urandom >product/data/random.bin
for i in $(seq 1 3000); do printf 'Line %d of the notes\r\n' "$i"; done >product/notes.txt
cp "$build/bin/bootwright.exe" product/tool.exe
cat >product/setup.xml <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<configurations>
  <configuration type="install">
    <component type="cmd" description="Reproducible" command="cmd /c exit 0">
      <embedfile sourcefilepath="data\random.bin" targetfilepath="data\random.bin"/>
      <embedfile sourcefilepath="notes.txt"/>
      <embedfile sourcefilepath="tool.exe"/>
    </component>
  </configuration>
</configurations>
XML

export BOOTWRIGHT_PACK=$build/bin/bootwright-pack.exe WINEPREFIX=$build/wineprefix SOURCE_DATE_EPOCH=1700000000
pack() { "$root/scripts/bootwright-pack.sh" --segment-size 64K product/setup.xml "$1.exe" | tr -d '\r'; }
touch -d '2024-05-01 12:00:00 UTC' product/data/random.bin product/notes.txt product/tool.exe
TZ=UTC pack first
sleep 2
touch product/data/random.bin product/notes.txt product/tool.exe
TZ=Asia/Tokyo pack second
cmp first.exe second.exe || fail "two packagings of the same input differ"
[ "$(grep -o -aF 'MSCF' first.exe | wc -l)" -ge 2 ] || fail "the payload should span several segments"
echo "Both packagings gave the same $(stat -c %s first.exe) bytes"
