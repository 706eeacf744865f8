#!/usr/bin/env bash
# scripts/make-download.sh STUB PACKAGE-FOLDER OUTPUT - the download: the stub program with the
# package's files behind it in one cabinet (made by gcab, unpacked by Windows' own cabinet
# library). The build makes it from the demo package, the release command from the signed files.
# The same inputs give the same bytes: the files enter the cabinet in a fixed order with the
# stub's time stamp (the commit's) as their date, in UTC.
set -euo pipefail
[ $# = 3 ] || { echo "usage: $0 STUB PACKAGE-FOLDER OUTPUT" >&2; exit 2; }
stub=$1 package=$2 output=$3
command -v gcab >/dev/null || { echo "make-download: gcab is missing (scripts/common.sh: pix_install_packages)" >&2; exit 1; }

epoch=$(/usr/bin/python3 -c 'import struct, sys; d = open(sys.argv[1], "rb").read(4096)
pe = struct.unpack_from("<I", d, 0x3C)[0]; print(struct.unpack_from("<I", d, pe + 8)[0])' "$stub")

stage=$(mktemp -d "${TMPDIR:-/tmp}/pix-download.XXXXXX")
trap 'rm -rf "$stage"' EXIT
# Every file of the package but the build's own marker and the settings file: setup takes
# "Pixcap5.ini" only from beside the download, where a maker or an administrator puts it.
names=()
while IFS= read -r -d '' name; do
  case $name in .assembled|Pixcap5.ini) continue ;; esac
  cp "$package/$name" "$stage/$name"
  touch -d "@$epoch" "$stage/$name"
  names+=("$name")
done < <(cd "$package" && find . -maxdepth 1 -type f -printf '%f\0' | LC_ALL=C sort -z)
[ ${#names[@]} -gt 0 ] || { echo "make-download: no files in $package" >&2; exit 1; }

(cd "$stage" && TZ=UTC gcab --create --zip --nopath "$stage/.cab" "${names[@]}")
mkdir -p "$(dirname "$output")"
cat "$stub" "$stage/.cab" >"$output.part"
# A signature is appended at an 8-byte boundary, with zeros before it when the file ends
# elsewhere; ending there already, the file is the same with its signature taken out again.
size=$(stat -c %s "$output.part")
head -c $(( (8 - size % 8) % 8 )) /dev/zero >>"$output.part"
# The PE checksum covers the whole file, the cabinet too. The stub's own no longer holds once the
# cabinet follows it, and osslsigncode writes the whole file's when it signs and when it takes a
# signature out: written here, the build is what a signed download gives back without its
# signature, byte for byte.
/usr/bin/python3 - "$output.part" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
field = struct.unpack_from("<I", data, 0x3C)[0] + 24 + 64
struct.pack_into("<I", data, field, 0)
total = 0
for (word,) in struct.iter_unpack("<H", data + b"\0" * (len(data) % 2)):
    total += word
    total = (total & 0xFFFF) + (total >> 16)
struct.pack_into("<I", data, field, (total & 0xFFFF) + len(data))
open(path, "wb").write(data)
PY
mv "$output.part" "$output"
