#!/usr/bin/env bash
# scripts/make-test-cert.sh FOLDER - a throw-away certificate authority and a code-signing
# certificate issued by it, for the tests and for trying the release command: FOLDER/ca.crt (what
# `osslsigncode verify -CAfile` trusts), FOLDER/signing.p12 with its password in
# FOLDER/password.txt. Valid for two days; nothing Windows trusts.
set -euo pipefail
[ $# = 1 ] || { echo "usage: $0 FOLDER" >&2; exit 2; }
dir=$1
mkdir -p "$dir"
cd "$dir"
rm -f ca.key ca.crt ca.srl signing.key signing.csr signing.crt signing.p12 password.txt signing.ext
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 \
  -subj "/CN=Pixorama 5 throw-away test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signing.key -out signing.csr \
  -subj "/O=Corvanta Technology LLC/CN=Corvanta Technology LLC (throw-away)" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signing.ext
openssl x509 -req -in signing.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out signing.crt -days 2 \
  -extfile signing.ext 2>/dev/null
# A random password: the key is thrown away with the folder.
openssl rand -hex 16 >password.txt
openssl pkcs12 -export -out signing.p12 -inkey signing.key -in signing.crt -certfile ca.crt \
  -passout file:password.txt
rm -f ca.key signing.key signing.csr signing.ext ca.srl
echo "throw-away signing key in $dir (trust ca.crt to verify)"
