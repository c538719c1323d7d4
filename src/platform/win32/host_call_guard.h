#pragma once
// What a dialog answers to a WM_CLOSE sent from another thread while its
// own thread is inside a host call (host_call.h): the close is held back
// and runs after the call, so sendCloseMessage then waits for the window
// to go instead of taking the answer as the close done.
#include <windows.h>

namespace korvan::platform::win32 {

constexpr LRESULT kCloseHeldBack = 0x4B43;

}  // namespace korvan::platform::win32
