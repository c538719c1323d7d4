#!/usr/bin/env bash
# Builds every configuration and runs every test suite: unit tests (plain,
# ASan+UBSan), the window-thread tests under TSan, the end-to-end tests
# of the real Stats.dll under wine, and the Windows release package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)
# The wine tests make and use their own prefix, build/native/wineprefix.
export WINEDEBUG=-all

# Each step's time and the total are printed, also when a step fails.
started=$SECONDS
step_name=""
step_started=$SECONDS
step_done() { if [ -n "$step_name" ]; then echo "=== $step_name: $((SECONDS - step_started)) s"; fi; }
step() { step_done; step_name="$*"; step_started=$SECONDS; echo; echo "=== $*"; }
trap 'step_done; echo "=== total: $((SECONDS - started)) s"' EXIT

step "Windows x64 and x86 builds"
cmake --preset win64 >/dev/null && cmake --build --preset win64 -j "$jobs"
cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs"

step "release package (tested under wine below)"
JOBS=$jobs bash tools/package.sh

step "native build and tests (with the wine end-to-end tests)"
cmake --preset native -DKORVAN_WIN64_BUILD_DIR="$PWD/build/win64" -DKORVAN_WIN32_BUILD_DIR="$PWD/build/win32" >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

step "unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs" -LE e2e

step "window-thread tests under ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target threads_tests
TSAN_OPTIONS="halt_on_error=1" build/tsan/tests/unit/threads/threads_tests
