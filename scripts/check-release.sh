#!/usr/bin/env bash
# scripts/check-release.sh - the release road with a throw-away key. On the shipped i686 build:
# the signed files verify against the throw-away authority and a changed byte breaks that; a wrong
# password fails clearly and changes nothing; the signatures taken out, the download is the
# build's byte for byte, and a download with one changed package file is told apart; the winget
# manifests pass their check (in scripts/release.sh, which shows their version and exit-code
# mapping), and the check fails manifests that lose either. On the x86_64 build, which Wine runs: the
# signed download installs and its installation uninstalls silently (the download cases of the
# library-loading test, run on the signed download). A CI step after scripts/test.sh, whose
# builds and Wine prefix it reuses.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

start=$SECONDS
dist=$PIX_OUT/release-check
work=$PIX_OUT/release-check-work
rm -rf "$work"
mkdir -p "$work"
faults=0
pass() { echo "ok: $*"; }
fault() { echo "FAIL: $*"; faults=$((faults + 1)); }

echo "== release with a throw-away key (win32, shipped)"
"$PIX_ROOT/scripts/release.sh" --throw-away-key --dist "$dist"
key=$PIX_OUT/throw-away-key
download=$(ls "$dist"/Pixorama5-*-setup.exe)
signed_package=$PIX_OUT/release-win32/package

echo "== signatures"
for file in "$download" "$signed_package/setup.exe" "$signed_package/PixRes5.dll"; do
  if osslsigncode verify -CAfile "$key/ca.crt" -in "$file" >"$work/verify.log" 2>&1; then
    pass "$(basename "$file") verifies against the throw-away authority"
  else
    cat "$work/verify.log"; fault "$(basename "$file") does not verify"
  fi
done
cp "$download" "$work/changed.exe"
printf 'X' | dd of="$work/changed.exe" bs=1 seek=$(( $(stat -c %s "$download") / 2 )) conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile "$key/ca.crt" -in "$work/changed.exe" >/dev/null 2>&1; then
  fault "a download with a changed byte still verifies"
else
  pass "a changed byte breaks the signature"
fi
(cd "$dist" && sha256sum --check --quiet SHA256SUMS) && pass "SHA256SUMS holds" || fault "SHA256SUMS does not hold"

echo "== the winget manifests"
# The release printed the mapping with the check; here the check must catch a manifest that
# loses the version mapping or tells exit code 1 as the person's choice alone.
manifests=$(dirname "$(ls "$dist"/winget/manifests/c/Corvanta/Pixorama5/*/Corvanta.Pixorama5.installer.yaml)")
for change in '/DisplayVersion:/d' '0,/ReturnResponse: custom/s//ReturnResponse: cancelledByUser/'; do
  rm -rf "$work/winget"; cp -r "$manifests" "$work/winget"
  sed -i "$change" "$work/winget/Corvanta.Pixorama5.installer.yaml"
  if /usr/bin/python3 "$PIX_ROOT/scripts/winget_manifest.py" check "$work/winget" "$download" >"$work/winget.log"; then
    fault "the winget check passes a manifest changed by '$change'"
  elif grep -q "^FAIL .*\(AppsAndFeaturesEntries\|ExpectedReturnCodes\)" "$work/winget.log"; then
    pass "the winget check fails a manifest changed by '$change'"
  else
    cat "$work/winget.log"; fault "the winget check fails '$change' for another reason"
  fi
done

echo "== a wrong password"
cp "$PIX_OUT/win32/setup.exe" "$work/setup.exe"
echo "not-the-password" >"$work/wrong-password.txt"
if "$PIX_ROOT/scripts/sign.sh" --pkcs12 "$key/signing.p12" --password-file "$work/wrong-password.txt" \
     "$work/setup.exe" >"$work/wrong.log" 2>&1; then
  fault "signing with a wrong password succeeded"
elif ! grep -q "does not open the key" "$work/wrong.log"; then
  cat "$work/wrong.log"; fault "a wrong password is not named as the cause"
elif grep -qF -e "not-the-password" -e "$(cat "$key/password.txt")" "$work/wrong.log"; then
  fault "sign.sh printed a password"
elif ! cmp -s "$work/setup.exe" "$PIX_OUT/win32/setup.exe"; then
  fault "a failed signing changed the program"
else
  pass "a wrong password fails clearly, shows no password and leaves the program as it was"
fi

echo "== the signed download against the build"
if "$PIX_ROOT/scripts/compare-signed.sh" "$download" "$PIX_OUT/win32"; then
  pass "without its signatures the download is the build's"
else
  fault "the signed download differs from the build"
fi
# One package file other than the build's, signed as a release would be: told apart.
mkdir "$work/package"
cp "$signed_package"/* "$work/package/"
echo "changed" >>"$work/package/readme.txt"
"$PIX_ROOT/scripts/make-download.sh" "$PIX_OUT/win32/Pixorama5Stub.exe" "$work/package" "$work/other.exe"
"$PIX_ROOT/scripts/sign.sh" --pkcs12 "$key/signing.p12" --password-file "$key/password.txt" "$work/other.exe" >/dev/null
if "$PIX_ROOT/scripts/compare-signed.sh" "$work/other.exe" "$PIX_OUT/win32" >"$work/other.log"; then
  fault "a download with a changed readme.txt passes for the build's"
elif grep -q "DIFFERS: readme.txt" "$work/other.log"; then
  pass "a download with a changed readme.txt is told apart"
else
  cat "$work/other.log"; fault "the changed download fails for another reason than readme.txt"
fi

echo "== the signed download under Wine (win64, same road)"
# The test build keeps its symbol table, so its programs do not end at an 8-byte boundary and
# osslsigncode pads them before the signature: they are not compared, only run.
"$PIX_ROOT/scripts/release.sh" --throw-away-key --build win64 --dist "$dist-win64" >"$work/release-win64.log" 2>&1 ||
  { cat "$work/release-win64.log"; fault "the win64 release"; }
download=$(ls "$dist-win64"/Pixorama5-*-setup.exe)
export PIX_WINE_TEMPLATE=${PIX_WINE_TEMPLATE:-$PIX_WINE_ROOT/template}
export PIX_DOWNLOAD="Z:$(echo "$download" | tr / '\\')"
if "$PIX_ROOT/scripts/wine-run" "$PIX_OUT/win64/tests/library_loading_test.exe" \
     --gtest_filter='*Download*' --gtest_color=no >"$work/wine.log" 2>&1; then
  grep -E '^\[ +(OK|PASSED) ' "$work/wine.log"
  pass "the signed download installs and uninstalls silently; damaged, it ends with 1"
else
  cat "$work/wine.log"; fault "the signed download under Wine"
fi

echo "== release check: $faults fault(s), $((SECONDS - start)) s"
[ $faults = 0 ]
