// CheckCallFunc0 and StatsIsValidExchg0: the answers, the out-buffer, and
// the delivery of pending refreshes to the setup panel.
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "engine_fixture.h"

namespace {

const char kUntouched[] = "untouched";

class CallCheckTest : public EngineTest {
protected:
    void SetUp() override {
        ScratchFolder::write(folder.path() / "Plugins" / "kda.dom", "UN7AB A01\r\nUN7CD A01\r\nUN7EF B02\r\n");
        resetWithoutPanel();
        std::strcpy(buffer, kUntouched);
    }
    int check(const std::string& call, const std::string& band = "20m", const std::string& mode = "CW") {
        return checkCall(call, mode, band, buffer);
    }
    char buffer[100];
};

TEST_F(CallCheckTest, EmptyLogAnswersNewAreaAndFillsTheCode) {
    EXPECT_EQ(2, check("UN7EF"));
    EXPECT_STREQ("B02", buffer);
    EXPECT_EQ(2, check("DL1ABC"));  // not listed: the buffer keeps the last code
    EXPECT_STREQ("B02", buffer);
}

TEST_F(CallCheckTest, DupeAnswersZeroAndLeavesTheBufferAlone) {
    addQso(unQso("UN7AB", "A01"));
    EXPECT_EQ(0, check("UN7AB"));
    EXPECT_STREQ(kUntouched, buffer);
    EXPECT_NE(0, check("UN7AB", "20m", "SSB"));
    EXPECT_NE(0, check("UN7AB", "40m"));
    EXPECT_NE(0, check("un7ab"));
}

TEST_F(CallCheckTest, AreaWorkedOnTheSameBandAnswersOne) {
    addQso(unQso("UN7AB", "A01"));
    EXPECT_EQ(1, check("UN7CD"));
    EXPECT_STREQ("A01", buffer);
    EXPECT_EQ(2, check("UN7CD", "40m"));
    EXPECT_EQ(2, check("UN7EF"));
    EXPECT_STREQ("B02", buffer);
}

TEST_F(CallCheckTest, UnlistedCallsMatchStoredQsosWithoutCode) {
    EXPECT_EQ(2, check("DL2XYZ"));
    addQso(unQso("UN7ZZ", "X99"));  // flagged, no code: takes part all the same
    EXPECT_EQ(1, check("DL2XYZ"));
    EXPECT_EQ(2, check("DL2XYZ", "40m"));
    EXPECT_STREQ(kUntouched, buffer);
}

TEST_F(CallCheckTest, ShortCallsignsAreNeverLookedUp) {
    ScratchFolder::write(folder.path() / "Plugins" / "kda.dom", "K1A Z03\r\n");
    resetWithoutPanel();
    EXPECT_EQ(2, check("K1A"));
    addQso(qso("DL1ABC"));
    EXPECT_EQ(1, check("K1A"));
    EXPECT_STREQ(kUntouched, buffer);
}

TEST_F(CallCheckTest, MissingKdaDomStopsTheBufferFill) {
    std::filesystem::remove(folder.path() / "Plugins" / "kda.dom");
    resetWithoutPanel();  // the directory stays, but is no longer loaded
    addQso(unQso("UN7AB", "A01"));
    EXPECT_EQ(1, check("UN7CD"));  // the kept directory still gives the area
    EXPECT_STREQ(kUntouched, buffer);
}

TEST(CallCheckBeforeReset, AnswersNewAreaWithoutTouchingTheBuffer) {
    ScratchFolder folder;
    char buffer[100] = "untouched";
    EXPECT_EQ(2, checkCall("UN7AB", "CW", "20m", buffer));
    EXPECT_STREQ("untouched", buffer);
}

// --- exchange validation ---

TEST(ExchangeValidation, OnlyExactKdaCodesAreValid) {
    EXPECT_EQ(1, isValidExchange("A01"));
    EXPECT_EQ(1, isValidExchange("Z03"));
    for (const char* exchange : {"599", "A07", "a01", "A1", "A001", "", " A01", "001"})
        EXPECT_EQ(0, isValidExchange(exchange)) << '"' << exchange << '"';
}

// --- refresh delivery ---

std::atomic<int> refreshesSeen{0};

// A panel that only counts refresh requests and, unlike the real one, never
// reports a finished refresh.
class CountingPanel : public platform::Dialog {
public:
    CountingPanel() : platform::Dialog(105) {}

protected:
    bool onUserMessage(unsigned message) override {
        if (message == WM_STATS_REFRESH) ++refreshesSeen;
        return true;
    }
};

std::unique_ptr<platform::Dialog> makeCountingPanel(OperatorWindows&) { return std::make_unique<CountingPanel>(); }

bool panelWindowOpen() {
    std::lock_guard<std::mutex> guard(stateLock());
    platform::Dialog* panel = setupPanel.load();
    return panel && panel->window();
}

bool waitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 250; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

class RefreshDeliveryTest : public EngineTest {
protected:
    void SetUp() override {
        refreshesSeen = 0;
        setPanelFactory(&makeCountingPanel);
    }
    void TearDown() override {
        stopWindows();
        setPanelFactory(nullptr);
    }
};

TEST_F(RefreshDeliveryTest, WithoutPanelNothingIsPostedAndThePendingFlagStays) {
    resetWithoutPanel();
    checkCall("UN7AB", "CW", "20m", nullptr);
    EXPECT_EQ(1, refreshPending.load());
}

TEST_F(RefreshDeliveryTest, AtMostOneRequestedRefreshIsOutstanding) {
    platform::writeProfileString(settingsFile, settingsSection, "Start", "0");
    resetStats(resetArguments());
    ASSERT_TRUE(waitUntil(panelWindowOpen));
    addQso(qso("DL1ABC"));

    removeQso(qso("DL1ABC"));              // posts one and sets the flag
    checkCall("DL1ABC", "CW", "20m", nullptr);  // posts one more, clears the flag
    EXPECT_EQ(0, refreshPending.load());
    checkCall("DL1ABC", "CW", "20m", nullptr);  // the panel has not finished: none
    EXPECT_TRUE(waitUntil([] { return refreshesSeen.load() >= 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(2, refreshesSeen.load());

    refreshPending = 1;                    // as the panel does when it has finished
    checkCall("DL1ABC", "CW", "20m", nullptr);
    EXPECT_TRUE(waitUntil([] { return refreshesSeen.load() == 3; }));
}

}  // namespace
