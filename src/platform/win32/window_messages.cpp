// Posted and sent window messages.
#include <windows.h>

#include "platform/window_messages.h"

namespace platform {

namespace {
constexpr UINT kSendTimeoutMs = 5000;
}

bool postMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!window) return false;
    return PostMessageA(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) != 0;
}

void sendCloseMessage(WindowHandle window) {
    if (!window) return;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(static_cast<HWND>(window), WM_CLOSE, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &result);
}

}  // namespace platform
