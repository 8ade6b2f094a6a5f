#!/bin/bash
# A packaged setup.exe signed by scripts/bootwright-pack.sh with a certificate
# made here: the signature verifies, the signed program still finds its
# payload in its resources and extracts every byte, a failed signing leaves no
# unsigned setup behind, and one changed byte of a payload segment makes
# verification fail.
# Usage: signed-setup.sh BUILD_FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d "$build/signed-setup.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out certificate.pem -days 2 \
    -subj "/CN=Bootwright Signing Test" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
printf 'not a secret' >password.txt
openssl pkcs12 -export -inkey key.pem -in certificate.pem -out signer.p12 -passout file:password.txt

# Two segments: random bytes do not compress, so 96 KB cannot fit one 64 KB cabinet.
mkdir -p product/data
head -c 98304 /dev/urandom >product/data/random.bin
printf 'Signed setup notes\r\n' >product/notes.txt
cat >product/setup.xml <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<configurations>
  <configuration type="install">
    <component type="cmd" description="Signed" command="cmd /c exit 0">
      <embedfile sourcefilepath="data\random.bin" targetfilepath="data\random.bin"/>
      <embedfile sourcefilepath="notes.txt"/>
    </component>
  </configuration>
</configurations>
XML

export BOOTWRIGHT_PACK=$build/bin/bootwright-pack.exe WINEPREFIX=$build/wineprefix
"$root/scripts/bootwright-pack.sh" --segment-size 64K product/setup.xml setup.exe \
    --sign-pkcs12 signer.p12 --sign-password-file password.txt | tr -d '\r'
osslsigncode verify -in setup.exe -CAfile certificate.pem >verify.out 2>&1 ||
    { cat verify.out; fail "the signed setup.exe does not verify"; }

mkdir run
(cd run && env LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 WINEDEBUG=-all \
    timeout -k 10 300 /usr/lib/wine/wine64 ../setup.exe /q /ExtractCab </dev/null) ||
    fail "the signed setup.exe /q /ExtractCab exited with $?"
cmp product/data/random.bin run/SupportFiles/data/random.bin || fail "data\\random.bin differs"
cmp product/notes.txt run/SupportFiles/notes.txt || fail "notes.txt differs"

# A signing that fails leaves nothing at the output path, an earlier setup
# there untouched, and no temporary file beside it.
printf 'wrong' >wrong-password.txt
printf 'earlier setup' >earlier.exe
for case in "new.exe --sign-password-file wrong-password.txt" \
            "earlier.exe --sign-password-file wrong-password.txt" \
            "new.exe --sign-password-file password.txt --timestamp-url http://127.0.0.1:9/"; do
    set -- $case
    output=$1
    shift
    before=$(cat "$output" 2>/dev/null || echo absent)
    if "$root/scripts/bootwright-pack.sh" product/setup.xml "$output" --sign-pkcs12 signer.p12 "$@" \
            >failed.out 2>&1; then
        cat failed.out
        fail "signing with '$*' succeeded"
    fi
    [ "$(cat "$output" 2>/dev/null || echo absent)" = "$before" ] || fail "signing with '$*' changed $output"
    ls -A | grep -q "^\.$output\." && fail "signing with '$*' left a temporary file beside $output"
done

# One byte inside the second segment (a cabinet in the resources: "MSCF").
offset=$(grep -obUaP 'MSCF\x00\x00\x00\x00' setup.exe | sed -n '2s/:.*//p')
[ -n "$offset" ] || fail "no second payload segment in setup.exe"
cp setup.exe tampered.exe
byte=$(od -An -tu1 -j $((offset + 4096)) -N1 tampered.exe | tr -d ' ')
printf "$(printf '\\%03o' $(( (byte + 1) % 256 )))" |
    dd of=tampered.exe bs=1 seek=$((offset + 4096)) conv=notrunc status=none
cmp -s setup.exe tampered.exe && fail "the byte was not changed"
if osslsigncode verify -in tampered.exe -CAfile certificate.pem >tampered.out 2>&1; then
    cat tampered.out
    fail "a setup.exe with a changed payload byte still verifies"
fi
echo "Signed setup.exe verifies, extracts every byte, and fails verification after one changed byte"
