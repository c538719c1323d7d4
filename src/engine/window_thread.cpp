#include "engine/window_thread.h"

#include "engine/contest_state.h"
#include "platform/threads.h"
#include "platform/window_messages.h"

std::atomic<platform::Dialog*> setupPanel{nullptr};
std::atomic<platform::Dialog*> kdaWindow{nullptr};
std::atomic<platform::Dialog*> dxccWindow{nullptr};

namespace {

constexpr unsigned kPollMs = 20;
constexpr int kSetupPanelTemplate = 105;

std::atomic<PanelFactory> panelFactory{nullptr};

std::unique_ptr<platform::Dialog> makePanel() {
    if (PanelFactory factory = panelFactory.load()) return factory();
    return std::make_unique<platform::Dialog>(kSetupPanelTemplate);
}

// The window handle of a dialog slot, read under the state lock so the
// window thread cannot delete the object meanwhile.
platform::WindowHandle windowOf(std::atomic<platform::Dialog*>& slot) {
    std::lock_guard<std::mutex> guard(stateLock());
    platform::Dialog* dialog = slot.load();
    return dialog ? dialog->window() : nullptr;
}

void closeChildWindow(std::atomic<platform::Dialog*>& slot) {
    if (!slot.load()) return;
    if (platform::WindowHandle window = windowOf(slot)) platform::sendCloseMessage(window);
    slot.store(nullptr);
}

}  // namespace

void setPanelFactory(PanelFactory factory) { panelFactory.store(factory); }

bool stopWindows() {
    if (!setupPanel.load()) return true;
    // At process exit the system has already ended the window thread: its
    // panel can neither answer nor clear the pointer, so waiting would hang
    // the host's exit.
    if (platform::processIsTerminating()) return false;

    closeChildWindow(dxccWindow);
    closeChildWindow(kdaWindow);

    bool closeSent = false;
    for (unsigned waited = 0; setupPanel.load(); waited += kPollMs) {
        if (!closeSent) {
            // The pointer is set before the window exists; keep trying until
            // there is a window to close.
            if (platform::WindowHandle window = windowOf(setupPanel)) {
                platform::sendCloseMessage(window);
                closeSent = true;
            }
        }
        if (!setupPanel.load()) break;
        if (waited >= kStopWindowsTimeoutMs) return false;
        platform::sleepMilliseconds(kPollMs);
    }
    return true;
}

bool startWindowThread() {
    if (setupPanel.load()) stopWindows();
    return platform::startThread(&windowThreadMain);
}

void windowThreadMain() {
    std::unique_ptr<platform::Dialog> panel;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        if (setupPanel.load()) return;  // a panel already runs
        panel = makePanel();
        setupPanel.store(panel.get());
    }
    panel->runModal();
    {
        std::lock_guard<std::mutex> guard(stateLock());
        setupPanel.store(nullptr);
        panel.reset();
    }
}

void postRefreshToPanel() {
    if (platform::WindowHandle window = windowOf(setupPanel))
        platform::postMessage(window, WM_STATS_REFRESH, 0, 0);
}
