// Headless dialogs: the controls of the portable dialog templates held in
// memory and one message queue per thread instead of a window system; a
// modal dialog is answered as modal_answer.cpp says. Control state may be
// read and changed from any thread; messages are handled on the window's
// thread.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>

#include "platform/dialog.h"
#include "platform/file_access_internal.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/testing.h"
#include "platform/host_call.h"
#include "resources/dialog_templates.h"

namespace korvan::platform {
namespace {

using headless::ControlState;
using headless::Window;
using WindowPtr = std::shared_ptr<Window>;

bool lessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(detail::lowerAscii(x)) < static_cast<unsigned char>(detail::lowerAscii(y));
    });
}

// Handlers run as the Windows dialog procedure runs them: an exception
// ends at the dispatch and never unwinds the message loop.
template <typename Body>
void guarded(Body body) {
    try {
        body();
    } catch (...) {
    }
}

// As MulDiv: value * numerator / denominator, rounded half away from zero.
int mulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

int unitsToX(int units) { return mulDiv(units, headless::kDialogUnitX, 4); }
int unitsToY(int units) { return mulDiv(units, headless::kDialogUnitY, 8); }

WindowPtr buildWindow(int templateId, bool modeless) {
    auto window = std::make_shared<Window>(headless::queueOfThisThread(), modeless);
    window->templateId = templateId;
    window->visible = !modeless;
    if (const resources::DialogTemplate* dialog = resources::findDialogTemplate(templateId)) {
        window->title = dialog->caption;
        window->clientWidth = unitsToX(dialog->width);
        window->clientHeight = unitsToY(dialog->height);
        if (modeless) window->visible = dialog->visible;
        for (const resources::ControlTemplate& item : dialog->controls) {
            // As GetDlgItem does, an id names the first control that has it.
            if (window->control(item.id)) continue;
            ControlState control;
            control.id = item.id;
            control.kind = item.kind;
            control.ownerDrawn = item.ownerDrawn;
            const int left = unitsToX(item.x), top = unitsToY(item.y);
            control.rect = {left, top, left + unitsToX(item.width), top + unitsToY(item.height)};
            switch (item.kind) {
                case resources::ControlKind::comboBox:
                case resources::ControlKind::sortedComboBox:
                    control.entries = item.comboInit;
                    if (item.kind == resources::ControlKind::sortedComboBox)
                        std::stable_sort(control.entries.begin(), control.entries.end(), lessNoCase);
                    break;
                case resources::ControlKind::edit:
                case resources::ControlKind::multiLineEdit:
                    break;  // an edit starts empty
                default:
                    control.text = item.caption;
                    break;
            }
            window->controls.push_back(std::move(control));
        }
    }
    window->windowRect = {0, 0, window->clientWidth + 2 * headless::kFrameWidth,
                          window->clientHeight + headless::kCaptionHeight + 2 * headless::kFrameWidth};
    return window;
}

Dialog* dialogOf(const WindowPtr& window) {
    std::lock_guard<std::mutex> guard(window->lock);
    return window->dialog;
}

}  // namespace

struct Dialog::Impl {
    // The dialog's last window: its state stays readable after it is gone.
    mutable std::mutex lock;
    WindowPtr window;
    std::atomic<WindowHandle> handle{nullptr};
    std::atomic<bool> ended{false};
    std::atomic<int> result{0};

    WindowPtr current() const {
        std::lock_guard<std::mutex> guard(lock);
        return window;
    }
    // The window while it exists.
    WindowPtr live() const {
        WindowPtr w = current();
        if (!w) return nullptr;
        std::lock_guard<std::mutex> guard(w->lock);
        return w->destroyed ? nullptr : w;
    }

    void open(Dialog& owner, WindowPtr w) {
        headless::registerWindow(w);
        {
            std::lock_guard<std::mutex> guard(w->lock);
            w->dialog = &owner;
        }
        {
            std::lock_guard<std::mutex> guard(lock);
            window = w;
        }
        handle.store(w->handle());
        headless::attachDesktopOnce();
    }

    void destroy() {
        WindowPtr w = current();
        if (!w) return;
        {
            std::lock_guard<std::mutex> guard(w->lock);
            if (w->destroyed) return;
            w->destroyed = true;
            w->visible = false;
            w->dialog = nullptr;
        }
        handle.store(nullptr);
        headless::unregisterWindow(w->handle());
        // Releases the senders of messages that will never be handled.
        w->queue()->dropMessagesFor(w->id());
    }

    // Reads the state of the current window under its lock.
    template <typename Result, typename Reader>
    Result read(Result fallback, Reader reader) const {
        WindowPtr w = current();
        if (!w) return fallback;
        std::lock_guard<std::mutex> guard(w->lock);
        return reader(*w);
    }
    template <typename Writer>
    void write(Writer writer) {
        WindowPtr w = current();
        if (!w) return;
        std::lock_guard<std::mutex> guard(w->lock);
        writer(*w);
    }
};

namespace {

// Host calls under way on this thread, and whether a message was held back
// during them (trivially destructible, so nothing is left registered on the
// thread when the library goes).
thread_local int hostCallDepth = 0;
thread_local bool heldBackDuringCall = false;

}  // namespace

detail::HostCallScope::HostCallScope() { ++hostCallDepth; }

detail::HostCallScope::~HostCallScope() {
    if (--hostCallDepth > 0 || !heldBackDuringCall) return;
    heldBackDuringCall = false;
    try {
        if (const std::shared_ptr<headless::ThreadQueue> queue = headless::existingQueueOfThisThread())
            queue->releaseHeldBack();
    } catch (...) {
    }
}

bool detail::insideHostCall() { return hostCallDepth > 0; }

namespace headless {
namespace {

// What is kept back in place of the message while the thread is inside a
// host call (host_call.h): what the dialog manager turns into a handler
// call. A pressed check box changes its state at once, as a real button
// does; only its command waits. Empty: the message runs now.
std::optional<Message> heldBackForm(Window& window, const Message& message) {
    Message held = message;
    switch (message.message) {
        case kWmClose:
        case kWmCommand:
            return held;
        case kWmKeyDown:
            if (message.wParam != kVkEscape && message.wParam != kVkReturn) return std::nullopt;
            held.message = kWmCommand;
            held.wParam = message.wParam == kVkEscape ? kIdCancel : kIdOk;
            return held;
        case kBmClick: {
            const int id = static_cast<int>(message.wParam);
            std::lock_guard<std::mutex> guard(window.lock);
            ControlState* control = window.control(id);
            if (!control) return std::nullopt;
            if (control->kind == resources::ControlKind::checkBox) control->check = control->check ? 0 : 1;
            held.message = kWmCommand;
            held.wParam = static_cast<std::uintptr_t>(id & 0xFFFF);
            return held;
        }
        default:
            return message.message >= kWmUser ? std::optional<Message>(held) : std::nullopt;
    }
}

// Paints an owner-drawn control through a recording canvas and keeps the
// operations as its last painting.
std::vector<CanvasOperation> paintNow(Dialog& dialog, const WindowPtr& window, int controlId, unsigned itemState) {
    Rect item;
    {
        std::lock_guard<std::mutex> guard(window->lock);
        ControlState* control = window->control(controlId);
        if (!control || !control->ownerDrawn || window->destroyed) return {};
        control->paintPending = false;
        item = {0, 0, control->rect.width(), control->rect.height()};
    }
    RecordingCanvas canvas;
    guarded([&] { dialog.dispatchDrawItem(controlId, canvas, item, itemState); });
    std::lock_guard<std::mutex> guard(window->lock);
    if (ControlState* control = window->control(controlId)) {
        ++control->paints;
        control->painting = canvas.operations();
    }
    return canvas.operations();
}

void paintPendingOf(const WindowPtr& window) {
    std::vector<int> pending;
    {
        std::lock_guard<std::mutex> guard(window->lock);
        if (window->destroyed || !window->dialog) return;
        for (const ControlState& control : window->controls)
            if (control.paintPending && control.ownerDrawn) pending.push_back(control.id);
    }
    for (int id : pending) {
        Dialog* dialog = dialogOf(window);  // a paint may destroy the window
        if (!dialog) return;
        paintNow(*dialog, window, id, 0);
    }
}

// Handles a message taken from the thread's queue and marks it handled. A
// modal dialog that ended in its handler is gone before its sender is
// released, as after the return of a Win32 SendMessage that ended it.
void runMessage(const std::shared_ptr<ThreadQueue>& queue, const Message& message) {
    if (!dispatchToWindow(message)) return;  // held back: handled after the host call
    if (WindowPtr window = findWindow(reinterpret_cast<WindowHandle>(message.target))) {
        if (Dialog* dialog = dialogOf(window); dialog && !window->modeless() && dialog->impl().ended.load())
            dialog->impl().destroy();
    }
    queue->handled(message);
}

}  // namespace

bool dispatchToWindow(const Message& message) {
    const WindowPtr window = findWindow(reinterpret_cast<WindowHandle>(message.target));
    if (!window) return true;
    Dialog* dialog = dialogOf(window);
    if (!dialog) return true;
    if (detail::insideHostCall()) {
        if (message.message == kWmSetCursor) return true;  // no handler inside a host call
        std::optional<Message> held;
        guarded([&] { held = heldBackForm(*window, message); });
        if (held) {
            bool kept = false;
            guarded([&] {
                window->queue()->holdBack(*held);
                kept = heldBackDuringCall = true;
            });
            return !kept;  // out of memory: the message is lost, as on Win32
        }
    }
    guarded([&] {
        switch (message.message) {
            case kWmClose:
                // A modeless dialog is destroyed; a modal one hears of it.
                if (window->modeless())
                    dialog->destroyWindow();
                else
                    dialog->dispatchMessage(kWmClose, 0, 0);
                break;
            case kWmKeyDown:
                // As the dialog manager turns Esc and Enter into commands.
                if (message.wParam == kVkEscape) dialog->dispatchMessage(kWmCommand, kIdCancel, 0);
                if (message.wParam == kVkReturn) dialog->dispatchMessage(kWmCommand, kIdOk, 0);
                break;
            case kBmClick: {
                const int id = static_cast<int>(message.wParam);
                {
                    std::lock_guard<std::mutex> guard(window->lock);
                    ControlState* control = window->control(id);
                    if (!control) break;
                    if (control->kind == resources::ControlKind::checkBox) control->check = control->check ? 0 : 1;
                }
                dialog->dispatchMessage(kWmCommand, static_cast<std::uintptr_t>(id & 0xFFFF), 0);
                break;
            }
            case kWmSetCursor:
                dialog->dispatchSetCursor();
                break;
            case kWmPaint:
                paintPendingOf(window);
                break;
            default:
                dialog->dispatchMessage(message.message, message.wParam, message.lParam);
                break;
        }
    });
    return true;
}

void paintPendingControls(const std::shared_ptr<ThreadQueue>& queue) {
    for (const WindowPtr& window : allWindows())
        if (window->queue() == queue) paintPendingOf(window);
}

int pumpMessages() {
    const std::shared_ptr<ThreadQueue> queue = existingQueueOfThisThread();
    if (!queue) return 0;
    int count = 0;
    Message message;
    while (queue->take(message, false)) {
        runMessage(queue, message);
        ++count;
    }
    paintPendingControls(queue);
    return count;
}

namespace {

bool postTo(const Dialog& dialog, unsigned message, std::uintptr_t wParam) {
    const WindowPtr window = findWindow(dialog.window());
    return window && window->post(message, wParam, 0);
}

Dialog::Impl& implOf(const Dialog& dialog) { return const_cast<Dialog&>(dialog).impl(); }

}  // namespace

bool pressControl(const Dialog& dialog, int controlId) {
    if (!dialog.hasControl(controlId)) return false;
    return postTo(dialog, kBmClick, static_cast<std::uintptr_t>(controlId));
}

bool pressKey(const Dialog& dialog, Key key) {
    return postTo(dialog, kWmKeyDown, key == Key::escape ? kVkEscape : kVkReturn);
}

bool moveMouseOver(const Dialog& dialog) { return postTo(dialog, kWmSetCursor, 0); }

std::vector<CanvasOperation> paintControl(Dialog& dialog, int controlId, unsigned itemState) {
    const WindowPtr window = dialog.impl().live();
    return window ? paintNow(dialog, window, controlId, itemState) : std::vector<CanvasOperation>();
}

std::optional<ControlColors> askControlColors(Dialog& dialog, int controlId) {
    std::optional<ControlColors> colors;
    if (dialog.window()) guarded([&] { colors = dialog.dispatchControlColor(controlId); });
    return colors;
}

std::vector<CanvasOperation> lastPainting(const Dialog& dialog, int controlId) {
    return implOf(dialog).read(std::vector<CanvasOperation>(), [&](const Window& w) {
        const ControlState* control = w.control(controlId);
        return control ? control->painting : std::vector<CanvasOperation>();
    });
}

ControlCounters controlCounters(const Dialog& dialog, int controlId) {
    return implOf(dialog).read(ControlCounters(), [&](const Window& w) {
        const ControlState* control = w.control(controlId);
        return control ? ControlCounters{control->invalidations, control->redraws, control->paints} : ControlCounters();
    });
}

bool isOwnerDrawn(const Dialog& dialog, int controlId) {
    return implOf(dialog).read(false, [&](const Window& w) {
        const ControlState* control = w.control(controlId);
        return control && control->ownerDrawn;
    });
}

bool paintsOffscreen(const Dialog& dialog, int controlId) {
    return implOf(dialog).read(false, [&](const Window& w) {
        const ControlState* control = w.control(controlId);
        return control && control->offscreen;
    });
}

int largeIcon(const Dialog& dialog) {
    return implOf(dialog).read(0, [](const Window& w) { return w.largeIcon; });
}

bool closeItemDisabled(const Dialog& dialog) {
    return implOf(dialog).read(false, [](const Window& w) { return w.closeItemDisabled; });
}

bool isModeless(const Dialog& dialog) {
    return implOf(dialog).read(false, [](const Window& w) { return w.modeless(); });
}

TextCodePage titleCodePage(const Dialog& dialog) {
    return implOf(dialog).read(TextCodePage::ansi, [](const Window& w) { return w.titleCodePage; });
}

TextCodePage controlCodePage(const Dialog& dialog, int controlId) {
    return implOf(dialog).read(TextCodePage::ansi, [&](const Window& w) {
        const ControlState* control = w.control(controlId);
        return control ? control->codePage : TextCodePage::ansi;
    });
}

std::string titleUtf8(const Dialog& dialog) { return toUtf8(dialog.title(), titleCodePage(dialog)); }

std::string controlTextUtf8(const Dialog& dialog, int controlId) {
    return toUtf8(dialog.controlText(controlId), controlCodePage(dialog, controlId));
}

void resizeClient(Dialog& dialog, int width, int height) {
    const WindowPtr window = dialog.impl().live();
    if (!window) return;
    {
        std::lock_guard<std::mutex> guard(window->lock);
        const int frameWidth = window->windowRect.width() - window->clientWidth;
        const int frameHeight = window->windowRect.height() - window->clientHeight;
        window->clientWidth = width;
        window->clientHeight = height;
        window->windowRect.right = window->windowRect.left + width + frameWidth;
        window->windowRect.bottom = window->windowRect.top + height + frameHeight;
    }
    guarded([&] { dialog.dispatchSize(width, height); });
}

}  // namespace headless

Dialog::Dialog(int templateId) : templateId_(templateId), impl_(std::make_unique<Impl>()) {}

Dialog::~Dialog() { impl_->destroy(); }

int Dialog::runModal() {
    if (impl_->live()) return -1;  // already has a window
    impl_->ended.store(false);
    impl_->result.store(0);
    const WindowPtr window = buildWindow(templateId_, false);
    const std::shared_ptr<headless::ThreadQueue> queue = window->queue();
    impl_->open(*this, window);

    guarded([&] { dispatchInit(); });
    if (!impl_->ended.load()) guarded([&] { headless::answerModalDialog(*this); });
    while (!impl_->ended.load()) {
        headless::Message message;
        if (!queue->take(message, false)) {
            // Idle: paint what was invalidated, then wait.
            headless::paintPendingControls(queue);
            if (impl_->ended.load() || !queue->take(message, true)) continue;
        }
        headless::runMessage(queue, message);
    }
    impl_->destroy();
    return impl_->result.load();
}

void Dialog::endDialog(int result) {
    const WindowPtr window = impl_->current();
    if (window && window->modeless()) {
        // As EndDialog does to a modeless dialog: it only hides it.
        hide();
        return;
    }
    impl_->result.store(result);
    impl_->ended.store(true);
    if (window) window->queue()->wake();
}

bool Dialog::createModeless() {
    if (impl_->live()) return false;
    impl_->ended.store(false);
    impl_->open(*this, buildWindow(templateId_, true));
    guarded([&] { dispatchInit(); });
    return true;
}

void Dialog::destroyWindow() { impl_->destroy(); }

void Dialog::show() {
    impl_->write([](Window& w) {
        if (!w.destroyed) w.visible = true;
    });
}

void Dialog::hide() {
    impl_->write([](Window& w) { w.visible = false; });
}

bool Dialog::isVisible() const {
    return impl_->read(false, [](const Window& w) { return !w.destroyed && w.visible; });
}

Rect Dialog::windowRect() const {
    return impl_->read(Rect(), [](const Window& w) { return w.windowRect; });
}

void Dialog::moveTo(int left, int top) {
    impl_->write([&](Window& w) {
        w.windowRect = {left, top, left + w.windowRect.width(), top + w.windowRect.height()};
    });
}

void Dialog::makeTopmost() {
    impl_->write([](Window& w) { w.topmost = true; });
}

bool Dialog::isTopmost() const {
    return impl_->read(false, [](const Window& w) { return w.topmost; });
}

Rect Dialog::clientRect() const {
    return impl_->read(Rect(), [](const Window& w) { return Rect{0, 0, w.clientWidth, w.clientHeight}; });
}

bool Dialog::hasControl(int controlId) const {
    return impl_->read(false, [&](const Window& w) { return w.control(controlId) != nullptr; });
}

Rect Dialog::controlRect(int controlId) const {
    return impl_->read(Rect(), [&](const Window& w) {
        const ControlState* control = w.control(controlId);
        return control ? control->rect : Rect();
    });
}

void Dialog::moveControl(int controlId, const Rect& rect) {
    impl_->write([&](Window& w) {
        if (ControlState* control = w.control(controlId)) control->rect = rect;
    });
}

void Dialog::setLargeIcon(int iconResourceId) {
    impl_->write([&](Window& w) { w.largeIcon = iconResourceId; });
}

void Dialog::disableCloseItem() {
    impl_->write([](Window& w) { w.closeItemDisabled = true; });
}

bool Dialog::makeOwnerDrawn(int controlId, bool offscreen) {
    bool found = false;
    impl_->write([&](Window& w) {
        if (ControlState* control = w.control(controlId)) {
            control->ownerDrawn = true;
            control->offscreen = offscreen;
            found = true;
        }
    });
    return found;
}

void Dialog::invalidateControl(int controlId, bool) {
    bool owned = false;
    WindowPtr window;
    impl_->write([&](Window& w) {
        if (ControlState* control = w.control(controlId)) {
            ++control->invalidations;
            control->paintPending = control->ownerDrawn;
            owned = control->ownerDrawn;
        }
    });
    // The thread paints when it is idle; wake it if it waits.
    if (owned && (window = impl_->live())) window->queue()->wake();
}

void Dialog::redrawControl(int controlId) {
    bool owned = false;
    impl_->write([&](Window& w) {
        if (ControlState* control = w.control(controlId)) {
            ++control->redraws;
            owned = control->ownerDrawn;
            control->paintPending = owned;
        }
    });
    const WindowPtr window = impl_->live();
    if (!owned || !window) return;
    if (window->queue()->owner() == std::this_thread::get_id())
        headless::paintNow(*this, window, controlId, 0);
    else
        window->queue()->wake();  // painted by its own thread
}

bool Dialog::postToSelf(unsigned message) {
    if (message < kWmUser) return false;
    const WindowPtr window = impl_->live();
    return window && window->post(message, 0, 0);
}

WindowHandle Dialog::window() const { return impl_->handle.load(); }

std::string Dialog::title() const {
    return impl_->read(std::string(), [](const Window& w) { return w.title; });
}

void Dialog::setTitle(const std::string& text, TextCodePage codePage) {
    impl_->write([&](Window& w) {
        w.title = text;
        w.titleCodePage = codePage;
    });
}

std::string Dialog::controlText(int controlId) const {
    return impl_->read(std::string(), [&](const Window& w) {
        const ControlState* control = w.control(controlId);
        return control ? control->text : std::string();
    });
}

void Dialog::setControlText(int controlId, const std::string& text, TextCodePage codePage) {
    impl_->write([&](Window& w) {
        ControlState* control = w.control(controlId);
        if (!control) return;
        control->text = text;
        control->codePage = codePage;
        // Typing over a combo box's edit part leaves no entry selected.
        if (control->selection >= 0 && control->entries[control->selection] != text) control->selection = -1;
    });
}

int Dialog::checkState(int controlId) const {
    return impl_->read(0, [&](const Window& w) {
        const ControlState* control = w.control(controlId);
        return control ? control->check : 0;
    });
}

void Dialog::setCheckState(int controlId, int state) {
    impl_->write([&](Window& w) {
        if (ControlState* control = w.control(controlId)) control->check = state;
    });
}

std::vector<std::string> Dialog::comboEntries(int controlId) const {
    return impl_->read(std::vector<std::string>(), [&](const Window& w) {
        const ControlState* control = w.control(controlId);
        return control ? control->entries : std::vector<std::string>();
    });
}

int Dialog::comboSelection(int controlId) const {
    return impl_->read(-1, [&](const Window& w) {
        const ControlState* control = w.control(controlId);
        return control ? control->selection : -1;
    });
}

void Dialog::setComboSelection(int controlId, int index) {
    impl_->write([&](Window& w) {
        ControlState* control = w.control(controlId);
        if (!control) return;
        // As a drop-down combo box: the edit part shows the selected entry;
        // an index out of range clears both.
        if (index >= 0 && index < static_cast<int>(control->entries.size())) {
            control->selection = index;
            control->text = control->entries[index];
        } else {
            control->selection = -1;
            control->text.clear();
        }
    });
}

}  // namespace korvan::platform
