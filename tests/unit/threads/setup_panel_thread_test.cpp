// The real setup panel on the window thread, driven from the test's thread
// as the host's thread and the operator do. Run under TSan too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/contest_state.h"
#include "scripted_host.h"
#include "platform/headless/testing.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "scratch_folder.h"
#include "windows/setup_panel.h"
#include "windows/window_thread.h"

using namespace korvan;

using namespace std::chrono_literals;
namespace headless = platform::headless;

namespace {

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::string setting(const std::string& key) {
    return platform::readProfileString(settingsFile, settingsSection, key, "<missing>");
}

// Reads a window slot as the host's thread does: under the state lock.
template <typename Read>
auto underLock(std::atomic<platform::Dialog*>& slot, Read read) {
    std::lock_guard<std::mutex> guard(stateLock());
    platform::Dialog* dialog = slot.load();
    return read(dialog);
}

bool isOpen(std::atomic<platform::Dialog*>& slot) {
    return underLock(slot, [](platform::Dialog* d) { return d && d->window() != nullptr; });
}

class PanelThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_shared<ScriptedHostState>();
        platform::setHostAutomationFactory([this]() -> std::unique_ptr<platform::HostAutomation> {
            acquiredOn = std::this_thread::get_id();
            return std::make_unique<ScriptedHost>(host);
        });
        setPanelFactory(&makeSetupPanel);
    }
    void TearDown() override {
        EXPECT_TRUE(stopWindows());
        setPanelFactory(nullptr);
        platform::setHostAutomationFactory({});
    }

    ScratchFolder folder;
    std::shared_ptr<ScriptedHostState> host;
    std::atomic<std::thread::id> acquiredOn{};
};

TEST_F(PanelThreadTest, TheHostObjectLivesAndDiesOnTheWindowThread) {
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([this] { return host->heard().size() == 2; }));
    EXPECT_NE(acquiredOn.load(), std::this_thread::get_id());
    EXPECT_TRUE(stopWindows());
    // Released by the window thread before it ended.
    std::lock_guard<std::mutex> guard(host->lock);
    EXPECT_EQ(host->released, 1);
    EXPECT_EQ(host->releasedOn, acquiredOn.load());
}

TEST_F(PanelThreadTest, StopClosesTheOpenWindowsAndThePanel) {
    platform::writeProfileString(settingsFile, settingsSection, "setup_view_KDA", "1");
    platform::writeProfileString(settingsFile, settingsSection, "setup_view_DXCC", "1");
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return isOpen(kdaWindow) && isOpen(dxccWindow); }));
    EXPECT_TRUE(stopWindows());
    EXPECT_EQ(kdaWindow.load(), nullptr);
    EXPECT_EQ(dxccWindow.load(), nullptr);
    EXPECT_EQ(setupPanel.load(), nullptr);
}

TEST_F(PanelThreadTest, TheOperatorsPressesArriveFromAnotherThread) {
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return underLock(setupPanel, [](platform::Dialog* d) { return d && d->window(); }); }));
    const auto press = [](int id) {
        underLock(setupPanel, [id](platform::Dialog* d) { return d && headless::pressControl(*d, id); });
    };
    press(IDC_SETUP_SSB);
    press(IDC_SETUP_VIEW_KDA);
    ASSERT_TRUE(waitFor([] { return isOpen(kdaWindow); }));
    // The toggle writes its key after the window has opened.
    ASSERT_TRUE(waitFor([] { return setting("setup_view_KDA") == "1"; }));
    EXPECT_EQ(setting("setup_Mode"), "SSB");
    // Refreshes from the host's thread meanwhile.
    for (int i = 0; i < 50; ++i) postPanelRefresh();
    press(IDC_SETUP_VIEW_KDA);
    ASSERT_TRUE(waitFor([] { return kdaWindow.load() == nullptr; }));
    EXPECT_EQ(host->heard(), (std::vector<std::string>{"<MODE:CW>", "<BAUDRATE:27>", "<MODE:SSB>"}));
}

TEST_F(PanelThreadTest, EscEndsThePanelsThread) {
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor([] { return underLock(setupPanel, [](platform::Dialog* d) { return d && d->window(); }); }));
    underLock(setupPanel, [](platform::Dialog* d) { return headless::pressKey(*d, headless::Key::escape); });
    EXPECT_TRUE(waitFor([] { return !windowThreadRunning(); }));
    std::lock_guard<std::mutex> guard(host->lock);
    EXPECT_EQ(host->released, 1);
}

// What the windows remember outlives a panel (as after a reset): the next
// window thread's panel sends "<SP1>" only when the frequency moved since
// the last one, and creates the windows topmost while its own box starts
// unticked.
TEST_F(PanelThreadTest, ANewPanelStartsFromWhatTheLastOneRemembered) {
    platform::writeProfileString(settingsFile, settingsSection, "setup_view_KDA", "1");
    // The KDA window's title is set once the refresh's host calls are done.
    const auto refreshedOn20m = [] {
        return underLock(kdaWindow, [](platform::Dialog* d) { return d && d->title() == "Korvan- KDA on 20m 0 of 210"; });
    };
    const auto tuneTo = [this](double hertz) {
        std::lock_guard<std::mutex> guard(host->lock);
        host->hertz = hertz;
        host->commands.clear();
    };
    const auto press = [](int id) {
        underLock(setupPanel, [id](platform::Dialog* d) { return d && headless::pressControl(*d, id); });
    };
    const auto kdaOnTop = [] {
        return underLock(kdaWindow, [](platform::Dialog* d) { return d && d->window() && d->isTopmost(); });
    };

    tuneTo(14025000.0);
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor(refreshedOn20m));
    press(IDC_SETUP_ON_TOP);
    ASSERT_TRUE(waitFor(kdaOnTop));
    ASSERT_TRUE(stopWindows());

    tuneTo(14025000.0);
    ASSERT_TRUE(startWindowThread());
    ASSERT_TRUE(waitFor(refreshedOn20m));
    EXPECT_TRUE(kdaOnTop());
    EXPECT_EQ(0, underLock(setupPanel, [](platform::Dialog* d) { return d->checkState(IDC_SETUP_ON_TOP); }));
    EXPECT_EQ(host->heard(), (std::vector<std::string>{"<MODE:CW>", "<BAUDRATE:27>"}));

    // Left as a library just loaded would have it for the tests after this
    // one (one process runs them all under ThreadSanitizer): not on top, and
    // the last "<SP1>" at 0 Hz.
    press(IDC_SETUP_ON_TOP);
    press(IDC_SETUP_ON_TOP);
    tuneTo(0.0);
    postPanelRefresh();
    ASSERT_TRUE(waitFor([this] { return host->heard() == std::vector<std::string>{"<SP1>"}; }));
}

}  // namespace
