#!/usr/bin/env bash
# Runs every test: the include direction between the layers, the text rules natively under
# AddressSanitizer and UndefinedBehaviorSanitizer, the generated art against its generators, then
# every test program of the x86_64 build under Wine (GUI tests under Xvfb). The i686 build is built
# too, so that a change that breaks the shipped product fails here.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
pix_install_packages

# Each step says how long it took, so that a slow run shows where its time went.
phase_start=$SECONDS
phase_name=""
phase() {
  [ -z "$phase_name" ] || echo "   ($phase_name: $((SECONDS - phase_start)) s)"
  phase_name=$1; phase_start=$SECONDS
  [ -z "$1" ] || echo "== $1"
}

phase "layers: includes point down"
"$PIX_ROOT/scripts/check-layers"

# A fresh booted prefix for this run, which each test program copies. It needs nothing that is
# built, so it boots while the builds run.
export PIX_WINE_TEMPLATE=$PIX_WINE_ROOT/template
rm -rf "$PIX_WINE_ROOT"
mkdir -p "$PIX_OUT"
"$PIX_ROOT/scripts/make-wine-template" "$PIX_WINE_TEMPLATE" >"$PIX_OUT/wine-template.log" 2>&1 &
template_job=$!

phase "build: native"
pix_build native
phase "build: win32"
pix_build win32
phase "build: win64"
pix_build win64

# Every program runs to the end; a failure is told at once (its output) and once more at the end,
# in one short list of the programs and cases that failed. Nothing is run again: a test that
# fails now and then has a fault to find, not a result to retry.
logs=$PIX_OUT/test-logs
mkdir -p "$logs"
status=0
run_ctest() {  # log name, build folder, ctest arguments...
  local log=$logs/$1.log; shift
  local dir=$1; shift
  local rc=0
  (cd "$dir" && "$@") 2>&1 | tee "$log" || rc=$?
  [ "$rc" = 0 ] || status=$rc
  summaries+=("$log")
}
summaries=()

phase "native tests (sanitizers)"
run_ctest native "$PIX_OUT/build-native" ctest --output-on-failure

phase "generated art"
art_failed=0
"$PIX_ROOT/scripts/check-art.sh" || { art_failed=1; status=1; }

phase "Wine prefix (rest of its boot)"
wait "$template_job" || { cat "$PIX_OUT/wine-template.log"; echo "== the Wine prefix did not boot"; exit 1; }
phase "Wine tests"
# Four at a time: the programs spend most of their time waiting on each other's windows and
# processes (at three, the Wine part took 151 s on two cores, at four 126 s). Each has its own
# prefix and its own display (scripts/wine-run).
run_ctest wine "$PIX_OUT/build-win64" ctest --output-on-failure -j4 --timeout 900 "$@"
phase ""
echo "   (all: $SECONDS s)"

if [ "$status" != 0 ]; then
  for log in "${summaries[@]}"; do "$PIX_ROOT/scripts/ctest-summary" "$log"; done
  [ "$art_failed" = 0 ] || echo "== failed: the committed art is not what its generators write"
fi
exit "$status"
