// The live refresh with a fake host: the "<SP1>" rule, the band, the titles
// from the per-band lists, the worked-with rows and what the view keeps when
// the host cannot be asked.
#include <gtest/gtest.h>

#include "live_windows_support.h"
#include "platform/headless/testing.h"
#include "platform/recording_canvas.h"
#include "resources/resource.h"
#include "scratch_folder.h"
#include "windows/setup_panel.h"
#include "windows/window_thread.h"

using namespace korvan;

namespace {

class RefreshTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().contestYear = "2017";
    }
    void setLists(int slot, std::size_t kdaCount, std::size_t dxccCount) {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().bandKdaLists[slot].assign(kdaCount, "A01");
        contestState().bandDxccLists[slot].assign(dxccCount, "DL");
    }
    void refresh(bool kda = true, bool dxcc = true) { refreshOperatorWindows(windows, {kda, dxcc}); }
    const WorkedWithRows& rows() const { return windows.view().workedWith; }
    KdaAreaWindow* kda() const { return windows.kdaIfOpen(); }
    DxccWindow* dxcc() const { return windows.dxccIfOpen(); }

    ScratchFolder folder;
    OperatorWindows windows;
};

TEST_F(RefreshTest, TitlesCarryTheYearTheBandAndTheCountsOfTheLastStatistics) {
    FakeHost& host = installFakeHost(windows);
    setLists(3, 5, 12);
    setLists(2, 104, 1);
    refreshPending = 0;
    refresh();
    EXPECT_EQ(std::vector<std::string>{"<SP1>"}, host.commands);
    EXPECT_EQ(3, windows.memory().currentBandSlot);
    EXPECT_EQ("Korvan-2017 KDA on 20m 5 of 210", kda()->title());
    EXPECT_EQ("Korvan-2017 DXCC worked on 20m 12 of 338", dxcc()->title());
    EXPECT_EQ(1, refreshPending.load());
    EXPECT_EQ(1, kda()->checkState(IDC_OBLAST_FIRST_BOX));  // A01 of the 20 m list
    EXPECT_EQ(1, platform::headless::controlCounters(*dxcc(), IDC_DXCC_INFO).invalidations);

    // Esc hid the KDA window; the refresh keeps it up to date.
    kda()->hide();
    host.hertz = 7010000.0;
    refresh();
    EXPECT_EQ("Korvan-2017 KDA on 40m 104 of 210", kda()->title());

    // A callsign entered: the DXCC window tells whom it shows.
    host.callsign = "UNTEST";
    refresh();
    EXPECT_EQ("Korvan 2017 worked with UNTEST ", dxcc()->title());
    EXPECT_EQ("Korvan-2017 KDA on 40m 104 of 210", kda()->title());

    // No band: the titles and the slot stay those of the last band, and the
    // info button is not asked to repaint.
    host.callsign = "";
    host.hertz = 29100000.0;
    const int invalidations = platform::headless::controlCounters(*dxcc(), IDC_DXCC_INFO).invalidations;
    refresh();
    EXPECT_EQ(2, windows.memory().currentBandSlot);
    EXPECT_EQ("Korvan 2017 worked with UNTEST ", dxcc()->title());
    EXPECT_EQ(invalidations, platform::headless::controlCounters(*dxcc(), IDC_DXCC_INFO).invalidations);
}

TEST_F(RefreshTest, Sp1OnlyWhenTheFrequencyMovedMoreThan300Hz) {
    FakeHost& host = installFakeHost(windows);
    const double steps[] = {14025000.0, 14025300.0, 14025301.0, 14025001.0};
    const std::size_t sent[] = {1, 1, 2, 2};
    for (int i = 0; i < 4; ++i) {
        host.hertz = steps[i];
        refresh(false, false);
        EXPECT_EQ(sent[i], host.commands.size()) << steps[i];
    }
    EXPECT_EQ(14025301.0, windows.memory().lastCommandFrequency);
    EXPECT_EQ(nullptr, kdaWindow.load());  // no window wanted, none opened
}

TEST_F(RefreshTest, WorkedWithRowsShowTheLatestTimesAndExchangePerBand) {
    FakeHost& host = installFakeHost(windows);
    store(storedQso("UNTEST", "20m", "CW", 10, 2, "UN", "C05"));
    store(storedQso("DL1ABC", "20m", "CW", 10, 30, "DL", "007"));
    store(storedQso("UNTEST", "20m", "SSB", 11, 15, "UN", "C06"));
    store(storedQso("UNTEST", "20M", "CW", 12, 0, "UN", "C07"));  // other letter case: no row
    store(storedQso("DL1ABC", "10m", "SSB", 9, 5, "DL", "012"));
    store(storedQso("DL1ABC", "10m", "cw", 9, 50, "DL", "013"));  // neither column, but the exchange
    // Before the host was asked: the rows as a contest reset leaves them.
    EXPECT_EQ(WorkedWithRows{}, rows());
    EXPECT_EQ("-", rows()[3].cwTime);

    host.callsign = "UNTEST";
    refresh();
    const WorkedWithRow none{"   -", "   -", "   -"};
    WorkedWithRows expected;
    expected.fill(none);
    expected[3] = {"10:02", "11:15", "C06"};
    EXPECT_EQ(expected, rows());

    host.callsign = "DL1ABC";
    refresh();
    expected.fill(none);
    expected[3] = {"10:30", "   -", "007"};
    expected[5] = {"   -", "09:05", "013"};
    EXPECT_EQ(expected, rows());

    // The callsign cleared: every row back to "   -".
    host.callsign = "";
    refresh();
    expected.fill(none);
    EXPECT_EQ(expected, rows());
}

TEST_F(RefreshTest, WithoutAHostOnlyTheWantedWindowsOpen) {
    refreshPending = 0;
    refresh();
    ASSERT_NE(nullptr, kda());
    ASSERT_NE(nullptr, dxcc());
    EXPECT_TRUE(dxcc()->isVisible());
    EXPECT_EQ("KDA", kda()->title());
    EXPECT_EQ("DXCC", dxcc()->title());
    EXPECT_EQ(-1, windows.memory().currentBandSlot);
    EXPECT_EQ(1, refreshPending.load());
}

// A panel without a host starts from what an earlier panel saw: its info
// button shows the remembered band's prefixes, its rows stay as the reset
// left them.
TEST_F(RefreshTest, WithoutAHostTheViewIsReadForTheRememberedBand) {
    WindowMemory memory;
    memory.currentBandSlot = 3;
    OperatorWindows later(memory);
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().bandDxccLists[3] = {"UA", "DL"};
    }
    refreshOperatorWindows(later, {false, true});
    EXPECT_EQ((std::vector<std::string>{"DL", "UA"}), later.view().bandPrefixes);
    EXPECT_EQ(WorkedWithRows{}, later.view().workedWith);
    EXPECT_EQ("DXCC", later.dxccIfOpen()->title());
}

TEST_F(RefreshTest, AFailingHostLeavesBandAndFrequencyAsTheyWere) {
    FakeHost& host = installFakeHost(windows);
    host.callsign = "UNTEST";
    refresh();
    host.hertz.reset();
    host.callsign.reset();
    refresh();
    EXPECT_EQ(1u, host.commands.size());
    EXPECT_EQ(14025000.0, windows.memory().lastCommandFrequency);
    EXPECT_EQ(3, windows.memory().currentBandSlot);
    EXPECT_EQ("", windows.memory().currentCallsign);
    EXPECT_EQ("", windows.view().callsign);
}

// The info button paints what the refresh read, whatever the host's thread
// does to the stored lists afterwards: the band view's prefixes, sorted,
// and the count in the title agree until the next refresh.
TEST_F(RefreshTest, TheButtonPaintsTheViewOfTheLastRefresh) {
    installFakeHost(windows);
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().bandDxccLists[3] = {"UA", "DL", "K"};
    }
    refresh(false, true);
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().bandDxccLists[3] = {"OH"};
    }
    EXPECT_EQ("Korvan-2017 DXCC worked on 20m 3 of 338", dxcc()->title());
    const auto painted = platform::headless::paintControl(*dxcc(), IDC_DXCC_INFO);
    std::vector<std::string> texts;
    for (const platform::CanvasOperation& op : painted)
        if (op.kind == platform::CanvasOperation::Kind::drawTextAt) texts.push_back(op.text);
    EXPECT_EQ((std::vector<std::string>{"DL", "K", "UA"}), texts);
}

}  // namespace
