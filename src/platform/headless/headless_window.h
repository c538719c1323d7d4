#pragma once
// Headless windows. Every thread that creates windows has one message queue
// that serves all of them (its modal dialog and its modeless ones), as a
// Win32 thread's queue does; a message names its target window. Windows are
// registered under handles that are never reused, so a message for a
// window that is gone fails instead of reaching another one.
//
// A window's inspectable state (title, controls, placement) lives here, not
// in the Dialog object, so that other threads (tests, the host stand-in's
// desktop) can read it without racing the Dialog's deletion.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialog.h"
#include "platform/recording_canvas.h"
#include "platform/window_messages.h"
#include "resources/dialog_templates.h"

namespace korvan::platform::headless {

// Messages of the headless windows beside the framework's own, numbered as
// their Win32 counterparts.
constexpr unsigned kWmNull = 0x0000;   // does nothing: its answer shows the thread reached it
constexpr unsigned kWmPaint = 0x000F;      // paint the invalidated owner-drawn controls
constexpr unsigned kWmSetCursor = 0x0020;  // the mouse is over the window
constexpr unsigned kWmKeyDown = 0x0100;    // wParam: kVkEscape or kVkReturn
constexpr unsigned kBmClick = 0x00F5;      // wParam: the control the operator presses
constexpr std::uintptr_t kVkReturn = 0x0D;
constexpr std::uintptr_t kVkEscape = 0x1B;

struct Message {
    std::uintptr_t target = 0;  // the window's handle
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::uint64_t sequence = 0;
    bool sent = false;  // a sender waits until it is handled
};

// The message queue of one thread.
class ThreadQueue {
public:
    explicit ThreadQueue(std::thread::id owner) : owner_(owner) {}
    std::thread::id owner() const { return owner_; }

    // Queues the message and gives it its sequence number.
    void post(Message& message);
    // The next message; waits for one when wait is true. false when there
    // is none, or when woken by wake() while waiting.
    bool take(Message& message, bool wait);
    // The owner has finished handling the message.
    void handled(const Message& message);
    // Waits until the sent message with this sequence number was handled
    // or dropped; false on time-out.
    bool waitHandled(std::uint64_t sequence, std::chrono::milliseconds timeout);
    // Makes a waiting take() return false (once).
    void wake();
    // Drops the queued and held-back messages of a window and releases
    // their senders.
    void dropMessagesFor(std::uintptr_t target);

    // Keeps the message back until the owner's outermost host call has
    // returned (its sender, if any, goes on waiting). A posted user message
    // the same as one already kept back is dropped: that one does the work.
    void holdBack(const Message& message);
    // Queues the held-back messages again, in their order, after those
    // already waiting.
    void releaseHeldBack();

private:
    const std::thread::id owner_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Message> queue_;
    std::deque<Message> heldBack_;
    std::set<std::uint64_t> unfinishedSends_;
    std::uint64_t lastSequence_ = 0;
    bool woken_ = false;
};

// The queue of the calling thread, made on first use; it lives as long as
// a window of the thread holds it.
std::shared_ptr<ThreadQueue> queueOfThisThread();
// The calling thread's queue if it has one.
std::shared_ptr<ThreadQueue> existingQueueOfThisThread();

struct ControlState {
    int id = 0;
    resources::ControlKind kind = resources::ControlKind::edit;
    std::string text;
    TextCodePage codePage = TextCodePage::ansi;
    int check = 0;
    std::vector<std::string> entries;
    int selection = -1;
    Rect rect;  // client pixels
    bool ownerDrawn = false;
    bool offscreen = false;
    int invalidations = 0;  // invalidateControl calls
    int redraws = 0;        // redrawControl calls
    int paints = 0;         // times onDrawItem painted it
    bool paintPending = false;
    std::vector<CanvasOperation> painting;  // the last paint
};

class Window {
public:
    Window(std::shared_ptr<ThreadQueue> queue, bool modeless) : queue_(std::move(queue)), modeless_(modeless) {}

    std::uintptr_t id() const { return id_; }
    WindowHandle handle() const { return reinterpret_cast<WindowHandle>(id_); }
    const std::shared_ptr<ThreadQueue>& queue() const { return queue_; }
    bool modeless() const { return modeless_; }

    // Queues a message for this window; false once it is destroyed.
    bool post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, bool sent = false,
              std::uint64_t* sequence = nullptr);

    // The state below is guarded by lock.
    mutable std::mutex lock;
    int templateId = 0;
    std::string title;
    TextCodePage titleCodePage = TextCodePage::ansi;
    std::vector<ControlState> controls;  // template order; an id names its first control
    Rect windowRect;
    int clientWidth = 0, clientHeight = 0;
    bool visible = false;
    bool topmost = false;
    bool closeItemDisabled = false;
    int largeIcon = 0;
    bool destroyed = false;

    ControlState* control(int controlId);
    const ControlState* control(int controlId) const;

    // The Dialog that handles the window's messages: set and read only on
    // the owner thread, null once the window is destroyed.
    Dialog* dialog = nullptr;

private:
    friend std::shared_ptr<Window> registerWindow(std::shared_ptr<Window>);
    std::uintptr_t id_ = 0;
    const std::shared_ptr<ThreadQueue> queue_;
    const bool modeless_;
};

// Registers the window and gives it its handle.
std::shared_ptr<Window> registerWindow(std::shared_ptr<Window> window);
void unregisterWindow(WindowHandle handle);
// Null when no live window has this handle.
std::shared_ptr<Window> findWindow(WindowHandle handle);
// The live windows, in the order they were created.
std::vector<std::shared_ptr<Window>> allWindows();

// On the owner thread: hands the message to the window's Dialog
// (dialog.cpp). false when it was held back for after a host call (it is
// then not handled yet).
bool dispatchToWindow(const Message& message);
// On the owner thread: paints the invalidated owner-drawn controls of the
// thread's windows (dialog.cpp).
void paintPendingControls(const std::shared_ptr<ThreadQueue>& queue);

// On the dialog's thread, once a modal dialog has been initialised: no
// operator sits at a headless desktop, so a test's script, the host
// stand-in's answer or the template's OK button answers it (modal_answer.cpp).
void answerModalDialog(Dialog& dialog);

// The first time a window opens: hands the headless desktop to a host
// stand-in that offers to take it (desktop.cpp).
void attachDesktopOnce();

}  // namespace korvan::platform::headless
