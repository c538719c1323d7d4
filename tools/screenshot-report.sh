#!/usr/bin/env bash
# Renders the HTML statistics of a sample contest and takes a screenshot of
# it in headless Chromium: docs/report-screenshot.png.
#
#   tools/screenshot-report.sh [BUILD_FOLDER]
#
# BUILD_FOLDER (default build/screenshot) is configured without sanitizers
# if needed; only its stats_core library is built. The sample contest is
# filled into the contest state directly, so nothing but the statistics and
# their rendering takes part.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/screenshot}
out=$root/docs/report-screenshot.png

command -v chromium >/dev/null || apt-get install -y chromium
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVAN_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target stats_core -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/sample.cpp" <<'EOF'
// A sample contest of 160 QSOs on five bands, rendered as HTML.
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>

#include "engine/contest_state.h"
#include "report/statistics_report.h"

int main() {
    const char* bands[] = {"20m", "40m", "80m", "15m", "10m"};
    const char* prefixes[] = {"UA", "UA9", "UN", "DL", "SP", "OK", "YL", "ES", "K", "JA", "UR", "EU", "OH", "SM"};
    const char* continents[] = {"EU", "AS", "AS", "EU", "EU", "EU", "EU", "EU", "NA", "AS", "EU", "EU", "EU", "EU"};
    const char* kda[] = {"A01", "B07", "C03", "F12", "G02", "I09", "J15", "K04", "L18", "M06", "N11", "P02", "Q17", "Z03"};
    {
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& state = contestState();
        state.ownCall = "UA3TEST";
        state.ownPrefix = "UA";
        state.ownContinent = "EU";
        state.contestDate = "18.03.2017";
        state.badQsoFileName = "BadQSO_StatsKORVAN_18_03_2017.txt";
        const COleDateTime start = COleDateTime::fromParts(2017, 3, 18, 6, 0);
        for (int i = 0; i < 160; ++i) {
            CInfo q;
            const int p = (i * 7 + i / 5) % 14;
            q.band = bands[(i / 12) % 5];
            q.call = std::string(prefixes[p]) + std::to_string(1 + i % 9) + static_cast<char>('A' + i % 26) +
                     static_cast<char>('A' + (i * 3) % 26);
            q.prefix = prefixes[p];
            q.continent = continents[p];
            q.mode = i % 3 == 0 ? "SSB" : "CW";
            if (q.prefix == "UN") q.kdaCode = kda[(i / 3) % 14];
            q.dupe = i % 37 == 36;
            q.badCode = i % 53 == 52 && q.prefix == "UN";
            q.invalid = q.dupe || q.badCode;
            if (q.badCode) q.kdaCode.clear();
            q.qsoTime = start;
            q.qsoTime.m_dt += i * 2.0 / 1440.0;
            state.qsoList.push_back(q);
            bool known = false;
            for (const std::string& band : state.workedBands) known = known || band == q.band;
            if (!known) state.workedBands.push_back(q.band);
        }
    }
    std::ofstream("BadQSO_StatsKORVAN_18_03_2017.txt", std::ios::binary)
        << "KORVAN CONTEST UBN file \r\n"
           "QSO:  1830  CW  2017-03-18 0612  UA3TEST  599  007  G4ABC  599  013   WRONG BAND !!!\r\n"
           "QSO:  14025  CW  2017-03-18 0714  UA3TEST  599  037  UA4ABC  599  036   DUPE !!!\r\n";
    extendedOutput = 1;
    std::ofstream("report.html", std::ios::binary) << computeAndRenderResult();
    return 0;
}
EOF
g++ -std=c++20 -O1 -I src "$work/sample.cpp" "$build/src/libstats_core.a" -lpthread -o "$work/sample"
mkdir -p "$work/run/Plugins"
(cd "$work/run" && "$work/sample")

chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --hide-scrollbars --user-data-dir="$work/profile" \
  --screenshot="$out" --window-size=900,500 "file://$work/run/report.html" 2>/dev/null
echo "wrote $out"
