#include "windows/window_thread.h"

#include <chrono>

#include "engine/contest_state.h"
#include "platform/threads.h"
#include "platform/window_messages.h"
#include "windows/host_link.h"
#include "windows/setup_panel.h"

std::atomic<platform::Dialog*> setupPanel{nullptr};
std::atomic<platform::Dialog*> kdaWindow{nullptr};
std::atomic<platform::Dialog*> dxccWindow{nullptr};

namespace {

constexpr unsigned kPollMs = 20;
std::atomic<PanelFactory> panelFactory{nullptr};

std::unique_ptr<platform::Dialog> makePanel() {
    if (PanelFactory factory = panelFactory.load()) return factory();
    return makeSetupPanel();
}

// The window handle of a dialog slot, read under the state lock so the
// window thread cannot delete the object meanwhile.
platform::WindowHandle windowOf(std::atomic<platform::Dialog*>& slot) {
    std::lock_guard<std::mutex> guard(stateLock());
    platform::Dialog* dialog = slot.load();
    return dialog ? dialog->window() : nullptr;
}

void closeChildWindow(std::atomic<platform::Dialog*>& slot, bool send) {
    if (!slot.load()) return;
    if (platform::WindowHandle window = send ? windowOf(slot) : nullptr) platform::sendCloseMessage(window);
    slot.store(nullptr);
}

// Threads started by startWindowThread that have not finished yet.
std::atomic<int> windowThreadsRunning{0};

void windowThreadEntry() {
    windowThreadMain();
    windowThreadsRunning.fetch_sub(1);
}

}  // namespace

void setPanelFactory(PanelFactory factory) { panelFactory.store(factory); }

bool stopWindows() {
    if (!setupPanel.load() && windowThreadsRunning.load() == 0) return true;
    // At process exit the system has already ended the window thread: its
    // panel can neither answer nor clear the pointer, so waiting would hang
    // the host's exit.
    if (platform::processIsTerminating()) return false;

    // One time limit for the whole stop: a hung window thread costs the
    // time-out of one close message, not one per window.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopWindowsTimeoutMs);
    const auto beforeDeadline = [&] { return std::chrono::steady_clock::now() < deadline; };

    closeChildWindow(dxccWindow, beforeDeadline());
    closeChildWindow(kdaWindow, beforeDeadline());

    // A thread that was started but has not yet stored its panel counts as
    // running: its panel would otherwise open after this stop.
    bool closeSent = false;
    while (setupPanel.load() || windowThreadsRunning.load() > 0) {
        if (!closeSent && beforeDeadline()) {
            // The pointer is set before the window exists; keep trying until
            // there is a window to close.
            if (platform::WindowHandle window = windowOf(setupPanel)) {
                platform::sendCloseMessage(window);
                closeSent = true;
                continue;
            }
        }
        if (!beforeDeadline()) return false;
        platform::sleepMilliseconds(kPollMs);
    }
    return true;
}

bool startWindowThread() {
    if (setupPanel.load() || windowThreadsRunning.load() > 0) stopWindows();
    windowThreadsRunning.fetch_add(1);
    if (platform::startThread(&windowThreadEntry)) return true;
    windowThreadsRunning.fetch_sub(1);
    return false;
}

void windowThreadMain() {
    try {
        if (setupPanel.load()) return;  // a panel already runs
        // Built outside the lock: the panel's constructor may read the state.
        std::unique_ptr<platform::Dialog> panel = makePanel();
        {
            std::lock_guard<std::mutex> guard(stateLock());
            if (!panel || setupPanel.load()) return;
            setupPanel.store(panel.get());
        }
        // From here on the panel pointer must be cleared whatever happens.
        try {
            panel->runModal();
        } catch (...) {
        }
        {
            std::lock_guard<std::mutex> guard(stateLock());
            setupPanel.store(nullptr);
        }
        // Deleted outside the lock (its destructor may take it); nobody can
        // reach it any more through setupPanel.
        panel.reset();
        // The host object goes with the thread that acquired it, before the
        // thread ends its use of automation.
        releaseHostObject();
    } catch (...) {
        // Nothing may end the process from this thread.
    }
}

bool windowThreadRunning() { return setupPanel.load() || windowThreadsRunning.load() > 0; }

void postPanelRefresh() {
    if (platform::WindowHandle window = windowOf(setupPanel))
        platform::postMessage(window, WM_STATS_REFRESH, 0, 0);
}
