// The headless windows as a host stand-in sees them: when the plug-in's
// first window opens, a program that exports korvan_host_attach_desktop
// (see host_stand_in.h) is handed functions that describe the windows and
// press their controls and keys. At unload it is handed null.
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/posix/text_code_page.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/host_stand_in.h"
#include "platform/threads.h"
#include "resources/window_kinds.h"

namespace korvan::platform::headless {
namespace {

// The window's kind as a host tells it by its controls (window_kinds.h);
// "" for none. Called with the window's lock held.
std::string kindOf(const Window& window) {
    return resources::windowKindName(resources::windowKindOf(
        [&](int id) { return window.control(id) != nullptr; },
        [&](int id) {
            const ControlState* control = window.control(id);
            return control && control->ownerDrawn;
        }));
}

std::string jsonString(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string describe() {
    std::string json = "[";
    bool first = true;
    for (const std::shared_ptr<Window>& window : allWindows()) {
        std::lock_guard<std::mutex> guard(window->lock);
        if (window->destroyed) continue;
        const std::string kind = kindOf(*window);
        if (kind.empty()) continue;
        json += first ? "" : ", ";
        first = false;
        json += "{\"kind\": " + jsonString(kind) + ", \"title\": " +
                jsonString(toUtf8(window->title, window->titleCodePage)) +
                ", \"visible\": " + (window->visible ? "true" : "false") +
                ", \"topmost\": " + (window->topmost ? "true" : "false") + ", \"checks\": {";
        bool firstCheck = true;
        for (const ControlState& control : window->controls) {
            if (control.kind != resources::ControlKind::checkBox) continue;
            json += firstCheck ? "" : ", ";
            firstCheck = false;
            json += jsonString(toUtf8(control.text, control.codePage)) + ": " + std::to_string(control.check);
        }
        json += "}}";
    }
    return json + "]";
}

std::shared_ptr<Window> firstOfKind(const char* kind) {
    if (!kind) return nullptr;
    for (const std::shared_ptr<Window>& window : allWindows()) {
        std::lock_guard<std::mutex> guard(window->lock);
        if (!window->destroyed && kindOf(*window) == kind) return window;
    }
    return nullptr;
}

unsigned describeWindows(char* buffer, unsigned size) {
    try {
        const std::string json = describe();
        if (buffer && size > 0) {
            const std::size_t n = std::min<std::size_t>(json.size(), size - 1);
            std::memcpy(buffer, json.data(), n);
            buffer[n] = '\0';
        }
        return static_cast<unsigned>(json.size());
    } catch (...) {
        if (buffer && size > 0) buffer[0] = '\0';
        return 0;
    }
}

int pressDesktopControl(const char* kind, int controlId) {
    try {
        const std::shared_ptr<Window> window = firstOfKind(kind);
        if (!window) return 1;
        {
            std::lock_guard<std::mutex> guard(window->lock);
            if (!window->control(controlId)) return 1;
        }
        return window->post(kBmClick, static_cast<std::uintptr_t>(controlId), 0) ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

int pressDesktopKey(const char* kind, int key) {
    try {
        const std::shared_ptr<Window> window = firstOfKind(kind);
        if (!window || (key != KORVAN_KEY_ESCAPE && key != KORVAN_KEY_ENTER)) return 1;
        return window->post(kWmKeyDown, key == KORVAN_KEY_ESCAPE ? kVkEscape : kVkReturn, 0) ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

bool paintPending(const Window& window) {
    for (const ControlState& control : window.controls)
        if (control.paintPending) return true;
    return false;
}

int waitUntilWindowsIdle(unsigned timeoutMilliseconds) {
    try {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
        const auto left = [&] {
            return std::max(std::chrono::milliseconds(0), std::chrono::duration_cast<std::chrono::milliseconds>(
                                                              deadline - std::chrono::steady_clock::now()));
        };
        // A message sent behind everything queued: handled means the
        // thread came back to its queue after all of it.
        for (const std::shared_ptr<Window>& window : allWindows()) {
            std::uint64_t sequence = 0;
            if (!window->post(kWmNull, 0, 0, true, &sequence)) continue;  // destroyed meanwhile
            if (!window->queue()->waitHandled(sequence, left())) return 1;
        }
        // The thread paints once its queue is empty.
        for (const std::shared_ptr<Window>& window : allWindows()) {
            for (;;) {
                {
                    std::lock_guard<std::mutex> guard(window->lock);
                    if (window->destroyed || !paintPending(*window)) break;
                }
                if (left().count() == 0) return 1;
                sleepMilliseconds(2);
            }
        }
        return 0;
    } catch (...) {
        return 1;
    }
}

const KorvanHeadlessDesktop desktop{&describeWindows, &pressDesktopControl, &pressDesktopKey,
                                    &waitUntilWindowsIdle};

std::once_flag attachOnce;
KorvanHostAttachDesktopFunction attachedTo = nullptr;
// Looked up while the library loads (see host_automation.cpp): never from
// the window thread, which may still run while the host unloads the library.
const KorvanHostAttachDesktopFunction attachFunction =
    reinterpret_cast<KorvanHostAttachDesktopFunction>(dlsym(RTLD_DEFAULT, KORVAN_HOST_ATTACH_DESKTOP_SYMBOL));

// The functions handed over go away with the library.
void detachDesktop() {
    if (attachedTo) attachedTo(nullptr);
    attachedTo = nullptr;
}

}  // namespace

void attachDesktopOnce() {
    std::call_once(attachOnce, [] {
        const KorvanHostAttachDesktopFunction attach = attachFunction;
        if (!attach) return;
        attachedTo = attach;
        runAtLibraryUnload(&detachDesktop);
        attach(&desktop);
    });
}

}  // namespace korvan::platform::headless
