// Benchmarks of the host's calls at 1,000, 10,000 and 100,000 stored QSOs
// with a 50,000-line kda.dom: the plug-in through its exported functions
// (Plugin/...) and the straightforward linear algorithm (Linear/...) on the
// same log. Per-call benchmarks that change the log (AddData0, RemoveData0)
// run a fixed number of calls on a log of the stated size, so the size
// stays close to it. Memory/... reports the heap bytes per stored QSO.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "bench_data.h"
#include "engine/bad_qso_file.h"
#include "engine/contest_state.h"
#include "engine/qso_index.h"
#include "export_calls.h"
#include "linear_engine.h"
#include "engine/qso_search.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "report/statistics.h"

using namespace korvan;

namespace {

constexpr int kAddedPerRun = 1000;
// The plug-in's AddData0 runs are repeated this often from the same log.
constexpr int kAddRounds = 20;
constexpr int kRemovedPerRun = 200;

void resetPlugin() {
    // "Start" = "1" keeps the window thread from starting.
    platform::writeProfileString(settingsFile, settingsSection, "Start", "1");
    exports::resetStats(bench::resetArguments());
}

// The plug-in after a reset and the first `count` QSOs of the log.
void fillPlugin(std::size_t count) {
    resetPlugin();
    const auto& log = bench::contestLog();
    for (std::size_t i = 0; i < count; ++i) exports::addData(log[i]);
}

// The baseline with the same stored QSOs (taken over from the plug-in,
// which gets there much faster) and a bad-QSO file of its own.
void fillLinear(linear::Engine& engine, std::size_t count) {
    fillPlugin(count);
    engine.reset(bench::resetArguments());
    std::lock_guard<std::mutex> guard(stateLock());
    engine.adopt(contestState());
}

std::size_t storedCount() {
    std::lock_guard<std::mutex> guard(stateLock());
    return contestState().qsoList.size();
}

// Call checks as typed: a third of stored stations (on their band and mode
// or another one), a third of directory stations, a third of unknown ones.
std::vector<QsoArguments> probes(std::size_t stored) {
    const auto& log = bench::contestLog();
    std::mt19937 random(99);
    std::vector<QsoArguments> result;
    for (int i = 0; i < 4096; ++i) {
        QsoArguments q = log[random() % stored];
        if (i % 3 == 1) q.call = bench::directoryCall(random() % bench::kDirectoryLines);
        if (i % 3 == 2) q.call = "N" + std::to_string(random() % 100000) + "XYZ";
        if (random() % 2) q.band = (q.band == "20m") ? "40m" : "20m";
        result.push_back(q);
    }
    return result;
}

// Whether a line of the bad-QSO file describes the QSO, so that its removal
// rewrites the file.
bool hasBadLine(const std::vector<std::string>& badLines, const QsoArguments& q) {
    const std::string dateText = q.time.Format("%Y-%m-%d %H%M");
    return std::any_of(badLines.begin(), badLines.end(),
                       [&](const std::string& line) { return badqso::describesQso(line, q.call, dateText); });
}

// Stored QSOs at random positions, each to be removed once: any of them,
// or only those without a line in the bad-QSO file.
std::vector<QsoArguments> storedQsosToRemove(int count, bool withoutBadLines = false) {
    std::vector<std::string> badLines;
    platform::readAllLines(contestState().badQsoFileName, badLines);
    std::lock_guard<std::mutex> guard(stateLock());
    const QsoList& stored = contestState().qsoList;
    std::mt19937 random(5);
    std::vector<std::size_t> positions;
    std::vector<QsoArguments> result;
    while (result.size() < static_cast<std::size_t>(count)) {
        const std::size_t position = random() % stored.size();
        if (std::find(positions.begin(), positions.end(), position) != positions.end()) continue;
        positions.push_back(position);
        QsoArguments q;
        q.call = stored[position].call;
        q.band = stored[position].band;
        q.mode = stored[position].mode;
        q.time = stored[position].qsoTime;
        if (withoutBadLines && hasBadLine(badLines, q)) continue;
        result.push_back(q);
    }
    return result;
}

// --- the plug-in ---

// Rounds of kAddedPerRun new QSOs on a log of the stated size; between
// rounds (untimed) the added QSOs are taken off the end of the list again,
// so every round starts from the same log (the bad-QSO file keeps growing).
void Plugin_AddData0(benchmark::State& state) {
    const auto& log = bench::contestLog();
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    const std::size_t stored = storedCount();
    std::size_t added = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(exports::addData(log[bench::kLargestLog + added]));
        if (++added == kAddedPerRun) {
            state.PauseTiming();
            std::lock_guard<std::mutex> guard(stateLock());
            ContestState& contest = contestState();
            while (contest.qsoList.size() > stored) eraseQso(contest, contest.qsoList.size() - 1);
            added = 0;
            state.ResumeTiming();
        }
    }
}

void Plugin_CheckCallFunc0(benchmark::State& state) {
    const auto stored = static_cast<std::size_t>(state.range(0));
    fillPlugin(stored);
    const std::vector<QsoArguments> typed = probes(stored);
    char out[100];
    // Timed from a steady state, not from the caches the filling left.
    for (const QsoArguments& q : typed) exports::checkCall(q.call, q.mode, q.band, out);
    std::size_t i = 0;
    for (auto _ : state) {
        const QsoArguments& q = typed[i++ % typed.size()];
        benchmark::DoNotOptimize(exports::checkCall(q.call, q.mode, q.band, out));
    }
}

// Requests with nothing changed in between (the host's summary refreshes),
// as text and, with extended output, as HTML.
void Plugin_GetResult0(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    int status = 0;
    for (auto _ : state) benchmark::DoNotOptimize(GetResult0(&status));
}

void Plugin_GetResult0Html(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    setVersion("");
    int status = 0;
    for (auto _ : state) benchmark::DoNotOptimize(GetResult0(&status));
    extendedOutput = 0;
}

// A text request right after each new QSO (untimed AddData0), so the score
// and the bad-QSO file change between requests as in a running contest; the
// added QSOs come off the list again after each round, untimed.
void Plugin_GetResult0AfterAdd(benchmark::State& state) {
    const auto& log = bench::contestLog();
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    const std::size_t stored = storedCount();
    std::size_t added = 0;
    int status = 0;
    for (auto _ : state) {
        state.PauseTiming();
        exports::addData(log[bench::kLargestLog + added]);
        if (++added == kAddedPerRun) {
            std::lock_guard<std::mutex> guard(stateLock());
            ContestState& contest = contestState();
            while (contest.qsoList.size() > stored) eraseQso(contest, contest.qsoList.size() - 1);
            added = 0;
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(GetResult0(&status));
    }
}

void Plugin_RemoveData0(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    const std::vector<QsoArguments> removed = storedQsosToRemove(kRemovedPerRun);
    std::vector<std::string> badLines;
    platform::readAllLines(contestState().badQsoFileName, badLines);
    state.counters["with_bad_lines"] = static_cast<double>(
        std::count_if(removed.begin(), removed.end(), [&](const QsoArguments& q) { return hasBadLine(badLines, q); }));
    std::size_t i = 0;
    for (auto _ : state) exports::removeData(removed[i++]);
    state.counters["stored_after"] = static_cast<double>(storedCount());
}

// The same for QSOs without a line in the bad-QSO file (most removals),
// after one removal that rewrote the file since the reset.
void Plugin_RemoveData0WithoutBadLines(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    const std::vector<QsoArguments> removed = storedQsosToRemove(kRemovedPerRun + 1, true);
    exports::removeData(removed.back());
    std::size_t i = 0;
    for (auto _ : state) exports::removeData(removed[i++]);
}

void Plugin_Replay(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto& log = bench::contestLog();
    int status = 0;
    for (auto _ : state) {
        resetPlugin();
        for (std::size_t i = 0; i < count; ++i) exports::addData(log[i]);
        benchmark::DoNotOptimize(GetResult0(&status));
    }
}

// --- the linear baseline ---

void Linear_AddData0(benchmark::State& state) {
    linear::Engine engine;
    fillLinear(engine, static_cast<std::size_t>(state.range(0)));
    const auto& log = bench::contestLog();
    std::size_t next = bench::kLargestLog;
    for (auto _ : state) benchmark::DoNotOptimize(engine.add(log[next++]));
}

void Linear_CheckCallFunc0(benchmark::State& state) {
    const auto stored = static_cast<std::size_t>(state.range(0));
    linear::Engine engine;
    fillLinear(engine, stored);
    const std::vector<QsoArguments> typed = probes(stored);
    char out[100];
    std::size_t i = 0;
    for (auto _ : state) {
        const QsoArguments& q = typed[i++ % typed.size()];
        benchmark::DoNotOptimize(engine.checkCall(q.call, q.mode, q.band, out));
    }
}

// GetResult0 also publishes the score in the settings file.
std::string linearGetResult0(linear::Engine& engine) {
    std::string text = engine.result(false);
    platform::writeProfileString(settingsFile, settingsSection, "Claimed", std::to_string(engine.claimedScore));
    return text;
}

void Linear_GetResult0(benchmark::State& state) {
    linear::Engine engine;
    fillLinear(engine, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(linearGetResult0(engine));
}

void Linear_RemoveData0(benchmark::State& state) {
    linear::Engine engine;
    fillLinear(engine, static_cast<std::size_t>(state.range(0)));
    const std::vector<QsoArguments> removed = storedQsosToRemove(kRemovedPerRun);
    std::size_t i = 0;
    for (auto _ : state) engine.remove(removed[i++]);
}

void Linear_Replay(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto& log = bench::contestLog();
    linear::Engine engine;
    for (auto _ : state) {
        engine.reset(bench::resetArguments());
        for (std::size_t i = 0; i < count; ++i) engine.add(log[i]);
        benchmark::DoNotOptimize(linearGetResult0(engine));
    }
}

// --- parts of the plug-in's calls ---

// The statistics pass of GetResult0 alone (under the lock, as it runs).
void Part_Statistics(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    std::lock_guard<std::mutex> guard(stateLock());
    for (auto _ : state) benchmark::DoNotOptimize(report::computeStatistics(contestState()));
}

// The bad-QSO file read of GetResult0 alone.
void Part_BadLineCount(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    const std::string fileName = contestState().badQsoFileName;
    for (auto _ : state) benchmark::DoNotOptimize(report::countBadLines(fileName));
}

// The settings write of GetResult0 alone.
void Part_ClaimedSetting(benchmark::State& state) {
    for (auto _ : state) platform::writeProfileString(settingsFile, settingsSection, "Claimed", "1234567");
}

// RemoveData0 without the rewrite of the bad-QSO file: the index update
// and the erasure from the QSO vector (the later records move up).
void Part_EraseStoredQso(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    std::mt19937 random(3);
    std::lock_guard<std::mutex> guard(stateLock());
    ContestState& contest = contestState();
    for (auto _ : state) eraseQso(contest, random() % contest.qsoList.size());
}

// --- memory ---

std::size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Heap bytes per stored QSO after a reset and `count` adds: the whole
// growth (QSO records with their texts, spare vector capacity, the index),
// the index alone (built again on its own from the stored list, digests
// included) and the digests alone.
void Memory(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto& log = bench::contestLog();
    std::size_t total = 0;
    std::size_t index = 0;
    std::size_t digests = 0;
    for (auto _ : state) {
        resetContestStateForTesting();
        resetPlugin();
        const std::size_t before = heapInUse();
        for (std::size_t i = 0; i < count; ++i) exports::addData(log[i]);
        total = heapInUse() - before;
        std::lock_guard<std::mutex> guard(stateLock());
        const std::size_t beforeIndex = heapInUse();
        {
            QsoIndex alone;
            alone.rebuild(contestState().qsoList);
            index = heapInUse() - beforeIndex;
        }
        const std::size_t beforeDigests = heapInUse();
        {
            QsoDigests alone;
            for (const CInfo& qso : contestState().qsoList) alone.appended(qso);
            digests = heapInUse() - beforeDigests;
        }
    }
    const double stored = static_cast<double>(storedCount());
    state.counters["bytes_per_qso"] = static_cast<double>(total) / stored;
    state.counters["index_bytes_per_qso"] = static_cast<double>(index) / stored;
    state.counters["digest_bytes_per_qso"] = static_cast<double>(digests) / stored;
    state.counters["sizeof_CInfo"] = sizeof(CInfo);
}

void sizes(benchmark::internal::Benchmark* b) { b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond); }

BENCHMARK(Plugin_AddData0)->Apply(sizes)->Iterations(kAddedPerRun * kAddRounds);
BENCHMARK(Linear_AddData0)->Apply(sizes)->Iterations(kAddedPerRun);
BENCHMARK(Plugin_CheckCallFunc0)->Apply(sizes);
BENCHMARK(Linear_CheckCallFunc0)->Apply(sizes);
BENCHMARK(Plugin_GetResult0)->Apply(sizes);
BENCHMARK(Plugin_GetResult0Html)->Apply(sizes);
BENCHMARK(Plugin_GetResult0AfterAdd)->Apply(sizes)->Iterations(kAddedPerRun);
BENCHMARK(Linear_GetResult0)->Apply(sizes);
BENCHMARK(Plugin_RemoveData0)->Apply(sizes)->Iterations(kRemovedPerRun);
BENCHMARK(Plugin_RemoveData0WithoutBadLines)->Apply(sizes)->Iterations(kRemovedPerRun);
BENCHMARK(Linear_RemoveData0)->Apply(sizes)->Iterations(kRemovedPerRun);
BENCHMARK(Plugin_Replay)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(Linear_Replay)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(Linear_Replay)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Part_Statistics)->Apply(sizes);
BENCHMARK(Part_BadLineCount)->Apply(sizes);
BENCHMARK(Part_ClaimedSetting)->Unit(benchmark::kMicrosecond);
BENCHMARK(Part_EraseStoredQso)->Apply(sizes)->Iterations(kRemovedPerRun);
BENCHMARK(Memory)->Apply(sizes)->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
