#pragma once
// A setup panel run on the test's thread with a fake host object, and what
// the host heard.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/contest_state.h"
#include "platform/host_automation.h"
#include "platform/headless/testing.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "scripted_host.h"
#include "scratch_folder.h"
#include "windows/operator_windows.h"
#include "windows/setup_panel.h"
#include "windows/window_thread.h"

using namespace korvan;

namespace headless = platform::headless;

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_shared<ScriptedHostState>();
        platform::setHostAutomationFactory([this]() -> std::unique_ptr<platform::HostAutomation> {
            if (!hostRunning) return nullptr;
            return std::make_unique<ScriptedHost>(host);
        });
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().contestYear = "2017";
    }
    void TearDown() override {
        platform::headless::setModalScript(IDD_SETUP, {});
        platform::setHostAutomationFactory({});
    }

    static void setSetting(const std::string& key, const std::string& value) {
        platform::writeProfileString(settingsFile, settingsSection, key, value);
    }
    // "<missing>" when the key is absent.
    static std::string setting(const std::string& key) {
        return platform::readProfileString(settingsFile, settingsSection, key, "<missing>");
    }

    // Runs a panel modally on this thread, as the window thread does: its
    // operator windows start from `memory` and leave theirs there. body runs
    // once the panel has started and the messages it posted itself have
    // run; then Esc closes the panel unless body has closed it. Returns the
    // run's result.
    int runPanelWithWindows(const std::function<void(SetupPanel&, OperatorWindows&)>& body) {
        OperatorWindows windows(memory);
        SetupPanel& panel = static_cast<SetupPanel&>(*windows.makePanel());
        platform::headless::setModalScript(IDD_SETUP, [&](platform::Dialog&) {
            headless::pumpMessages();
            body(panel, windows);
            if (panel.window()) headless::pressKey(panel, headless::Key::escape);
        });
        const int result = panel.runModal();
        memory = windows.memory();
        return result;
    }
    int runPanel(const std::function<void(SetupPanel&)>& body) {
        return runPanelWithWindows([&](SetupPanel& panel, OperatorWindows&) { body(panel); });
    }

    // Presses a control of the panel and runs what that posted.
    static void press(SetupPanel& panel, int controlId) {
        ASSERT_TRUE(headless::pressControl(panel, controlId));
        headless::pumpMessages();
    }

    ScratchFolder folder;
    std::shared_ptr<ScriptedHostState> host;
    bool hostRunning = true;
    WindowMemory memory;
};
