#pragma once
// Window handles and the messages the plug-in passes between threads.
#include <cstdint>

namespace korvan::platform {

using WindowHandle = void*;  // HWND on Windows, a headless window elsewhere

constexpr unsigned kWmClose = 0x0010;
constexpr unsigned kWmCommand = 0x0111;
constexpr unsigned kWmUser = 0x0400;

// Ids of the standard OK and Cancel buttons (also the results of a modal run).
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Queues a message for the window's thread; false when the window is gone.
bool postMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
// Delivers WM_CLOSE and waits (at most about 5 seconds in all) until the
// window's thread has handled it or the window is gone. A close that
// arrives while that thread is inside a host call is handled after the
// call (see host_call.h), and the sender waits until then all the same.
void sendCloseMessage(WindowHandle window);

}  // namespace korvan::platform
