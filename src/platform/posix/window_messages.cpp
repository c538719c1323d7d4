// Posted and sent messages between headless windows of different threads.
#include <map>

#include "platform/posix/headless_window.h"
#include "platform/window_messages.h"

namespace platform {
namespace headless {
namespace {

constexpr std::chrono::milliseconds kSendTimeout{5000};

struct Registry {
    std::mutex lock;
    std::map<std::uintptr_t, std::shared_ptr<Window>> windows;
    std::uintptr_t nextId = 0x1000;
};

Registry& registry() {
    static Registry* instance = new Registry;  // usable from unload hooks
    return *instance;
}

}  // namespace

bool Window::post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::uint64_t* sequence) {
    std::lock_guard<std::mutex> guard(lock_);
    if (destroyed_) return false;
    queue_.push_back({message, wParam, lParam, ++lastSequence_});
    if (sequence) *sequence = lastSequence_;
    changed_.notify_all();
    return true;
}

bool Window::next(Message& message) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return woken_ || destroyed_ || !queue_.empty(); });
    if (woken_ || queue_.empty()) {
        woken_ = false;
        return false;
    }
    message = queue_.front();
    queue_.pop_front();
    return true;
}

void Window::handled(std::uint64_t sequence) {
    std::lock_guard<std::mutex> guard(lock_);
    if (sequence > handledSequence_) handledSequence_ = sequence;
    changed_.notify_all();
}

bool Window::waitHandled(std::uint64_t sequence, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, timeout, [&] { return destroyed_ || handledSequence_ >= sequence; });
}

void Window::wake() {
    std::lock_guard<std::mutex> guard(lock_);
    woken_ = true;
    changed_.notify_all();
}

void Window::destroy() {
    std::lock_guard<std::mutex> guard(lock_);
    destroyed_ = true;
    queue_.clear();
    changed_.notify_all();
}

WindowHandle registerWindow(std::shared_ptr<Window> window) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    const std::uintptr_t id = r.nextId++;
    r.windows.emplace(id, std::move(window));
    return reinterpret_cast<WindowHandle>(id);
}

void unregisterWindow(WindowHandle handle) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.windows.erase(reinterpret_cast<std::uintptr_t>(handle));
}

std::shared_ptr<Window> findWindow(WindowHandle handle) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    const auto found = r.windows.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == r.windows.end() ? nullptr : found->second;
}

}  // namespace headless

bool postMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    const std::shared_ptr<headless::Window> target = headless::findWindow(window);
    return target && target->post(message, wParam, lParam);
}

void sendCloseMessage(WindowHandle window) {
    // The shared pointer keeps the queue alive even if the window's thread
    // destroys the window meanwhile.
    const std::shared_ptr<headless::Window> target = headless::findWindow(window);
    std::uint64_t sequence = 0;
    if (!target || !target->post(kWmClose, 0, 0, &sequence)) return;
    // A window's own thread handles the message when it is back in its loop.
    if (target->owner() == std::this_thread::get_id()) return;
    target->waitHandled(sequence, headless::kSendTimeout);
}

}  // namespace platform
