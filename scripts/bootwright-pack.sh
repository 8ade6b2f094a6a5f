#!/bin/bash
# Runs the packager under Wine on Linux, with Linux paths, and signs the result
# when asked.
# Usage: bootwright-pack.sh [--compression METHOD] [--segment-size SIZE] [--banner FILE] [--icon FILE]
#            [--version-info KEY=VALUE]... [--execution-level LEVEL]
#            [BOOTSTRAPPER] CONFIGURATION OUTPUT
#            [--sign-pkcs12 FILE [--sign-password-file FILE] [--timestamp-url URL]]
# Without BOOTSTRAPPER, the packager takes bootwright.exe from its own folder.
# BOOTWRIGHT_PACK names the packager (default: bin/x64/bootwright-pack.exe of the
# release bundle this script came with, else build/x86_64/bin/bootwright-pack.exe
# of the repository), WINEPREFIX the Wine prefix (default: wineprefix/ of the
# bundle, or the build folder's test prefix).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
if [ -n "${BOOTWRIGHT_PACK:-}" ]; then
    pack=$BOOTWRIGHT_PACK
    default_prefix=$(dirname "$(dirname "$pack")")/wineprefix
elif [ -f "$top/bin/x64/bootwright-pack.exe" ]; then
    pack=$top/bin/x64/bootwright-pack.exe
    default_prefix=$top/wineprefix
else
    pack=$top/build/x86_64/bin/bootwright-pack.exe
    default_prefix=$top/build/x86_64/wineprefix
fi
prefix=${WINEPREFIX:-$default_prefix}
if [ ! -f "$pack" ]; then
    echo "bootwright-pack.sh: packager not found: $pack (build the bootwright-pack target)" >&2
    exit 1
fi
"$here/wine-prefix.sh" "$prefix" || exit 1
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# A Linux path as Wine sees it; the output need not exist yet.
windows_path() {
    local path=$1
    case "$path" in /*) ;; *) path=$PWD/$path ;; esac
    /usr/lib/wine/wine64 winepath -w "$path" 2>/dev/null || echo "Z:${path//\//\\}"
}

args=()
files=()
pkcs12="" password_file="" timestamp_url=""
while [ $# -gt 0 ]; do
    case "$1" in
        --segment-size|--version-info|--execution-level|--compression|--lzx-window)
            args+=("$1" "${2:-}"); shift 2 || shift ;;
        --banner|--icon) args+=("$1" "$(windows_path "${2:-}")"); shift 2 || shift ;;
        --sign-pkcs12) pkcs12=${2:-}; shift 2 || shift ;;
        --sign-password-file) password_file=${2:-}; shift 2 || shift ;;
        --timestamp-url) timestamp_url=${2:-}; shift 2 || shift ;;
        -*) args+=("$1"); shift ;;
        *) files+=("$1"); output_index=${#args[@]}; args+=("$(windows_path "$1")"); shift ;;
    esac
done

# The signing options are checked before anything is packaged.
if [ -z "$pkcs12" ] && { [ -n "$password_file" ] || [ -n "$timestamp_url" ]; }; then
    echo "bootwright-pack.sh: --sign-password-file and --timestamp-url need --sign-pkcs12" >&2
    exit 1
fi
if [ -n "$pkcs12" ]; then
    for file in "$pkcs12" ${password_file:+"$password_file"}; do
        [ -f "$file" ] || { echo "bootwright-pack.sh: not found: $file" >&2; exit 1; }
    done
    command -v osslsigncode >/dev/null || { echo "bootwright-pack.sh: signing needs osslsigncode" >&2; exit 1; }
fi

if [ -z "$pkcs12" ] || [ ${#files[@]} -eq 0 ]; then
    timeout -k 10 3600 /usr/lib/wine/wine64 "$pack" "${args[@]}" </dev/null
    exit $?
fi

# A setup to be signed is packaged and signed under temporary names beside the
# output, and only the verified, signed file is moved there: a failure at any
# step leaves no unsigned setup at the output path. One signature covers the
# program and its payload, which lives in the resources.
output=${files[${#files[@]}-1]}
folder=$(dirname "$output")
mkdir -p "$folder" || exit 1
work=$(mktemp -d)
unsigned=$(mktemp -p "$folder" --suffix=.exe ".$(basename "$output").XXXXXX") || exit 1
signed=${unsigned%.exe}.signed.exe
trap 'rm -rf "$work"; rm -f "$unsigned" "$signed"' EXIT
args[$output_index]=$(windows_path "$unsigned")
# The packager's lines name the output, not the temporary file.
output_windows=$(windows_path "$output")
timeout -k 10 3600 /usr/lib/wine/wine64 "$pack" "${args[@]}" </dev/null |
    while IFS= read -r line; do printf '%s\n' "${line//"${args[$output_index]}"/"$output_windows"}"; done
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || exit "$status"

password=(-pass "")
[ -z "$password_file" ] || password=(-readpass "$password_file")
timestamp=()
[ -z "$timestamp_url" ] || timestamp=(-ts "$timestamp_url")
if ! osslsigncode sign -pkcs12 "$pkcs12" "${password[@]}" -h sha256 "${timestamp[@]}" \
        -in "$unsigned" -out "$signed" >"$work/sign.out" 2>&1; then
    cat "$work/sign.out" >&2
    echo "bootwright-pack.sh: signing $output failed" >&2
    exit 1
fi
# Verified against the certificates the PKCS#12 file carries and the system's
# authorities: this proves the file is whole and signed by that certificate,
# not that Windows will trust it (a self-made certificate verifies too).
passin=pass:
[ -z "$password_file" ] || passin=file:$password_file
openssl pkcs12 -in "$pkcs12" -nokeys -passin "$passin" -out "$work/certificates.pem" 2>"$work/certificates.err" ||
    { cat "$work/certificates.err" >&2; exit 1; }
cat /etc/ssl/certs/ca-certificates.crt >>"$work/certificates.pem" 2>/dev/null
if ! osslsigncode verify -in "$signed" -CAfile "$work/certificates.pem" \
        -TSA-CAfile "$work/certificates.pem" >"$work/verify.out" 2>&1; then
    cat "$work/verify.out" >&2
    echo "bootwright-pack.sh: the signature of $output does not verify" >&2
    exit 1
fi
mv -f "$signed" "$output" || exit 1
echo "Signed $output"
