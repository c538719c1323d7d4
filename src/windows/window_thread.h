#pragma once
// The window thread: the setup panel runs modally in a thread of its own,
// with the KDA and DXCC windows inside it. The host's thread starts it at a
// reset and closes it at a later reset or when the library unloads.
#include <atomic>
#include <memory>

#include "platform/dialog.h"
#include "windows/operator_windows.h"

namespace korvan {

// Window message that asks the setup panel to refresh its windows.
constexpr unsigned WM_STATS_REFRESH = 0x0400 + 500;

// The open setup panel, KDA window and DXCC window; null when not open.
// Written by the window thread (and cleared by stopWindows) under
// stateLock(), so a reader holding the lock may use the object.
extern std::atomic<platform::Dialog*> setupPanel;
extern std::atomic<platform::Dialog*> kdaWindow;
extern std::atomic<platform::Dialog*> dxccWindow;

// The panel the window thread builds (tests put their own panels in; null
// restores the real setup panel).
void setPanelFactory(PanelFactory factory);

// Closes a running panel first (waiting for its thread), then starts a new
// window thread. Returns false when no thread could be started.
bool startWindowThread();
// Closes the DXCC window, the KDA window and the panel, in that order, and
// waits (polling every 20 ms, bounded) until the window thread has ended.
// Returns true when no panel is left running.
bool stopWindows();
// The window thread's body: its OperatorWindows starts from the memory the
// last window thread left and leaves its own for the next.
void windowThreadMain();

// How long stopWindows waits for a panel that does not answer.
constexpr unsigned kStopWindowsTimeoutMs = 5000;

// True while a panel runs or a started window thread has not finished.
bool windowThreadRunning();
// Posts WM_STATS_REFRESH to the panel's window, if any (never sends).
void postPanelRefresh();

}  // namespace korvan
