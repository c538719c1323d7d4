// The message queues of the headless windows' threads, the window registry,
// and posted and sent messages between threads.
#include <algorithm>
#include <map>

#include "platform/headless/headless_window.h"
#include "platform/window_messages.h"

namespace korvan::platform {
namespace headless {
namespace {

constexpr std::chrono::milliseconds kSendTimeout{5000};

// Plain statics, constructed when the library loads and destroyed after the
// unload step (which still sends messages) has run.
std::mutex registryLock;
std::map<std::uintptr_t, std::shared_ptr<Window>> liveWindows;  // by handle, so in creation order
std::uintptr_t nextWindowId = 0x1000;
// Each thread's queue while a window of the thread holds it.
std::map<std::thread::id, std::weak_ptr<ThreadQueue>> threadQueues;

}  // namespace

void ThreadQueue::post(Message& message) {
    std::lock_guard<std::mutex> guard(lock_);
    message.sequence = ++lastSequence_;
    if (message.sent) unfinishedSends_.insert(message.sequence);
    queue_.push_back(message);
    changed_.notify_all();
}

bool ThreadQueue::take(Message& message, bool wait) {
    std::unique_lock<std::mutex> guard(lock_);
    if (wait) changed_.wait(guard, [this] { return woken_ || !queue_.empty(); });
    if (woken_ && wait) {
        woken_ = false;
        return false;
    }
    if (queue_.empty()) return false;
    message = queue_.front();
    queue_.pop_front();
    return true;
}

void ThreadQueue::handled(const Message& message) {
    if (!message.sent) return;
    std::lock_guard<std::mutex> guard(lock_);
    unfinishedSends_.erase(message.sequence);
    changed_.notify_all();
}

bool ThreadQueue::waitHandled(std::uint64_t sequence, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, timeout, [&] { return unfinishedSends_.count(sequence) == 0; });
}

void ThreadQueue::wake() {
    std::lock_guard<std::mutex> guard(lock_);
    woken_ = true;
    changed_.notify_all();
}

void ThreadQueue::dropMessagesFor(std::uintptr_t target) {
    std::lock_guard<std::mutex> guard(lock_);
    for (std::deque<Message>* messages : {&queue_, &heldBack_}) {
        for (auto it = messages->begin(); it != messages->end();) {
            if (it->target != target) {
                ++it;
                continue;
            }
            if (it->sent) unfinishedSends_.erase(it->sequence);
            it = messages->erase(it);
        }
    }
    changed_.notify_all();
}

void ThreadQueue::holdBack(const Message& message) {
    std::lock_guard<std::mutex> guard(lock_);
    const auto sameWork = [&message](const Message& held) {
        return !held.sent && held.target == message.target && held.message == message.message &&
               held.wParam == message.wParam && held.lParam == message.lParam;
    };
    if (!message.sent && message.message >= kWmUser && std::any_of(heldBack_.begin(), heldBack_.end(), sameWork))
        return;
    heldBack_.push_back(message);
}

void ThreadQueue::releaseHeldBack() {
    std::lock_guard<std::mutex> guard(lock_);
    if (heldBack_.empty()) return;
    queue_.insert(queue_.end(), heldBack_.begin(), heldBack_.end());
    heldBack_.clear();
    changed_.notify_all();
}

std::shared_ptr<ThreadQueue> queueOfThisThread() {
    const std::thread::id self = std::this_thread::get_id();
    std::lock_guard<std::mutex> guard(registryLock);
    // Forget the queues of threads whose windows are all gone.
    for (auto it = threadQueues.begin(); it != threadQueues.end();)
        it = it->second.expired() ? threadQueues.erase(it) : std::next(it);
    std::weak_ptr<ThreadQueue>& slot = threadQueues[self];
    std::shared_ptr<ThreadQueue> queue = slot.lock();
    if (!queue) {
        queue = std::make_shared<ThreadQueue>(self);
        slot = queue;
    }
    return queue;
}

std::shared_ptr<ThreadQueue> existingQueueOfThisThread() {
    std::lock_guard<std::mutex> guard(registryLock);
    const auto found = threadQueues.find(std::this_thread::get_id());
    return found == threadQueues.end() ? nullptr : found->second.lock();
}

bool Window::post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, bool sent, std::uint64_t* sequence) {
    // Held while queueing, so a message never follows the window's
    // destruction into the queue.
    std::lock_guard<std::mutex> guard(lock);
    if (destroyed) return false;
    Message queued{id_, message, wParam, lParam, 0, sent};
    queue_->post(queued);
    if (sequence) *sequence = queued.sequence;
    return true;
}

ControlState* Window::control(int controlId) {
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [controlId](const ControlState& c) { return c.id == controlId; });
    return found == controls.end() ? nullptr : &*found;
}

const ControlState* Window::control(int controlId) const { return const_cast<Window*>(this)->control(controlId); }

std::shared_ptr<Window> registerWindow(std::shared_ptr<Window> window) {
    std::lock_guard<std::mutex> guard(registryLock);
    window->id_ = nextWindowId++;
    liveWindows.emplace(window->id_, window);
    return window;
}

void unregisterWindow(WindowHandle handle) {
    std::lock_guard<std::mutex> guard(registryLock);
    liveWindows.erase(reinterpret_cast<std::uintptr_t>(handle));
}

std::shared_ptr<Window> findWindow(WindowHandle handle) {
    std::lock_guard<std::mutex> guard(registryLock);
    const auto found = liveWindows.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == liveWindows.end() ? nullptr : found->second;
}

std::vector<std::shared_ptr<Window>> allWindows() {
    std::lock_guard<std::mutex> guard(registryLock);
    std::vector<std::shared_ptr<Window>> windows;
    windows.reserve(liveWindows.size());
    for (const auto& [id, window] : liveWindows) windows.push_back(window);
    return windows;
}

}  // namespace headless

bool postMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    const std::shared_ptr<headless::Window> target = headless::findWindow(window);
    return target && target->post(message, wParam, lParam);
}

void sendCloseMessage(WindowHandle window) {
    // The shared pointer keeps the window's state and queue alive even if
    // its thread destroys the window meanwhile.
    const std::shared_ptr<headless::Window> target = headless::findWindow(window);
    if (!target) return;
    // A window's own thread handles a sent message at once, as Win32 does.
    if (target->queue()->owner() == std::this_thread::get_id()) {
        headless::dispatchToWindow({target->id(), kWmClose, 0, 0, 0, false});
        return;
    }
    std::uint64_t sequence = 0;
    if (!target->post(kWmClose, 0, 0, true, &sequence)) return;
    target->queue()->waitHandled(sequence, headless::kSendTimeout);
}

}  // namespace korvan::platform
