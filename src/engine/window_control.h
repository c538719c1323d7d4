#pragma once

namespace korvan {
// What the engine asks of the operator windows, which live in a layer above
// it: whether a panel runs, start the window thread, post a refresh. The
// plug-in boundary installs the windows layer's functions; until then (and
// in tests that install nothing) there are no windows.
struct WindowControl {
    // True while a setup panel runs or a window thread has started and not
    // finished yet.
    bool (*panelRunning)() = nullptr;
    // Starts the window thread (closing a running panel first).
    bool (*startWindows)() = nullptr;
    // Posts a refresh request to the running panel, if any (never sends).
    void (*postRefresh)() = nullptr;
};

void setWindowControl(const WindowControl& control);

bool panelRunning();
bool startWindows();
void postRefreshToPanel();

}  // namespace korvan
