#include "engine/window_control.h"

#include <atomic>

namespace korvan {

namespace {

std::atomic<bool (*)()> panelRunningHook{nullptr};
std::atomic<bool (*)()> startWindowsHook{nullptr};
std::atomic<void (*)()> postRefreshHook{nullptr};

}  // namespace

void setWindowControl(const WindowControl& control) {
    panelRunningHook.store(control.panelRunning);
    startWindowsHook.store(control.startWindows);
    postRefreshHook.store(control.postRefresh);
}

bool panelRunning() {
    auto hook = panelRunningHook.load();
    return hook && hook();
}

bool startWindows() {
    auto hook = startWindowsHook.load();
    return hook && hook();
}

void postRefreshToPanel() {
    if (auto hook = postRefreshHook.load()) hook();
}

}  // namespace korvan
