// The live refresh with a fake host: the "<SP1>" rule, the band, the titles
// from the per-band lists, the worked-with rows, and the refresh that never
// re-enters itself.
#include <gtest/gtest.h>

#include "live_windows_support.h"
#include "platform/posix/headless_testing.h"
#include "resources/resource.h"
#include "scratch_folder.h"

namespace {

class RefreshTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetRefreshGlobals();
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& state = contestState();
        state.contestYear = "2017";
        const char* const labels[] = {"80m", "80m", "40m", "20m", "15m", "10m"};
        for (int slot = 0; slot < kBandSlotCount; ++slot) state.workedWithRows[slot] = {labels[slot], "-", "-", "-"};
    }
    void setLists(int slot, std::size_t kdaCount, std::size_t dxccCount) {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().bandKdaLists[slot].assign(kdaCount, "A01");
        contestState().bandDxccLists[slot].assign(dxccCount, "DL");
    }
    std::array<std::array<std::string, 4>, kBandSlotCount> rows() {
        std::lock_guard<std::mutex> guard(stateLock());
        return contestState().workedWithRows;
    }

    ScratchFolder folder;
    SetupPanel panel;
};

TEST_F(RefreshTest, TitlesCarryTheYearTheBandAndTheCountsOfTheLastStatistics) {
    InstalledHost host;
    prepareForRefresh(panel);
    setLists(3, 5, 12);
    setLists(2, 104, 1);
    refreshPending = 0;
    panel.refreshDisplays();
    EXPECT_EQ(std::vector<std::string>{"<SP1>"}, host->commands);
    EXPECT_EQ(3, currentBandSlot);
    EXPECT_EQ("Korvan-2017 KDA on 20m 5 of 210", openKdaGrid()->title());
    EXPECT_EQ("Korvan-2017 DXCC worked on 20m 12 of 338", openDxccWindow()->title());
    EXPECT_EQ(1, refreshPending.load());
    EXPECT_EQ(1, openKdaGrid()->checkState(IDC_OBLAST_FIRST_BOX));  // A01 of the 20 m list
    EXPECT_EQ(1, platform::headless::controlCounters(*openDxccWindow(), IDC_DXCC_INFO).invalidations);

    // Esc hid the KDA window; the refresh keeps it up to date.
    openKdaGrid()->hide();
    host->hertz = 7010000.0;
    panel.refreshDisplays();
    EXPECT_EQ("Korvan-2017 KDA on 40m 104 of 210", openKdaGrid()->title());

    // A callsign entered: the DXCC window tells whom it shows.
    host->callsign = "UNTEST";
    panel.refreshDisplays();
    EXPECT_EQ("Korvan 2017 worked with UNTEST ", openDxccWindow()->title());
    EXPECT_EQ("Korvan-2017 KDA on 40m 104 of 210", openKdaGrid()->title());

    // No band: the titles and the slot stay those of the last band.
    host->callsign = "";
    host->hertz = 29100000.0;
    panel.refreshDisplays();
    EXPECT_EQ(2, currentBandSlot);
    EXPECT_EQ("Korvan 2017 worked with UNTEST ", openDxccWindow()->title());
}

TEST_F(RefreshTest, Sp1OnlyWhenTheFrequencyMovedMoreThan300Hz) {
    InstalledHost host;
    prepareForRefresh(panel, false, false);
    const double steps[] = {14025000.0, 14025300.0, 14025301.0, 14025001.0};
    const std::size_t sent[] = {1, 1, 2, 2};
    for (int i = 0; i < 4; ++i) {
        host->hertz = steps[i];
        panel.refreshDisplays();
        EXPECT_EQ(sent[i], host->commands.size()) << steps[i];
    }
    EXPECT_EQ(14025301.0, lastCommandFrequency);
    EXPECT_EQ(nullptr, kdaWindow.load());  // no window wanted, none opened
}

TEST_F(RefreshTest, WorkedWithRowsShowTheLatestTimesAndExchangePerBand) {
    InstalledHost host;
    prepareForRefresh(panel);
    store(storedQso("UNTEST", "20m", "CW", 10, 2, "UN", "C05"));
    store(storedQso("DL1ABC", "20m", "CW", 10, 30, "DL", "007"));
    store(storedQso("UNTEST", "20m", "SSB", 11, 15, "UN", "C06"));
    store(storedQso("UNTEST", "20M", "CW", 12, 0, "UN", "C07"));  // other letter case: no row
    store(storedQso("DL1ABC", "10m", "SSB", 9, 5, "DL", "012"));
    store(storedQso("DL1ABC", "10m", "cw", 9, 50, "DL", "013"));  // neither column, but the exchange
    host->callsign = "UNTEST";
    panel.refreshDisplays();
    const std::string none = "   -";
    auto expected = rows();
    for (auto& row : expected) row[1] = row[2] = row[3] = none;
    expected[3] = {"20m", "10:02", "11:15", "C06"};
    EXPECT_EQ(expected, rows());

    host->callsign = "DL1ABC";
    panel.refreshDisplays();
    for (auto& row : expected) row[1] = row[2] = row[3] = none;
    expected[3] = {"20m", "10:30", none, "007"};
    expected[5] = {"10m", none, "09:05", "013"};
    EXPECT_EQ(expected, rows());

    // The callsign cleared: every row back to "   -".
    host->callsign = "";
    panel.refreshDisplays();
    for (auto& row : expected) row[1] = row[2] = row[3] = none;
    EXPECT_EQ(expected, rows());
}

TEST_F(RefreshTest, WithoutAHostOnlyTheWantedWindowsOpen) {
    prepareForRefresh(panel);
    refreshPending = 0;
    panel.refreshDisplays();
    ASSERT_NE(nullptr, openKdaGrid());
    ASSERT_NE(nullptr, openDxccWindow());
    EXPECT_TRUE(openDxccWindow()->isVisible());
    EXPECT_EQ("KDA", openKdaGrid()->title());
    EXPECT_EQ("DXCC", openDxccWindow()->title());
    EXPECT_EQ(-1, currentBandSlot);
    EXPECT_EQ(1, refreshPending.load());
}

TEST_F(RefreshTest, AFailingHostLeavesBandAndFrequencyAsTheyWere) {
    InstalledHost host;
    prepareForRefresh(panel);
    panel.refreshDisplays();
    host->hertz.reset();
    host->callsign.reset();
    panel.refreshDisplays();
    EXPECT_EQ(1u, host->commands.size());
    EXPECT_EQ(14025000.0, lastCommandFrequency);
    EXPECT_EQ(3, currentBandSlot);
    EXPECT_EQ("", currentCallsign);
}

// An outgoing host call lets the thread's messages through: a refresh
// delivered then runs after the running one, once, not inside it.
TEST_F(RefreshTest, ARefreshAskedForDuringOneRunsOnceAfterIt) {
    InstalledHost host;
    prepareForRefresh(panel);
    int depth = 0;
    int deepest = 0;
    host->duringFrequencyRead = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        if (host->frequencyReads == 1) {
            panel.dispatchMessage(WM_STATS_REFRESH, 0, 0);
            panel.dispatchMessage(WM_STATS_REFRESH, 0, 0);
        }
        --depth;
    };
    panel.dispatchMessage(WM_STATS_REFRESH, 0, 0);
    EXPECT_EQ(2, host->frequencyReads);
    EXPECT_EQ(1, deepest);
}

}  // namespace
