#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, ASan + UBSan) and runs
# each for the given number of seconds (default 60), or only the targets
# named after it:
#   bash tools/fuzz.sh [SECONDS] [TARGET...]
# The targets that write files work in a scratch folder of their own, so
# every path handed to them is absolute. Each target starts from its seeds in tests/fuzz/corpus/<target> and keeps
# what it learns in build/fuzz/corpus/<target>; an input that makes it fail
# lands in build/fuzz/findings/<target>/. Every run adds a line (time,
# target, seconds, executions, corpus size, result) to build/fuzz/record.txt.
# The exit code is nonzero when a target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
all=(adif_reader_fuzz cabrillo_reader_fuzz country_file_fuzz profile_fuzz sequence_fuzz)
targets=("$@")
((${#targets[@]})) || targets=("${all[@]}")

bash tools/install-deps.sh all
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${JOBS:-$(nproc)}" --target "${targets[@]}"

record=build/fuzz/record.txt
status=0
for target in "${targets[@]}"; do
  corpus=$PWD/build/fuzz/corpus/$target
  findings=$PWD/build/fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  log=build/fuzz/$target.log
  result=ok
  # -timeout: an input that takes 10 s is a finding too (a hang).
  build/fuzz/tests/fuzz/$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$PWD/tests/fuzz/corpus/$target" >"$log" 2>&1 \
    || { result=FINDING; status=1; }
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  size=$(find "$corpus" -type f | wc -l)
  line="$(date -u +%FT%TZ) $target ${seconds}s executions=${runs:-?} corpus=$size $result"
  echo "$line" | tee -a "$record"
  if [ "$result" != ok ]; then
    grep -E 'ERROR|fuzz check failed|SUMMARY|Test unit written' "$log" | head -n 20 || true
  fi
done
exit $status
