#pragma once
// A call into the host's automation object from a single-threaded
// apartment runs a message loop until the host answers. The dialogs of the
// thread must not run their handlers inside that loop (a click or a posted
// refresh would re-enter the code that made the call): the dialog procedure
// keeps such messages back while a call is under way and posts them again,
// in their order, once the outermost call has returned.
#include <windows.h>

namespace platform::win32 {

class HostCallScope {
public:
    HostCallScope();
    ~HostCallScope();
    HostCallScope(const HostCallScope&) = delete;
    HostCallScope& operator=(const HostCallScope&) = delete;
};

// True while the calling thread is inside a host call.
bool insideHostCall();
// Keeps the message back until the outermost host call has returned.
void deferUntilHostCallEnds(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform::win32
