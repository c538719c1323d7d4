#!/usr/bin/env bash
# The main job: builds the plug-in and korvan-host, replays the bundled sample
# Korvan log through the plug-in and prints the statistics it returns.
# Extra arguments go to korvan-host (for example --html report.html).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh main >&2
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target Stats korvan-host >&2
workdir=build/sample-run
rm -rf "$workdir" && mkdir -p "$workdir"
build/native/tools/korvan-host/korvan-host score samples/korvan-sample.adi \
  --kda samples/kda.dom --workdir "$workdir" "$@"
