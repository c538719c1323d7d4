#pragma once
// Headless windows: a message queue per window, registered under a handle
// that is never reused, so a message for a window that is gone fails
// instead of reaching another one.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/window_messages.h"

namespace platform::headless {

struct Message {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::uint64_t sequence = 0;
};

class Window {
public:
    explicit Window(std::thread::id owner) : owner_(owner) {}

    std::thread::id owner() const { return owner_; }

    // Queues a message; false once the window is destroyed.
    bool post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::uint64_t* sequence = nullptr);
    // Waits for the next message; false when woken by wake() instead.
    bool next(Message& message);
    // The owner has finished handling the message with this sequence number.
    void handled(std::uint64_t sequence);
    // Waits until that message was handled or the window is destroyed;
    // false on time-out.
    bool waitHandled(std::uint64_t sequence, std::chrono::milliseconds timeout);
    // Makes a waiting next() return false (once).
    void wake();
    // Drops the queued messages and releases every waiting sender.
    void destroy();

private:
    const std::thread::id owner_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Message> queue_;
    std::uint64_t lastSequence_ = 0;
    std::uint64_t handledSequence_ = 0;
    bool woken_ = false;
    bool destroyed_ = false;
};

WindowHandle registerWindow(std::shared_ptr<Window> window);
void unregisterWindow(WindowHandle handle);
// Null when no live window has this handle.
std::shared_ptr<Window> findWindow(WindowHandle handle);

}  // namespace platform::headless
