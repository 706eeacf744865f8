#!/usr/bin/env bash
# scripts/check-art.sh - the committed images, icons, cursors, sound and binary tables are exactly
# what their generators write, under two different hash seeds and from another working folder:
# a drawing changed without regenerating, a file edited by hand or a generator whose output
# depends on set order or on where it runs all fail here. A few seconds; part of scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/pix-art.XXXXXX")
trap 'rm -rf "$work"' EXIT

failed=0
# generator, folder of its committed output
for pair in "setup_resources/art/make_art.py setup_resources/art" \
            "resource_library/make_art.py resource_library/art"; do
  read -r generator committed <<<"$pair"
  for seed in 0 4242; do
    out=$work/$seed/$committed
    (cd "$work" && PYTHONHASHSEED=$seed /usr/bin/python3 "$root/$generator" "$out")
    if ! diff -rq -x make_art.py -x __pycache__ "$root/$committed" "$out"; then
      echo "FAILED: $committed is not what $generator writes (hash seed $seed)"
      failed=1
    fi
  done
done
[ $failed = 0 ] && echo "generated art: the committed files are what the generators write"
exit $failed
