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

using namespace korvan;

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
        refresh();
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

// No callsign entered, the DXCC window open: the refresh copies the band's
// prefixes and sorts them for the band view.
void Plugin_RefreshBandView(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    BenchWindows bench(true);
    for (auto _ : state) bench.refresh();
    state.counters["prefixes"] = static_cast<double>(bench.windows.view().bandPrefixes.size());
}

// The rows from one walk of the whole list, in list order: each match
// overwrites what an earlier one wrote.
void Walk_WorkedWithRows(benchmark::State& state) {
    fillPlugin(static_cast<std::size_t>(state.range(0)));
    const std::string callsign = workedCall();
    std::array<std::string, kBandSlotCount> bands;
    for (std::size_t slot = 0; slot < bands.size(); ++slot) bands[slot] = kBandSlots[slot].label;
    WorkedWithRows rows;
    for (auto _ : state) {
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& contest = contestState();
        rows.fill({"   -", "   -", "   -"});
        for (const CInfo& qso : contest.qsoList) {
            for (std::size_t slot = 0; slot < rows.size(); ++slot) {
                if (qso.band != bands[slot] || qso.call != callsign) continue;
                WorkedWithRow& row = rows[slot];
                if (qso.mode == "CW")
                    row.cwTime = qso.qsoTime.Format("%H:%M");
                else if (qso.mode == "SSB")
                    row.ssbTime = qso.qsoTime.Format("%H:%M");
                row.exchange = qso.prefix == "UN" ? qso.kdaCode : qso.exchangeReceived;
            }
        }
        benchmark::DoNotOptimize(rows);
    }
}

// Paints the DXCC window's info button from a view, into a recording
// canvas, once per iteration.
void paintInfoButton(benchmark::State& state, const OperatorView& view) {
    platform::RecordingCanvas canvas;
    for (auto _ : state) {
        canvas.clear();
        InfoButton::paint(canvas, {0, 0, 600, 300}, view);
    }
    state.counters["operations"] = static_cast<double>(canvas.operations().size());
}

// 338 prefixes on 20 m, in an order the sort has to work on.
void storeManyPrefixes() {
    std::lock_guard<std::mutex> guard(stateLock());
    auto& list = contestState().bandDxccLists[3];
    list.clear();
    for (int i = 0; i < 338; ++i) {
        const int n = (i * 7919) % 338;
        list.push_back(std::string(1, static_cast<char>('A' + n % 26)) + static_cast<char>('A' + n / 26) +
                       std::to_string(n % 10));
    }
}

// What a refresh does for the band view: the 338 prefixes copied under the
// lock and sorted after it (once per refresh, not per paint).
void View_BandView(benchmark::State& state) {
    storeManyPrefixes();
    OperatorView view;
    for (auto _ : state) updateOperatorView(view, "", 3, {.bandPrefixes = true});
    state.counters["prefixes"] = static_cast<double>(view.bandPrefixes.size());
}

// The 338 prefixes as the refresh left them.
void Paint_BandView(benchmark::State& state) {
    storeManyPrefixes();
    OperatorView view;
    updateOperatorView(view, "", 3, {.bandPrefixes = true});
    paintInfoButton(state, view);
}

void Paint_WorkedWithView(benchmark::State& state) {
    OperatorView view;
    view.callsign = "UN7ABC";
    view.bandSlot = 3;
    view.workedWith.fill({"10:02", "11:15", "C06"});
    paintInfoButton(state, view);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"qsos", "windows"});
    for (long windows : {0L, 1L})
        for (long qsos : {1000L, 10000L, 100000L}) b->Args({qsos, windows});
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(Plugin_Refresh)->Apply(sizes);
BENCHMARK(Plugin_RefreshBandView)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Walk_WorkedWithRows)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(View_BandView)->Unit(benchmark::kMicrosecond);
BENCHMARK(Paint_BandView)->Unit(benchmark::kMicrosecond);
BENCHMARK(Paint_WorkedWithView)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
