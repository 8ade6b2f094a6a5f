#!/bin/bash
# Unpacks Debian's TinyXML source package (with Debian's patches applied)
# into the given folder, so that the build compiles it for each Windows target.
set -euo pipefail
dest=$1
[ -f "$dest/tinyxml.cpp" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq tinyxml >/dev/null 2>&1) || {
    echo "apt-get source tinyxml failed; run scripts/setup-deps.sh first" >&2
    exit 1
}
src=$(find "$work" -maxdepth 1 -type d -name 'tinyxml-*' | head -n 1)
mkdir -p "$(dirname "$dest")"
rm -rf "$dest"
cp -r "$src" "$dest"
