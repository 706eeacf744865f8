#!/usr/bin/env bash
# scripts/sign.sh - signs Windows programs in place with Authenticode (SHA-256) through osslsigncode.
#
#   scripts/sign.sh --pkcs12 FILE --password-file FILE [--timestamp URL] PROGRAM...
#   scripts/sign.sh --pkcs11-module LIBRARY --key PKCS11-URI (--certs FILE | --pkcs11-cert URI)
#                   [--pin-file FILE] [--pkcs11-engine ENGINE] [--timestamp URL] PROGRAM...
#
# A code-signing key lives in hardware under today's certificate rules: the PKCS#11 form reaches it
# through the token's library. The password or PIN is read from its file by osslsigncode itself and
# never appears on a command line or in the output. --timestamp names an RFC 3161 server, so
# that the signature outlives the certificate. A program is signed completely or left as it was.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

usage() { sed -n '4,6p' "${BASH_SOURCE[0]}" | sed 's/^# *//' >&2; exit 2; }
fail() { echo "sign.sh: $*" >&2; exit 1; }

key_args=() timestamp_args=() programs=()
pkcs12="" password_file="" module="" key="" certs="" token_cert="" pin_file="" engine=""
while [ $# -gt 0 ]; do
  case $1 in
    --pkcs12) pkcs12=${2:?}; shift 2 ;;
    --password-file) password_file=${2:?}; shift 2 ;;
    --pkcs11-module) module=${2:?}; shift 2 ;;
    --key) key=${2:?}; shift 2 ;;
    --certs) certs=${2:?}; shift 2 ;;
    --pkcs11-cert) token_cert=${2:?}; shift 2 ;;
    --pin-file) pin_file=${2:?}; shift 2 ;;
    --pkcs11-engine) engine=${2:?}; shift 2 ;;
    --timestamp) timestamp_args+=(-ts "${2:?}"); shift 2 ;;
    -h|--help) usage ;;
    -*) echo "sign.sh: unknown option $1" >&2; usage ;;
    *) programs+=("$1"); shift ;;
  esac
done
[ ${#programs[@]} -gt 0 ] || usage
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (scripts/common.sh: pix_install_packages)"

if [ -n "$pkcs12" ]; then
  [ -z "$module" ] || fail "give either --pkcs12 or --pkcs11-module, not both"
  [ -n "$password_file" ] || fail "--pkcs12 needs --password-file"
  [ -r "$pkcs12" ] || fail "cannot read the PKCS#12 file $pkcs12"
  [ -r "$password_file" ] || fail "cannot read the password file $password_file"
  key_args=(-pkcs12 "$pkcs12" -readpass "$password_file")
elif [ -n "$module" ]; then
  [ -n "$key" ] || fail "--pkcs11-module needs --key (the key's PKCS#11 URI)"
  [ -n "$certs$token_cert" ] || fail "--pkcs11-module needs --certs FILE or --pkcs11-cert URI"
  key_args=(-pkcs11module "$module" -key "$key")
  [ -z "$engine" ] || key_args=(-pkcs11engine "$engine" "${key_args[@]}")
  if [ -n "$certs" ]; then key_args+=(-certs "$certs"); else key_args+=(-pkcs11cert "$token_cert"); fi
  if [ -n "$pin_file" ]; then
    [ -r "$pin_file" ] || fail "cannot read the PIN file $pin_file"
    key_args+=(-readpass "$pin_file")
  fi
else
  usage
fi

# What Windows shows as the signed program's name and the publisher's address (the elevation
# prompt among others).
home_page=$(sed -n 's/^#define PIX_MAKER_HOME_PAGE "\(.*\)"$/\1/p' "$PIX_ROOT/text/MakerAddresses.h")
for program in "${programs[@]}"; do
  [ -f "$program" ] || fail "no such program: $program"
  signing=$program.signing
  rm -f "$signing"
  if ! log=$(osslsigncode sign "${key_args[@]}" -h sha256 -n "Pixorama 5" -i "$home_page" \
               "${timestamp_args[@]}" -in "$program" -out "$signing" 2>&1); then
    rm -f "$signing"
    # osslsigncode's own words, without its lines of library internals.
    echo "$log" | grep -v '^[0-9A-F]\{8,\}:error:' | sed 's/^/  /' >&2
    case $log in
      *"Wrong password"*|*"mac verify failure"*|*"PIN"*)
        fail "$program was not signed: the password or PIN does not open the key" ;;
      *) fail "$program was not signed" ;;
    esac
  fi
  mv "$signing" "$program"
  echo "signed $program"
done
