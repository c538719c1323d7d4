#!/usr/bin/env bash
# Runs the wine end-to-end suite again and again under a CPU load of twice
# the core count (busy loops), to show that its waits hold on a loaded
# machine. Stops at the first failing run.
#   bash tools/e2e-under-load.sh [RUNS] [BUILD_DIR]
# RUNS defaults to 20, BUILD_DIR to build/native, which must hold a full
# build of the test command (the Windows builds and the dist zip included).
# The x86 tests are left out when this machine cannot run i386 programs.
# Each run's ctest output goes to BUILD_DIR/e2e-under-load/run-N.log and a
# line per run (exit code, seconds, load average, ctest's summary) to
# BUILD_DIR/e2e-under-load/record.txt. Exit code: 0 when every run passed.
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
build=$(realpath "${2:-build/native}")
[[ -f $build/CTestTestfile.cmake ]] || { echo "no test build in $build" >&2; exit 2; }
out=$build/e2e-under-load
mkdir -p "$out"
record=$out/record.txt

exclude=()
[[ $(bash tools/i386-probe.sh 2>/dev/null) == yes ]] || exclude=(-E '_x86$')

loops=$((2 * $(nproc)))
busy=()
for ((i = 0; i < loops; i++)); do (while :; do :; done) & busy+=($!); done
trap 'kill "${busy[@]}" 2>/dev/null' EXIT

source_dir=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
echo "start $(date -u +%FT%TZ): $loops busy loops on $(nproc) cores," \
     "built from $(git -C "$source_dir" rev-parse --short HEAD 2>/dev/null)" | tee -a "$record"
status=0
for ((run = 1; run <= runs; run++)); do
  start=$(date +%s)
  (cd "$build" && ctest -L e2e "${exclude[@]}" -j2 --output-on-failure) \
    > "$out/run-$run.log" 2>&1
  rc=$?
  summary=$(grep -E 'tests passed|tests failed' "$out/run-$run.log" | tail -1)
  echo "run $run/$runs: exit $rc, $(( $(date +%s) - start )) s," \
       "load $(cut -d' ' -f1 /proc/loadavg), $summary" | tee -a "$record"
  if ((rc != 0)); then status=1; break; fi
done
echo "end $(date -u +%FT%TZ)" | tee -a "$record"
exit $status
