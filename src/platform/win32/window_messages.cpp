// Posted and sent window messages.
#include <windows.h>

#include <chrono>

#include "platform/threads.h"
#include "platform/win32/host_call_guard.h"
#include "platform/window_messages.h"

namespace korvan::platform {

namespace {
constexpr UINT kSendTimeoutMs = 5000;
constexpr unsigned kPollMs = 10;
}

bool postMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!window) return false;
    return PostMessageA(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) != 0;
}

void sendCloseMessage(WindowHandle window) {
    if (!window) return;
    HWND target = static_cast<HWND>(window);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSendTimeoutMs);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(target, WM_CLOSE, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &result)) return;
    // The window's thread was inside a host call: the close runs after it,
    // and the window goes then. (Never the case on the window's own thread,
    // which would wait for itself.)
    if (result != static_cast<DWORD_PTR>(win32::kCloseHeldBack)) return;
    if (GetWindowThreadProcessId(target, nullptr) == GetCurrentThreadId()) return;
    while (IsWindow(target) && std::chrono::steady_clock::now() < deadline) sleepMilliseconds(kPollMs);
}

}  // namespace korvan::platform
