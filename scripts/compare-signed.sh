#!/usr/bin/env bash
# scripts/compare-signed.sh DOWNLOAD [BUILD-FOLDER] - tells whether a signed download comes from
# this source: takes its signature out and compares the rest with a build of the same commit
# (out/win32 by default: build it first, see README, "Rebuilding and comparing").
#
# The download holds the package's programs signed too, so the comparison goes through it: the
# cabinet behind the stub is unpacked, each file loses its signature (when it has one) and must
# then be the build's package file byte for byte; and the stub with those files behind it,
# made again as the build makes the download, must be the download without its signature. The
# PE checksum is no exception: the build writes the whole file's, which osslsigncode writes too
# when it takes a signature out.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
[ $# -ge 1 ] && [ $# -le 2 ] || { echo "usage: $0 DOWNLOAD [BUILD-FOLDER]" >&2; exit 2; }
download=$1
built=${2:-$PIX_OUT/win32}
[ -f "$download" ] || { echo "compare-signed: no such file: $download" >&2; exit 2; }
[ -f "$built/Pixorama5Stub.exe" ] || { echo "compare-signed: no build in $built" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/pix-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
faults=0
fault() { echo "DIFFERS: $*"; faults=$((faults + 1)); }

# The signature out; an unsigned file is compared as it is.
unsign() {
  if osslsigncode remove-signature -in "$1" -out "$2" >"$work/unsign.log" 2>&1; then
    return 0
  fi
  cp "$1" "$2"
}

unsign "$download" "$work/download.exe"
stub_size=$(stat -c %s "$built/Pixorama5Stub.exe")
mkdir "$work/files" "$work/unsigned"
tail -c +$((stub_size + 1)) "$work/download.exe" >"$work/package.cab"
if ! gcab --extract --directory "$work/files" "$work/package.cab" >/dev/null 2>&1; then
  fault "no cabinet where the build's stub ends ($stub_size bytes)"
else
  for file in "$work/files"/*; do
    name=$(basename "$file")
    unsign "$file" "$work/unsigned/$name"
    if [ ! -f "$built/package/$name" ]; then
      fault "$name is no file of the build's package"
    elif cmp -s "$work/unsigned/$name" "$built/package/$name"; then
      echo "same: $name$(cmp -s "$file" "$work/unsigned/$name" || echo ' (signature taken out)')"
    else
      fault "$name"
    fi
  done
  for file in "$built/package"/*; do
    name=$(basename "$file")
    case $name in Pixcap5.ini) continue ;; esac  # never packed: it belongs beside the download
    [ -f "$work/files/$name" ] || fault "$name of the build's package is missing"
  done
  "$PIX_ROOT/scripts/make-download.sh" "$built/Pixorama5Stub.exe" "$work/files" "$work/remade.exe"
  if cmp -s "$work/remade.exe" "$work/download.exe"; then
    echo "same: the download without its signature, made again from the build's stub and these files"
  else
    fault "the download without its signature is not the build's stub with these files"
  fi
fi
if [ $faults = 0 ]; then
  echo "$download comes from the build in $built"
  exit 0
fi
echo "$download: $faults difference(s) from the build in $built"
exit 1
