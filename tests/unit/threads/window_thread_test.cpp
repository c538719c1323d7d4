// The window thread protocol: one panel at a time, the close order of the
// windows, bounded waits, and the refresh hand-off. Run under TSan too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/contest_state.h"
#include "windows/window_thread.h"
#include "platform/dialog.h"
#include "platform/threads.h"
#include "platform/window_messages.h"
#include "resources/resource.h"
#include "scratch_folder.h"
#include "windows/setup_panel.h"

using namespace korvan;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned kWmHang = platform::kWmUser + 9;

// What the fake windows saw, in order, across threads.
std::mutex eventLock;
std::vector<std::string> events;

void record(const std::string& event) {
    std::lock_guard<std::mutex> guard(eventLock);
    events.push_back(event);
}

std::vector<std::string> recorded() {
    std::lock_guard<std::mutex> guard(eventLock);
    return events;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 3s) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// The window of the running panel, read as stopWindows reads it.
platform::WindowHandle panelWindow() {
    std::lock_guard<std::mutex> guard(stateLock());
    platform::Dialog* panel = setupPanel.load();
    return panel ? panel->window() : nullptr;
}

std::atomic<int> panelsBuilt{0};
std::atomic<int> panelsAlive{0};
std::atomic<int> mostPanelsAlive{0};
std::atomic<bool> panelRefusesClose{false};
std::atomic<int> panelBuildDelayMs{0};

// A panel that counts its instances, logs its close and can refuse it or
// hang in a handler until released.
class FakePanel : public platform::Dialog {
public:
    FakePanel() : Dialog(IDD_SETUP) {
        id_ = ++panelsBuilt;
        const int alive = ++panelsAlive;
        int most = mostPanelsAlive.load();
        while (alive > most && !mostPanelsAlive.compare_exchange_weak(most, alive)) {
        }
    }
    ~FakePanel() override {
        record("panel " + std::to_string(id_) + " deleted");
        --panelsAlive;
    }
    static std::promise<void>* hangRelease;

protected:
    void onCancel() override {
        record("panel " + std::to_string(id_) + " close");
        if (!panelRefusesClose.load()) Dialog::onCancel();
    }
    bool onUserMessage(unsigned message) override {
        if (message != kWmHang) return false;
        hangRelease->get_future().wait();
        return true;
    }

private:
    int id_ = 0;
};
std::promise<void>* FakePanel::hangRelease = nullptr;

std::unique_ptr<platform::Dialog> makeFakePanel(OperatorWindows&) {
    if (int delay = panelBuildDelayMs.load()) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    return std::make_unique<FakePanel>();
}

// A KDA or DXCC window that logs its close (and does what onClose says
// while it closes), run on a thread of its own.
class FakeChild : public platform::Dialog {
public:
    FakeChild(int templateId, std::string name, std::function<void()> onClose = {})
        : Dialog(templateId), name_(std::move(name)), onClose_(std::move(onClose)) {
        result_ = std::async(std::launch::async, [this] { return runModal(); });
        waitFor([this] { return window() != nullptr; });
    }
    ~FakeChild() override {
        if (window()) platform::sendCloseMessage(window());
        result_.wait();
    }

protected:
    void onCancel() override {
        record(name_ + " close");
        if (onClose_) onClose_();
        Dialog::onCancel();
    }

private:
    std::string name_;
    std::function<void()> onClose_;
    std::future<int> result_;
};

class WindowThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        {
            std::lock_guard<std::mutex> guard(eventLock);
            events.clear();
        }
        panelsBuilt = 0;
        panelsAlive = 0;
        mostPanelsAlive = 0;
        panelRefusesClose = false;
        panelBuildDelayMs = 0;
        setPanelFactory(&makeFakePanel);
    }
    void TearDown() override {
        panelRefusesClose = false;
        EXPECT_TRUE(stopWindows());
        EXPECT_EQ(setupPanel.load(), nullptr);
        setPanelFactory(nullptr);
        kdaWindow = nullptr;
        dxccWindow = nullptr;
    }
    ScratchFolder folder;
};

TEST_F(WindowThreadTest, StartRunsOnePanelUntilStopped) {
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return panelWindow() != nullptr; }));
    EXPECT_EQ(panelsAlive.load(), 1);

    EXPECT_TRUE(stopWindows());
    // stopWindows came back only after the thread let go of its panel.
    EXPECT_EQ(setupPanel.load(), nullptr);
    EXPECT_EQ(panelsAlive.load(), 0);
    EXPECT_EQ(recorded(), (std::vector<std::string>{"panel 1 close", "panel 1 deleted"}));
    EXPECT_TRUE(stopWindows());  // nothing left to stop
}

TEST_F(WindowThreadTest, SecondStartClosesTheFirstPanelBeforeTheNext) {
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return panelWindow() != nullptr; }));
    platform::Dialog* first = setupPanel.load();

    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([&] { return panelWindow() != nullptr && setupPanel.load() != first; }));
    EXPECT_EQ(panelsBuilt.load(), 2);
    EXPECT_EQ(panelsAlive.load(), 1);
    EXPECT_EQ(mostPanelsAlive.load(), 1);
    EXPECT_EQ(recorded(), (std::vector<std::string>{"panel 1 close", "panel 1 deleted"}));
}

TEST_F(WindowThreadTest, RepeatedStartsNeverOverlap) {
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return panelWindow() != nullptr; }));
    EXPECT_TRUE(stopWindows());
    EXPECT_EQ(mostPanelsAlive.load(), 1);
    EXPECT_EQ(panelsAlive.load(), 0);
}

TEST_F(WindowThreadTest, StopBeforeThePanelExistsStillClosesIt) {
    // The thread is started but has not built its panel when the stop comes
    // (a reset followed at once by unloading the library).
    panelBuildDelayMs = 100;
    ASSERT_TRUE(startWindowThread());
    EXPECT_TRUE(stopWindows());
    EXPECT_EQ(setupPanel.load(), nullptr);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(setupPanel.load(), nullptr);
    EXPECT_EQ(panelsAlive.load(), 0);
}

TEST_F(WindowThreadTest, StopClosesDxccThenKdaThenPanel) {
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return panelWindow() != nullptr; }));
    FakeChild kda(IDD_OBLAST, "kda");
    FakeChild dxcc(IDD_DXCC, "dxcc");
    kdaWindow = &kda;
    dxccWindow = &dxcc;

    EXPECT_TRUE(stopWindows());
    EXPECT_EQ(recorded(), (std::vector<std::string>{"dxcc close", "kda close", "panel 1 close", "panel 1 deleted"}));
    EXPECT_EQ(kdaWindow.load(), nullptr);
    EXPECT_EQ(dxccWindow.load(), nullptr);
    EXPECT_EQ(kda.window(), nullptr);
    EXPECT_EQ(dxcc.window(), nullptr);
}

// The window thread may open a new window while the stop closes the old one
// (a toggle clicked at that moment): the stop clears the slot, under the
// state lock, only when it still holds the window it closed, so the new one
// stays reachable and is closed when the panel ends, not left open.
TEST_F(WindowThreadTest, StopClearsOnlyTheWindowItClosed) {
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return panelWindow() != nullptr; }));
    FakeChild reopened(IDD_DXCC, "dxcc reopened");
    FakeChild dxcc(IDD_DXCC, "dxcc", [&] {
        std::lock_guard<std::mutex> guard(stateLock());
        dxccWindow = &reopened;
    });
    dxccWindow = &dxcc;

    EXPECT_TRUE(stopWindows());
    EXPECT_EQ(recorded(), (std::vector<std::string>{"dxcc close", "panel 1 close", "dxcc reopened close",
                                                    "panel 1 deleted"}));
    EXPECT_EQ(dxccWindow.load(), nullptr);
}

TEST_F(WindowThreadTest, StopGivesUpWhenThePanelRefusesToClose) {
    panelRefusesClose = true;
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return panelWindow() != nullptr; }));

    const auto start = Clock::now();
    EXPECT_FALSE(stopWindows());
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(kStopWindowsTimeoutMs - 100));
    EXPECT_LT(waited, std::chrono::milliseconds(kStopWindowsTimeoutMs + 2000));
    EXPECT_NE(setupPanel.load(), nullptr);
    EXPECT_EQ(recorded(), std::vector<std::string>{"panel 1 close"});
    panelRefusesClose = false;  // TearDown's stop succeeds
}

TEST_F(WindowThreadTest, StopGivesUpWhenThePanelThreadHangs) {
    std::promise<void> release;
    FakePanel::hangRelease = &release;
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return panelWindow() != nullptr; }));
    ASSERT_TRUE(platform::postMessage(panelWindow(), kWmHang, 0, 0));

    // The close message itself goes unanswered; the whole stop keeps to
    // one time limit.
    const auto start = Clock::now();
    EXPECT_FALSE(stopWindows());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kStopWindowsTimeoutMs + 2000));
    release.set_value();
    // The queued close is handled once the thread is back.
    EXPECT_TRUE(waitFor([] { return setupPanel.load() == nullptr; }));
}

TEST_F(WindowThreadTest, StopReturnsAtOnceWhenTheProcessIsTerminating) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // In a child process, as the flag is never cleared: a panel pointer whose
    // thread the system has already ended (no window, nobody to clear it).
    EXPECT_EXIT(
        {
            platform::Dialog orphan(IDD_SETUP);
            setupPanel = &orphan;
            platform::markProcessTerminating();
            const auto start = Clock::now();
            const bool stopped = stopWindows();
            const bool quick = Clock::now() - start < 500ms;
            std::exit(!stopped && quick && setupPanel.load() == &orphan ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(WindowThreadTest, RefreshMessageSetsRefreshPendingBack) {
    postPanelRefresh();  // no panel: nothing to do
    setPanelFactory(&makeSetupPanel);
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return panelWindow() != nullptr; }));
    refreshPending = 0;
    postPanelRefresh();
    EXPECT_TRUE(waitFor([] { return refreshPending.load() == 1; }));
}

TEST_F(WindowThreadTest, ThreadBodyEndsAtOnceWhenAPanelRuns) {
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return panelWindow() != nullptr; }));
    windowThreadMain();  // returns: the panel already runs
    EXPECT_EQ(panelsBuilt.load(), 1);
}

}  // namespace
