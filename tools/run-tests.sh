#!/usr/bin/env bash
# Builds every configuration and runs every test suite: unit tests (plain,
# ASan+UBSan), the libFuzzer targets for a short while, the window-thread
# and posting-thread tests under TSan, the end-to-end tests of the real Stats.dll under wine
# (x64, and x86 where this machine runs i386 programs), and the Windows
# release package.
set -euo pipefail
cd "$(dirname "$0")/.."

# Whether 32-bit programs run here decides whether wine32 is installed and
# whether the x86 runtime tests run or show as skipped (ctest's skip, with
# the reason). KORVAN_TEST_I386=no forces the skip path.
export KORVAN_I386
KORVAN_I386=$(bash tools/i386-probe.sh)
echo "i386 programs run on this machine: $KORVAN_I386"
bash tools/install-deps.sh all
jobs=$(nproc)
# The wine tests make and use their own prefix, build/native/wineprefix.
export WINEDEBUG=-all

# Each step's time and the total are printed, also when a step fails, and
# the tests that were skipped, with their reasons.
started=$SECONDS
step_name=""
step_started=$SECONDS
ctest_log=$(mktemp)
step_done() { if [ -n "$step_name" ]; then echo "=== $step_name: $((SECONDS - step_started)) s"; fi; }
step() { step_done; step_name="$*"; step_started=$SECONDS; echo; echo "=== $*"; }
summary() {
  step_done
  local skipped
  skipped=$(sed -n 's/.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*Skipped.*/\1/p' "$ctest_log" | sort -u)
  echo "=== skipped: $(printf '%s' "$skipped" | grep -c .) test(s)"
  if [ -n "$skipped" ]; then
    [ "$KORVAN_I386" != yes ] && echo "    why: the x86 runtime tests need i386 programs, and here: $KORVAN_I386"
    echo "$skipped" | sed 's/^/    /'
  fi
  echo "=== total: $((SECONDS - started)) s"
  rm -f "$ctest_log"
}
trap summary EXIT

step "Windows x64 and x86 builds"
cmake --preset win64 >/dev/null && cmake --build --preset win64 -j "$jobs"
cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs"

step "release package (tested under wine below)"
JOBS=$jobs bash tools/package.sh

step "native build and tests (with the wine end-to-end tests)"
cmake --preset native -DKORVAN_BUILD_TESTS=ON -DKORVAN_BUILD_BENCH=ON \
  -DKORVAN_WIN64_BUILD_DIR="$PWD/build/win64" -DKORVAN_WIN32_BUILD_DIR="$PWD/build/win32" \
  -DKORVAN_I386="$KORVAN_I386" >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs" 2>&1 | tee -a "$ctest_log"

step "unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset sanitize -DKORVAN_BUILD_TESTS=ON >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs" -LE e2e 2>&1 | tee -a "$ctest_log"

step "fuzz targets, 25 s each (clang, ASan + UBSan)"
JOBS=$jobs bash tools/fuzz.sh 25

step "window-thread and posting-thread tests under ThreadSanitizer"
cmake --preset tsan -DKORVAN_BUILD_TESTS=ON >/dev/null
cmake --build --preset tsan -j "$jobs" --target threads_tests windows_tests scoreboard_tests Stats load_cycles
TSAN_OPTIONS="halt_on_error=1" build/tsan/tests/unit/threads/threads_tests
TSAN_OPTIONS="halt_on_error=1" build/tsan/tests/unit/windows/windows_tests
TSAN_OPTIONS="halt_on_error=1" build/tsan/tests/unit/scoreboard/scoreboard_tests
# 20 cycles of load, reset (the panel opens), 50 QSOs, statistics and
# unload while the window thread runs, in a folder of their own.
root=$PWD cycles_folder=$(mktemp -d)
mkdir -p "$cycles_folder/Plugins"
(cd "$cycles_folder" && TSAN_OPTIONS="halt_on_error=1" "$root/build/tsan/tests/e2e/load-cycles" \
  "$root/build/tsan/src/plugin/libStats.so" 20)
rm -rf "$cycles_folder"
