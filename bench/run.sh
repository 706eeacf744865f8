#!/usr/bin/env bash
# bench/run.sh - the benchmarks (never part of the test run). Builds what it needs, then measures
# in one throw-away Wine prefix, side by side and over several rounds: silent installation,
# reinstallation and uninstallation of a generated package against plain copy/delete loops (and
# a process start); the per-file calls of a copy over installed files; the instance list with 999
# ids; the time to the wizard's first page; the sizes of the shipped files, with setup.exe laid
# out by section, resource and object file.
# Then runs each libFuzzer target of the text rules for a bounded time. Writes bench/RESULTS.md.
# Smaller runs while developing: BENCH_FILES=200 BENCH_MB=15 BENCH_ROUNDS=1 BENCH_FUZZ_SECONDS=5
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
BENCH_FILES=${BENCH_FILES:-2000}
BENCH_MB=${BENCH_MB:-150}
BENCH_ROUNDS=${BENCH_ROUNDS:-3}
BENCH_GUI_ROUNDS=${BENCH_GUI_ROUNDS:-3}
BENCH_FUZZ_SECONDS=${BENCH_FUZZ_SECONDS:-20}
BENCH_RESULTS=${BENCH_RESULTS:-$PIX_ROOT/bench/RESULTS.md}
bin=$PIX_OUT/bench-bin
work=$PIX_OUT/bench-work
mkdir -p "$bin" "$work"
# Numbers taken under load are not comparable: the report states it, at the start and the end.
cat /proc/loadavg > "$work/load-start.txt"

pix_install_packages
echo "== build: win64 (measured), win32 (sizes)"
# A colleague's half-finished test must not stop the measurement: what the benchmark needs is
# built by name afterwards, and that must succeed.
pix_build win64 >/dev/null 2>&1 || echo "(full win64 build failed; building the measured targets only)"
cmake --build "$PIX_OUT/build-win64" -j "$(nproc)" --target setup Pixcap5 PixRes5 demo_package pixplatform pixframework pixtext \
  pixtestsupport UrlRecorder
pix_build win32 >/dev/null 2>&1 || echo "(full win32 build failed; building the shipped files only)"
cmake --build "$PIX_OUT/build-win32" -j "$(nproc)" --target setup PixRes5
# The same objects linked without link-time optimisation, with a linker map: which object file
# the bytes come from, before the link merges them.
cmake -G Ninja -S "$PIX_ROOT" -B "$PIX_OUT/build-win32-sizes" -DCMAKE_BUILD_TYPE=MinSizeRel \
  "-DPIX_OUT_DIR=$PIX_OUT/win32-sizes" "-DCMAKE_TOOLCHAIN_FILE=$PIX_ROOT/cmake/mingw-i686.cmake" \
  -DPIX_SIZE_ANALYSIS=ON >/dev/null
cmake --build "$PIX_OUT/build-win32-sizes" -j "$(nproc)" --target setup

echo "== bench programs"
b64=$PIX_OUT/build-win64
cxx=x86_64-w64-mingw32-g++-posix
flags=(-std=c++17 -O2 -static -Wall -Wextra -Werror -Wno-unused-parameter -I"$PIX_ROOT" -I"$PIX_ROOT/tests")
$cxx "${flags[@]}" "$PIX_ROOT/bench/BaselineOps.cpp" -o "$bin/BaselineOps.exe"
$cxx "${flags[@]}" "$PIX_ROOT/bench/BenchDriver.cpp" "$PIX_ROOT/tests/support/StageWatch.cpp" \
  "$b64/tests/support/libpixtestsupport.a" -luser32 -lgdi32 -o "$bin/BenchDriver.exe"
$cxx "${flags[@]}" -DSTRICT "$PIX_ROOT/bench/CallCosts.cpp" "$PIX_ROOT/tests/support/StageWatch.cpp" \
  "$PIX_ROOT/tests/support/TestGlobals.cpp" "$b64/tests/support/libpixtestsupport.a" \
  "$b64/platform/libpixplatform.a" "$b64/framework/libpixframework.a" "$b64/text/libpixtext.a" -lole32 -luuid \
  -lshell32 -lversion -lcomctl32 -lgdi32 -luser32 -ladvapi32 -o "$bin/CallCosts.exe"
$cxx "${flags[@]}" -DSTRICT "$PIX_ROOT/bench/InstanceListBench.cpp" "$PIX_ROOT/tests/support/TestGlobals.cpp" \
  "$b64/platform/libpixplatform.a" "$b64/framework/libpixframework.a" "$b64/text/libpixtext.a" -lole32 -luuid -lshell32 -lversion -lcomctl32 -lgdi32 -luser32 \
  -ladvapi32 -o "$bin/InstanceListBench.exe"

echo "== Wine prefix"
pix_wine_env
template=$PIX_WINE_ROOT/template
[ -f "$template/.ready" ] || "$PIX_ROOT/scripts/make-wine-template" "$template"
prefix=$work/prefix
rm -rf "$prefix"
cp -a "$template/." "$prefix/"
export WINEPREFIX=$prefix
drive=$prefix/drive_c/pixbench
mkdir -p "$drive"
cp "$bin/BaselineOps.exe" "$bin/BenchDriver.exe" "$bin/CallCosts.exe" "$bin/InstanceListBench.exe" "$drive/"

echo "== package: $BENCH_FILES files, about $BENCH_MB MB (fixed seed)"
/usr/bin/python3 "$PIX_ROOT/bench/make_package.py" "$drive/package" --setup "$PIX_OUT/win64/setup.exe" \
  --pixcap "$PIX_OUT/win64/Pixcap5.exe" --files "$BENCH_FILES" --total-mb "$BENCH_MB"

echo "== installation, reinstallation, uninstallation, first page ($BENCH_ROUNDS rounds)"
xvfb-run -a -s "-screen 0 1280x1024x24" "$PIX_WINE" 'C:\pixbench\BenchDriver.exe' 'C:\pixbench\package' \
  'C:\pixbench\BaselineOps.exe' "$BENCH_ROUNDS" "$BENCH_GUI_ROUNDS" 'C:\pixbench\timings.txt'
echo "== per-file calls of a copy over installed files ($BENCH_ROUNDS passes, the best counts)"
wineserver -k 2>/dev/null || true
"$PIX_WINE" 'C:\pixbench\CallCosts.exe' 'C:\pixbench\package\bench-files.txt' 'C:\pixbench\package' \
  'C:\pixbench\calls' "$BENCH_ROUNDS" | tr -d '\r' | tee "$work/calls.txt"
echo "== instance list"
# A display of its own: the driver's Xvfb is gone, and the prefix's desktop with it.
wineserver -k 2>/dev/null || true
xvfb-run -a "$PIX_WINE" 'C:\pixbench\InstanceListBench.exe' 20 | tr -d '\r' | tee "$work/instance.txt"
wineserver -k 2>/dev/null || true
cp "$drive/timings.txt" "$work/timings.txt"

echo "== fuzzers ($BENCH_FUZZ_SECONDS s each)"
text_sources=(text/PathText.cpp text/RunMode.cpp text/VersionText.cpp text/GroupName.cpp
              text/LogLine.cpp text/CommandQuote.cpp)
: > "$work/fuzz.txt"
for src in "$PIX_ROOT"/bench/fuzz/Fuzz*.cpp; do
  name=$(basename "$src" .cpp)
  mkdir -p "$work/fuzz/$name" "$work/fuzz/$name.corpus"
  (cd "$PIX_ROOT" && clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
     -I. "$src" "${text_sources[@]}" -o "$bin/$name")
  set +e
  "$bin/$name" -max_total_time="$BENCH_FUZZ_SECONDS" -artifact_prefix="$work/fuzz/$name/" \
    "$work/fuzz/$name.corpus" > "$work/fuzz/$name.log" 2>&1
  rc=$?
  set -e
  runs=$(grep -o 'Done [0-9]* runs' "$work/fuzz/$name.log" | grep -o '[0-9]*' || echo "?")
  echo "$name $rc $runs" | tee -a "$work/fuzz.txt"
done

echo "== sizes"
stat -c '%n %s' "$PIX_OUT/win32/setup.exe" "$PIX_OUT/win32/PixRes5.dll" | tee "$work/sizes.txt"
/usr/bin/python3 "$PIX_ROOT/bench/size_table.py" "$PIX_OUT/win32/setup.exe" "$PIX_OUT/win32-sizes/setup.map" \
  "$PIX_OUT/win32-sizes/setup.exe" > "$work/size-table.md"

/usr/bin/python3 "$PIX_ROOT/bench/report.py" "$work" "$BENCH_FILES" "$BENCH_MB" "$BENCH_ROUNDS" > "$BENCH_RESULTS"
cat "$BENCH_RESULTS"
