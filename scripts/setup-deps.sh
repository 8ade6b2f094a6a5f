#!/bin/bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail

# wine32:i386 runs the 32-bit setup program under WOW64 (/usr/lib/wine/wine64
# starts it in a 64-bit prefix, as 64-bit Windows does).
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          gcc-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix binutils-mingw-w64
          wine wine64 wine32:i386 xvfb xauth wixl msitools gcab googletest dpkg-dev python3 libxml2-utils
          osslsigncode openssl zip unzip libz-mingw-w64-dev cabextract python3-jsonschema)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# TinyXML is built from Debian's source package, which needs deb-src entries.
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    else
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $SUDO tee /etc/apt/sources.list.d/bootwright-src.list >/dev/null
    fi
    $SUDO apt-get update -qq
fi
