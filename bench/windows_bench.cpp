// Benchmarks of the operator windows' work on the window thread: one live
// refresh with a fake host (no time spent in the host) at 1,000, 10,000 and
// 100,000 stored QSOs against the walk of the whole list that the
// worked-with rows would otherwise need, and the two views of the DXCC
// window's info button painted into the recording canvas.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "bench_data.h"
#include "engine/bands.h"
#include "engine/contest_state.h"
#include "export_calls.h"
#include "platform/host_automation.h"
#include "platform/profile.h"
#include "platform/recording_canvas.h"
#include "windows/dxcc_window.h"
#include "windows/operator_windows.h"
#include "windows/refresh.h"

namespace {

class BenchHost : public platform::HostAutomation {
public:
    std::string callsign;
    bool sendCommand(const std::string&) override { return true; }
    std::optional<double> frequency() override { return 14025000.0; }
    std::optional<std::string> qsoItem(int) override { return callsign; }
};

// Operator windows (no panel) with the KDA and DXCC windows open (headless,
// so what is measured is the plug-in's part), or with none, and the fake
// host as their host object.
struct BenchWindows {
    OperatorWindows windows;
    BenchHost* host = nullptr;
    WantedWindows wanted;

    explicit BenchWindows(bool open) : wanted{open, open} {
        platform::setHostAutomationFactory([this]() -> std::unique_ptr<platform::HostAutomation> {
            auto made = std::make_unique<BenchHost>();
            host = made.get();
            return made;
        });
        windows.host().acquire();
        platform::setHostAutomationFactory({});
        if (open) {
            windows.open(OperatorWindow::dxcc);
            windows.open(OperatorWindow::kda);
        }
    }
    void refresh() { refreshOperatorWindows(windows, wanted); }
};

// The plug-in after a reset, the first `count` QSOs of the log and one
// statistics request (which fills the per-band lists).
void fillPlugin(std::size_t count) {
    platform::writeProfileString(settingsFile, settingsSection, "Start", "1");  // no window thread
    exports::resetStats(bench::resetArguments());
    const auto& log = bench::contestLog();
    for (std::size_t i = 0; i < count; ++i) exports::addData(log[i]);
    int status = 0;
    GetResult0(&status);
}

// A station of the log worked more than once, as the operator types it.
std::string workedCall() {
    std::lock_guard<std::mutex> guard(stateLock());
    const auto& list = contestState().qsoList;
    return list[list.size() / 2].call;
}

void Plugin_Refresh(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    BenchWindows bench(state.range(1) != 0);
    bench.host->callsign = workedCall();
    for (auto _ : state) bench.refresh();
}

// The rows from one walk of the whole list, in list order: each match
// overwrites what an earlier one wrote.
void Walk_WorkedWithRows(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    const std::string callsign = workedCall();
    for (auto _ : state) {
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& contest = contestState();
        for (auto& row : contest.workedWithRows) row[1] = row[2] = row[3] = "   -";
        for (const CInfo& qso : contest.qsoList) {
            for (std::size_t slot = 0; slot < kBandSlots.size(); ++slot) {
                if (qso.band != kBandSlots[slot].label || qso.call != callsign) continue;
                auto& row = contest.workedWithRows[slot];
                if (qso.mode == "CW")
                    row[1] = qso.qsoTime.Format("%H:%M");
                else if (qso.mode == "SSB")
                    row[2] = qso.qsoTime.Format("%H:%M");
                row[3] = qso.prefix == "UN" ? qso.kdaCode : qso.exchangeReceived;
            }
        }
        benchmark::DoNotOptimize(contest.workedWithRows);
    }
}

// Paints the DXCC window's info button in the view the state gives, into a
// recording canvas, once per iteration.
void paintInfoButton(benchmark::State& state, const WindowMemory& memory) {
    platform::RecordingCanvas canvas;
    for (auto _ : state) {
        canvas.clear();
        CCqWwInfoButton::paint(canvas, {0, 0, 600, 300}, CCqWwInfoButton::currentView(memory));
    }
    state.counters["operations"] = static_cast<double>(canvas.operations().size());
}

// 338 prefixes, in an order the sort has to work on.
void Paint_BandView(benchmark::State& state) {
    {
        std::lock_guard<std::mutex> guard(stateLock());
        auto& list = contestState().bandDxccLists[3];
        list.clear();
        for (int i = 0; i < 338; ++i) {
            const int n = (i * 7919) % 338;
            list.push_back(std::string(1, static_cast<char>('A' + n % 26)) + static_cast<char>('A' + n / 26) +
                           std::to_string(n % 10));
        }
    }
    WindowMemory memory;
    memory.currentBandSlot = 3;
    paintInfoButton(state, memory);
}

void Paint_WorkedWithView(benchmark::State& state) {
    {
        std::lock_guard<std::mutex> guard(stateLock());
        for (auto& row : contestState().workedWithRows) row = {"20m", "10:02", "11:15", "C06"};
    }
    WindowMemory memory;
    memory.currentCallsign = "UN7ABC";
    memory.currentBandSlot = 3;
    paintInfoButton(state, memory);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"qsos", "windows"});
    for (long windows : {0L, 1L})
        for (long qsos : {1000L, 10000L, 100000L}) b->Args({qsos, windows});
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(Plugin_Refresh)->Apply(sizes);
BENCHMARK(Walk_WorkedWithRows)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Paint_BandView)->Unit(benchmark::kMicrosecond);
BENCHMARK(Paint_WorkedWithView)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
