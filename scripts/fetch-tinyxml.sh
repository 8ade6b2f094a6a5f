#!/bin/bash
# Unpacks Debian's TinyXML source package into the given folder, so that the
# build compiles it for each Windows target. Debian's patches stay applied but
# one: it forces TinyXML's std::string layer on, because Debian's shared library
# is built that way. That layer puts stream readers in every node's vtable,
# which links the whole iostream and locale library into each program; these
# sources are compiled with TinyXML's own strings instead.
set -euo pipefail
dest=$1
stl_patch=debian/patches/enforce-use-stl.patch

own_strings() {
    if grep -q '#define TIXML_USE_STL' "$dest/tinyxml.h"; then
        (cd "$dest" && patch -R -s -p1 < "$stl_patch")
    fi
}

if [ -f "$dest/tinyxml.cpp" ]; then
    own_strings
    exit 0
fi
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
own_strings
