#include "windows/window_thread.h"

#include <chrono>

#include "engine/contest_state.h"
#include "platform/threads.h"
#include "platform/window_messages.h"
#include "windows/operator_windows.h"

namespace korvan {

std::atomic<platform::Dialog*> setupPanel{nullptr};
std::atomic<platform::Dialog*> kdaWindow{nullptr};
std::atomic<platform::Dialog*> dxccWindow{nullptr};

namespace {

constexpr unsigned kPollMs = 20;
std::atomic<PanelFactory> panelFactory{nullptr};

// What the windows remember for the library's life (placement, keep on
// top, the last band, frequency and callsign), between two window threads:
// each takes it at its start and leaves its own at its end. Guarded by
// stateLock(); touched at those two moments only.
WindowMemory memoryBetweenPanels;

WindowMemory recallWindowMemory() {
    std::lock_guard<std::mutex> guard(stateLock());
    return memoryBetweenPanels;
}

void keepWindowMemory(const WindowMemory& memory) {
    std::lock_guard<std::mutex> guard(stateLock());
    memoryBetweenPanels = memory;
}

// The window handle of a dialog slot, read under the state lock so the
// window thread cannot delete the object meanwhile.
platform::WindowHandle windowOf(std::atomic<platform::Dialog*>& slot) {
    std::lock_guard<std::mutex> guard(stateLock());
    platform::Dialog* dialog = slot.load();
    return dialog ? dialog->window() : nullptr;
}

// Closes the window of a slot and clears the slot, under the state lock as
// every write of a slot, and only if it still holds the window closed: one
// that the window thread opened meanwhile keeps its slot (its panel closes
// it when it ends).
void closeChildWindow(std::atomic<platform::Dialog*>& slot, bool send) {
    platform::Dialog* closed = nullptr;
    platform::WindowHandle window = nullptr;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        closed = slot.load();
        if (closed && send) window = closed->window();
    }
    if (!closed) return;
    if (window) platform::sendCloseMessage(window);
    std::lock_guard<std::mutex> guard(stateLock());
    slot.compare_exchange_strong(closed, nullptr);
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
        OperatorWindows windows(recallWindowMemory());
        // Built outside the lock: the panel's constructor may read the state.
        platform::Dialog* panel = windows.makePanel(panelFactory.load());
        {
            std::lock_guard<std::mutex> guard(stateLock());
            if (!panel || setupPanel.load()) return;
            setupPanel.store(panel);
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
        keepWindowMemory(windows.memory());
        // Leaving the scope deletes the panel (outside the lock: nobody can
        // reach it through setupPanel any more) and its windows, then
        // releases the host object before the thread ends its use of
        // automation.
    } catch (...) {
        // Nothing may end the process from this thread.
    }
}

bool windowThreadRunning() { return setupPanel.load() || windowThreadsRunning.load() > 0; }

void postPanelRefresh() {
    if (platform::WindowHandle window = windowOf(setupPanel))
        platform::postMessage(window, WM_STATS_REFRESH, 0, 0);
}

}  // namespace korvan
