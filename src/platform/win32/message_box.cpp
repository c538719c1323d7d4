// Real, modal message boxes.
#include <windows.h>

#include "platform/message_box.h"

namespace korvan::platform {

int messageBox(const std::string& text, const std::string& caption, unsigned style, MessageBoxOwner owner) {
    HWND ownerWindow = owner == MessageBoxOwner::activeWindowOfThread ? GetActiveWindow() : nullptr;
    return MessageBoxA(ownerWindow, text.c_str(), caption.empty() ? nullptr : caption.c_str(), style);
}

MessageBoxSink setMessageBoxSink(MessageBoxSink) { return {}; }

}  // namespace korvan::platform
