#!/usr/bin/env bash
# scripts/release.sh - from this checkout to what goes on the web page, in one command: builds the
# shipped i686 build, signs setup.exe and PixRes5.dll when a key is given, packs the package into
# the download dist/Pixorama5-<version>-setup.exe (scripts/make-download.sh), signs the download,
# and writes dist/SHA256SUMS and the winget manifests (dist/winget/).
#
#   scripts/release.sh [KEY] [--timestamp URL] [--url-base URL] [--dist FOLDER]
#   KEY: --pkcs12 FILE --password-file FILE       a key in a PKCS#12 file
#        --pkcs11-module LIBRARY --key URI ...    a key on a token (see scripts/sign.sh)
#        --throw-away-key                         a key made for the occasion (out/throw-away-key),
#                                                 to try the road; nothing Windows trusts
#        (none)                                   an unsigned download
#   --url-base: where the download will lie on the web (the manifest's InstallerUrl); the maker's
#   home page by default. --build win64 releases the test build instead, for the checks that run
#   the signed files under Wine (this machine runs no 32-bit programs).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

sign_args=() timestamp_args=()
throw_away=0 build=win32 dist=$PIX_ROOT/dist url_base=""
while [ $# -gt 0 ]; do
  case $1 in
    --pkcs12|--password-file|--pkcs11-module|--key|--certs|--pkcs11-cert|--pin-file|--pkcs11-engine)
      sign_args+=("$1" "${2:?$1 needs a value}"); shift 2 ;;
    --timestamp) timestamp_args+=("$1" "${2:?}"); shift 2 ;;
    --throw-away-key) throw_away=1; shift ;;
    --url-base) url_base=${2:?}; shift 2 ;;
    --dist) dist=${2:?}; shift 2 ;;
    --build) build=${2:?}; shift 2 ;;
    *) sed -n '7,15p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done
case $build in win32|win64) ;; *) echo "release.sh: --build is win32 or win64" >&2; exit 2 ;; esac
if [ $throw_away = 1 ]; then
  [ ${#sign_args[@]} = 0 ] || { echo "release.sh: --throw-away-key or a key, not both" >&2; exit 2; }
  "$PIX_ROOT/scripts/make-test-cert.sh" "$PIX_OUT/throw-away-key"
  sign_args=(--pkcs12 "$PIX_OUT/throw-away-key/signing.p12" --password-file "$PIX_OUT/throw-away-key/password.txt")
fi

pix_install_packages
echo "== build: $build"
pix_build "$build"

built=$PIX_OUT/$build
download=$(cd "$built/download" && ls Pixorama5-*-setup.exe)
version=${download#Pixorama5-}; version=${version%-setup.exe}
work=$PIX_OUT/release-$build
rm -rf "$work" "$dist/winget"
rm -f "$dist"/Pixorama5-*-setup.exe "$dist/SHA256SUMS"
mkdir -p "$work/package" "$dist"
cp "$built/package/"* "$work/package/"

sign() {
  [ ${#sign_args[@]} -gt 0 ] || return 0
  "$PIX_ROOT/scripts/sign.sh" "${sign_args[@]}" "${timestamp_args[@]}" "$@"
}
echo "== the package's programs"
sign "$work/package/setup.exe" "$work/package/PixRes5.dll"
echo "== the download: $download"
"$PIX_ROOT/scripts/make-download.sh" "$built/Pixorama5Stub.exe" "$work/package" "$dist/$download"
sign "$dist/$download"
(cd "$dist" && sha256sum "$download" >SHA256SUMS)

if [ -z "$url_base" ]; then
  url_base=$(sed -n 's/^#define PIX_MAKER_HOME_PAGE "\(.*\)"$/\1/p' "$PIX_ROOT/text/MakerAddresses.h")
fi
echo "== winget manifests"
folder=$(/usr/bin/python3 "$PIX_ROOT/scripts/winget_manifest.py" write "$dist/$download" "$version" \
  "${url_base%/}/$download" "$dist/winget")
/usr/bin/python3 "$PIX_ROOT/scripts/winget_manifest.py" check "$folder" "$dist/$download"

echo "== $dist"
(cd "$dist" && find . -type f | sort)
cat "$dist/SHA256SUMS"
if [ ${#sign_args[@]} = 0 ]; then
  echo "(unsigned: no key given)"
fi
