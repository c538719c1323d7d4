// The window thread refreshes and paints its windows while the host's
// thread adds, removes and asks for statistics (which rebuild the per-band
// lists the windows read). Run under ThreadSanitizer: every access of the
// shared state must be ordered by stateLock().
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "platform/profile.h"
#include "platform/recording_canvas.h"
#include "report/statistics_report.h"
#include "scratch_folder.h"
#include "windows/dxcc_window.h"
#include "windows/operator_windows.h"
#include "windows/refresh.h"

using namespace korvan;

namespace {

const char* const kBands[] = {"80m", "40m", "20m", "15m", "10m"};
const double kFrequencies[] = {3550000.0, 7025000.0, 14025000.0, 21025000.0, 28025000.0, 10100000.0};
constexpr int kRounds = 3000;

QsoArguments qsoNumber(int i) {
    QsoArguments args;
    args.ownCall = "UN0OWN";
    args.call = i % 4 ? "UN7AB" + std::to_string(i % 50) : "DL1ABC";
    args.time = COleDateTime::fromParts(2017, 3, 18, (i / 60) % 24, i % 60);
    args.mode = i % 3 ? "CW" : "SSB";
    args.exchangeSent = "001";
    args.exchangeReceived = i % 4 ? "A0" + std::to_string(1 + i % 6) : "015";
    args.prefix = i % 4 ? "UN" : "DL";
    args.continent = i % 4 ? "AS" : "EU";
    args.band = kBands[i % 5];
    return args;
}

// Turns the dial and types calls in turn.
class MovingHost : public platform::HostAutomation {
public:
    int step = 0;
    bool sendCommand(const std::string&) override { return true; }
    std::optional<double> frequency() override { return kFrequencies[++step % 6]; }
    std::optional<std::string> qsoItem(int) override { return step % 3 ? "UN7AB" + std::to_string(step % 50) : ""; }
};

TEST(LiveRefreshConcurrency, RefreshesAndPaintsWhileTheHostAddsRemovesAndAsksForStatistics) {
    ScratchFolder folder;
    platform::writeProfileString(settingsFile, settingsSection, "Start", "1");  // no panel of its own
    ResetArguments reset;
    reset.ownPrefix = "UN";
    reset.secondDate = COleDateTime::fromParts(2017, 3, 18);
    resetStats(reset);
    {
        // Keeps the removals off the disk; the file is not what this is about.
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().badQsoFileName.clear();
    }

    std::atomic<bool> hostDone{false};
    std::atomic<int> refreshes{0};
    platform::setHostAutomationFactory([] { return std::unique_ptr<platform::HostAutomation>(new MovingHost); });
    std::thread windowThread([&] {
        // Operator windows (no panel) with both windows wanted and the
        // moving host as their host object, all on this thread; the info
        // button painted from each refresh's view, without the lock.
        OperatorWindows windows;
        windows.host().acquire();
        platform::RecordingCanvas canvas;
        while (!hostDone.load() || refreshes.load() < kRounds) {
            refreshOperatorWindows(windows, {true, true});
            canvas.clear();
            InfoButton::paint(canvas, {0, 0, 600, 300}, windows.view());
            ++refreshes;
        }
    });

    int stored = 0;
    for (int i = 0; i < kRounds; ++i) {
        stored += addQso(qsoNumber(i));
        if (i % 3 == 2) stored -= removeQso(qsoNumber(i - 1));
        computeAndRenderResult();
    }
    hostDone = true;
    windowThread.join();
    platform::setHostAutomationFactory({});

    EXPECT_GE(refreshes.load(), kRounds);
    std::lock_guard<std::mutex> guard(stateLock());
    EXPECT_EQ(static_cast<std::size_t>(stored), contestState().qsoList.size());
}

}  // namespace
