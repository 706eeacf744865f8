#!/usr/bin/env bash
# scripts/check-reproducible.sh [win32|win64]... - builds what ships (product files, demo
# package and the download, not the tests) of both Windows builds twice, from two copies of this
# tree in folders of different names and depths, the second under another locale and time zone,
# and fails unless every file is the same byte for byte and every program carries the commit's
# time stamp.
# Two full builds take about ten minutes on two cores: this is a command and a CI step of its own,
# not part of scripts/test.sh.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
pix_install_packages

kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(win32 win64)
for kind in "${kinds[@]}"; do
  case $kind in win32|win64) ;; *) echo "usage: $0 [win32|win64]..." >&2; exit 2 ;; esac
done

if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  epoch=$SOURCE_DATE_EPOCH
else
  epoch=$(git -C "$PIX_ROOT" log -1 --format=%ct) || {
    echo "No commit time: run this in a git checkout or set SOURCE_DATE_EPOCH" >&2; exit 2; }
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pix-repro.XXXXXX")
[ -n "${PIX_KEEP_REPRO:-}" ] || trap 'rm -rf "$work"' EXIT
first=$work/a/pixorama
second=$work/second-place/checkout/of/Pixorama-5

# The tree as it is on disk (uncommitted changes included), without .git and without out/: the
# copies name no commit, so the time stamp reaches them only through SOURCE_DATE_EPOCH.
copy_tree() {
  mkdir -p "$1"
  (cd "$PIX_ROOT" && git ls-files -z --cached --others --exclude-standard |
     while IFS= read -r -d '' f; do if [ -e "$f" ]; then printf '%s\0' "$f"; fi; done |
     tar --null -T - -cf -) | tar -xf - -C "$1"
}

# One copy's release targets. Only the configure step sees SOURCE_DATE_EPOCH: carrying it to the
# linker is the build's own job.
build_copy() {
  local root=$1; shift
  env -u SOURCE_DATE_EPOCH "$@" PIX_OUT="$root/out" bash -c '
    set -euo pipefail
    source "$1/scripts/common.sh"; epoch=$2; shift 2
    for kind in "$@"; do
      SOURCE_DATE_EPOCH=$epoch pix_configure "$kind"
      cmake --build "$PIX_OUT/build-$kind" -j "$(nproc)" --target download
    done' _ "$root" "$epoch" "${kinds[@]}"
}

echo "== reproducible build check: ${kinds[*]}, time stamp $epoch, in $work"
copy_tree "$first"
copy_tree "$second"
echo "== first build: $first"
build_copy "$first"
echo "== second build: $second (LC_ALL=C, TZ=Pacific/Kiritimati)"
build_copy "$second" LANG=C LC_ALL=C TZ=Pacific/Kiritimati
echo "== comparison"
/usr/bin/python3 "$PIX_ROOT/scripts/compare_builds.py" --epoch "$epoch" \
  $(printf -- '--kind %s ' "${kinds[@]}") "$first/out" "$second/out"
