// Real dialogs from the templates in the DLL's resources. The dialog
// procedure finds the Dialog object in DWLP_USER and routes messages to it;
// combo boxes are filled from the dialog's initialisation data.
//
// A thread's dialogs are Unicode windows, so that texts given in the
// Windows-1251 code page show correctly whatever the system's ANSI code
// page; the other texts go through the ANSI functions. A modal run is the
// dialog created modeless plus a message loop of our own that gives the
// keyboard (Esc, Enter, Tab) to every dialog of the thread through
// IsDialogMessage, so the modeless windows opened from a modal one behave
// as dialogs too.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/dialog.h"
#include "platform/host_call.h"
#include "platform/win32/gdi_canvas.h"
#include "platform/win32/host_call_guard.h"
#include "platform/win32/wide_text.h"

namespace korvan::platform {
namespace {

// Resource type of the dialog initialisation data (combo-box lists).
constexpr WORD kDialogInitResourceType = 240;
// The add-string message as the resource compiler stores it (its 16-bit number).
constexpr WORD kAddString16 = 0x0403;
// Code page of the Russian labels.
constexpr UINT kCyrillicCodePage = 1251;

HINSTANCE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

// Entries: [WORD control][WORD message][DWORD length][length bytes incl. the
// terminating zero], repeated, ending with a WORD 0.
void fillFromDialogInit(HWND window, int templateId) {
    HINSTANCE module = thisModule();
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(kDialogInitResourceType));
    if (!resource) return;
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* data = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    if (!data) return;
    const DWORD size = SizeofResource(module, resource);
    DWORD at = 0;
    while (at + sizeof(WORD) <= size) {
        WORD control, message;
        DWORD length;
        std::memcpy(&control, data + at, sizeof control);
        if (control == 0 || at + 2 * sizeof(WORD) + sizeof(DWORD) > size) break;
        std::memcpy(&message, data + at + sizeof(WORD), sizeof message);
        std::memcpy(&length, data + at + 2 * sizeof(WORD), sizeof length);
        at += 2 * sizeof(WORD) + sizeof(DWORD);
        if (length > size - at) break;
        if (message == kAddString16 || message == CB_ADDSTRING) {
            const char* text = reinterpret_cast<const char*>(data + at);
            const std::string entry(text, strnlen(text, length));
            SendDlgItemMessageA(window, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        }
        at += length;
    }
}

std::string windowText(HWND window) {
    if (!window) return {};
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

void setWindowText(HWND window, const std::string& text, TextCodePage codePage) {
    if (!window) return;
    if (codePage == TextCodePage::ansi) {
        SetWindowTextA(window, text.c_str());
        return;
    }
    SetWindowTextW(window, win32::widen(text, kCyrillicCodePage).c_str());
}

Rect toRect(const RECT& rect) { return Rect{rect.left, rect.top, rect.right, rect.bottom}; }

// Marks the windows of our dialogs, for the keyboard handling of the modal
// loop. (No thread_local containers: their destructors would be registered
// on the host's threads and could outlive the library.)
const wchar_t kDialogMark[] = L"KorvanDialog";

bool isThreadDialog(HWND window) {
    return GetPropW(window, kDialogMark) != nullptr &&
           GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

// Messages kept back during a host call (see host_call.h).
struct DeferredMessage {
    DWORD thread;
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
struct DeferredQueue {
    std::mutex lock;
    std::map<DWORD, int> callDepth;  // threads inside a host call
    std::vector<DeferredMessage> messages;
};

DeferredQueue& deferredQueue() {
    static DeferredQueue queue;
    return queue;
}

// Keeps the message back until the outermost host call has returned.
void deferUntilHostCallEnds(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        DeferredQueue& queue = deferredQueue();
        std::lock_guard<std::mutex> guard(queue.lock);
        queue.messages.push_back({GetCurrentThreadId(), window, message, wParam, lParam});
    } catch (...) {
        // Out of memory: the message is lost, the host call goes on.
    }
}

}  // namespace

namespace detail {

HostCallScope::HostCallScope() {
    DeferredQueue& queue = deferredQueue();
    std::lock_guard<std::mutex> guard(queue.lock);
    ++queue.callDepth[GetCurrentThreadId()];
}

HostCallScope::~HostCallScope() {
    const DWORD thread = GetCurrentThreadId();
    std::vector<DeferredMessage> mine;
    try {
        DeferredQueue& queue = deferredQueue();
        std::lock_guard<std::mutex> guard(queue.lock);
        const auto depth = queue.callDepth.find(thread);
        if (depth != queue.callDepth.end() && --depth->second > 0) return;
        if (depth != queue.callDepth.end()) queue.callDepth.erase(depth);
        const auto others = std::stable_partition(queue.messages.begin(), queue.messages.end(),
                                                  [thread](const DeferredMessage& m) { return m.thread == thread; });
        mine.assign(queue.messages.begin(), others);
        queue.messages.erase(queue.messages.begin(), others);
    } catch (...) {
        return;
    }
    for (const DeferredMessage& m : mine) PostMessageW(m.window, m.message, m.wParam, m.lParam);
}

bool insideHostCall() {
    DeferredQueue& queue = deferredQueue();
    std::lock_guard<std::mutex> guard(queue.lock);
    return queue.callDepth.count(GetCurrentThreadId()) != 0;
}

}  // namespace detail

struct Dialog::Impl {
    std::atomic<HWND> window{nullptr};
    bool modeless = false;
    // A modal run ends when this is set (by endDialog).
    bool modalEnded = false;
    int modalResult = 0;
    // Owner-drawn controls: id -> painted off-screen.
    std::map<int, bool> ownerDrawn;
    // The brushes of the control-colour answers, one per colour, owned by
    // the window and deleted with it.
    std::map<Color, HBRUSH> brushes;

    HBRUSH brush(Color color) {
        const auto found = brushes.find(color);
        if (found != brushes.end()) return found->second;
        HBRUSH made = CreateSolidBrush(color);
        if (made) brushes.emplace(color, made);
        return made;
    }
    void deleteBrushes() {
        for (const auto& entry : brushes) DeleteObject(entry.second);
        brushes.clear();
    }
    HWND control(int controlId) const {
        HWND dialog = window.load();
        return dialog ? GetDlgItem(dialog, controlId) : nullptr;
    }
};

namespace {

// Handlers that the dialog keeps back while a host call runs on its thread.
// The dialog manager's own DM_GETDEFID, DM_SETDEFID and DM_REPOSITION, at
// the start of the WM_USER range, are answered at once: kept back, their
// answer would be a stale one.
bool heldBackDuringHostCall(UINT message) {
    return message == WM_COMMAND || message == WM_CLOSE || (message > DM_REPOSITION && message < 0x8000);
}

INT_PTR drawItem(Dialog& dialog, const DRAWITEMSTRUCT& item) {
    const auto& ownerDrawn = dialog.impl().ownerDrawn;
    const auto found = ownerDrawn.find(static_cast<int>(item.CtlID));
    if (found == ownerDrawn.end() || !item.hDC) return FALSE;
    const Rect itemRect = toRect(item.rcItem);
    if (found->second) {
        win32::OffscreenPaint offscreen(item.hDC);
        win32::GdiCanvas canvas(offscreen.dc());
        dialog.dispatchDrawItem(found->first, canvas, itemRect, item.itemState);
    } else {
        win32::GdiCanvas canvas(item.hDC);
        dialog.dispatchDrawItem(found->first, canvas, itemRect, item.itemState);
    }
    return TRUE;
}

INT_PTR controlColor(Dialog& dialog, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int controlId = message == WM_CTLCOLORDLG ? 0 : GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    const std::optional<ControlColors> colors = dialog.dispatchControlColor(controlId);
    if (!colors) return FALSE;
    HBRUSH brush = dialog.impl().brush(colors->brush);
    if (!brush) return FALSE;
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, colors->text);
    SetBkColor(dc, colors->textBackground);
    return reinterpret_cast<INT_PTR>(brush);
}

INT_PTR routeMessage(Dialog& dialog, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (heldBackDuringHostCall(message) && detail::insideHostCall()) {
        deferUntilHostCallEnds(window, message, wParam, lParam);
        // A close sent from another thread: its sender waits for the window
        // to go (sendCloseMessage).
        if (message == WM_CLOSE && InSendMessage()) SetWindowLongPtrW(window, DWLP_MSGRESULT, win32::kCloseHeldBack);
        return TRUE;
    }
    switch (message) {
        case WM_CLOSE:
            if (dialog.impl().modeless) {
                DestroyWindow(window);
                return TRUE;
            }
            break;
        case WM_DRAWITEM:
            return lParam ? drawItem(dialog, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) : FALSE;
        case WM_SETCURSOR:
            if (!detail::insideHostCall()) dialog.dispatchSetCursor();
            return FALSE;  // the default handling sets the cursor
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return controlColor(dialog, window, message, wParam, lParam);
        case WM_SIZE:
            dialog.dispatchSize(LOWORD(lParam), HIWORD(lParam));
            return FALSE;
        default:
            break;
    }
    return dialog.dispatchMessage(message, static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam))
               ? TRUE
               : FALSE;
}

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // No exception may cross the system's frames.
    try {
        if (message == WM_INITDIALOG) {
            auto* dialog = reinterpret_cast<Dialog*>(lParam);
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            dialog->impl().window.store(window);
            SetPropW(window, kDialogMark, reinterpret_cast<HANDLE>(1));
            fillFromDialogInit(window, dialog->templateId());
            return dialog->dispatchInit() ? TRUE : FALSE;
        }
        if (message == WM_NCDESTROY) {
            RemovePropW(window, kDialogMark);
            if (auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER))) {
                dialog->impl().window.store(nullptr);
                dialog->impl().deleteBrushes();
                SetWindowLongPtrW(window, DWLP_USER, 0);
            }
            return FALSE;
        }
        auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
        if (!dialog) return FALSE;
        return routeMessage(*dialog, window, message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

HWND createDialogWindow(Dialog& dialog) {
    return CreateDialogParamW(thisModule(), MAKEINTRESOURCEW(dialog.templateId()), nullptr, &dialogProcedure,
                              reinterpret_cast<LPARAM>(&dialog));
}

// Gives the message to the dialog of the thread it belongs to as keyboard
// input (Esc, Enter, Tab); false when it is not for such a dialog or the
// dialog did not take it.
bool handledAsDialogInput(MSG& message) {
    if (!message.hwnd) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    return root && isThreadDialog(root) && IsDialogMessageW(root, &message);
}

}  // namespace

Dialog::Dialog(int templateId) : templateId_(templateId), impl_(std::make_unique<Impl>()) {}

Dialog::~Dialog() {
    // A window that outlives its object must not reach it any more.
    if (HWND window = impl_->window.load()) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) DestroyWindow(window);
    }
    impl_->deleteBrushes();
}

int Dialog::runModal() {
    if (impl_->window.load()) return -1;  // already open
    impl_->modeless = false;
    impl_->modalEnded = false;
    impl_->modalResult = -1;
    HWND window = createDialogWindow(*this);
    if (!window) return -1;
    // endDialog during the initialisation ends the run before it shows.
    if (!impl_->modalEnded && IsWindow(window) && !IsWindowVisible(window)) ShowWindow(window, SW_SHOWNORMAL);
    while (!impl_->modalEnded && IsWindow(window)) {
        MSG message;
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // WM_QUIT ends the run and stays for the loop further out.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (handledAsDialogInput(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (IsWindow(window)) DestroyWindow(window);
    impl_->window.store(nullptr);
    return impl_->modalResult;
}

void Dialog::endDialog(int result) {
    HWND window = impl_->window.load();
    if (!window) return;
    if (impl_->modeless) {
        // As EndDialog does for a modeless dialog: the window is hidden.
        ShowWindow(window, SW_HIDE);
        return;
    }
    impl_->modalResult = result;
    impl_->modalEnded = true;
    PostMessageW(window, WM_NULL, 0, 0);  // wakes the modal loop
}

bool Dialog::createModeless() {
    if (impl_->window.load()) return false;
    impl_->modeless = true;
    return createDialogWindow(*this) != nullptr;
}

void Dialog::destroyWindow() {
    if (HWND window = impl_->window.load()) DestroyWindow(window);
}

void Dialog::show() {
    if (HWND window = impl_->window.load()) ShowWindow(window, SW_SHOW);
}

void Dialog::hide() {
    if (HWND window = impl_->window.load()) ShowWindow(window, SW_HIDE);
}

bool Dialog::isVisible() const {
    HWND window = impl_->window.load();
    return window && IsWindowVisible(window);
}

Rect Dialog::windowRect() const {
    RECT rect{};
    if (HWND window = impl_->window.load()) GetWindowRect(window, &rect);
    return toRect(rect);
}

void Dialog::moveTo(int left, int top) {
    if (HWND window = impl_->window.load()) SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Dialog::makeTopmost() {
    if (HWND window = impl_->window.load())
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool Dialog::isTopmost() const {
    HWND window = impl_->window.load();
    return window && (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

Rect Dialog::clientRect() const {
    RECT rect{};
    if (HWND window = impl_->window.load()) GetClientRect(window, &rect);
    return toRect(rect);
}

bool Dialog::hasControl(int controlId) const { return impl_->control(controlId) != nullptr; }

Rect Dialog::controlRect(int controlId) const {
    HWND control = impl_->control(controlId);
    if (!control) return {};
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, impl_->window.load(), reinterpret_cast<POINT*>(&rect), 2);
    return toRect(rect);
}

void Dialog::moveControl(int controlId, const Rect& rect) {
    if (HWND control = impl_->control(controlId)) MoveWindow(control, rect.left, rect.top, rect.width(), rect.height(), TRUE);
}

void Dialog::setLargeIcon(int iconResourceId) {
    HWND window = impl_->window.load();
    if (!window) return;
    // A shared icon of the module: the system frees it with the module.
    HICON icon = LoadIconW(thisModule(), MAKEINTRESOURCEW(iconResourceId));
    if (icon) SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void Dialog::disableCloseItem() {
    HWND window = impl_->window.load();
    if (!window) return;
    if (HMENU menu = GetSystemMenu(window, FALSE)) EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
}

bool Dialog::makeOwnerDrawn(int controlId, bool offscreen) {
    HWND control = impl_->control(controlId);
    if (!control) return false;
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    // The button type is the style's lowest four bits.
    SetWindowLongPtrW(control, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    impl_->ownerDrawn[controlId] = offscreen;
    InvalidateRect(control, nullptr, TRUE);
    return true;
}

void Dialog::invalidateControl(int controlId, bool erase) {
    if (HWND control = impl_->control(controlId)) InvalidateRect(control, nullptr, erase ? TRUE : FALSE);
}

void Dialog::redrawControl(int controlId) {
    if (HWND control = impl_->control(controlId))
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool Dialog::postToSelf(unsigned message) {
    HWND window = impl_->window.load();
    return window && message >= kWmUser && PostMessageW(window, message, 0, 0) != 0;
}

WindowHandle Dialog::window() const { return impl_->window.load(); }

std::string Dialog::title() const { return windowText(impl_->window.load()); }

void Dialog::setTitle(const std::string& text, TextCodePage codePage) {
    setWindowText(impl_->window.load(), text, codePage);
}

std::string Dialog::controlText(int controlId) const { return windowText(impl_->control(controlId)); }

void Dialog::setControlText(int controlId, const std::string& text, TextCodePage codePage) {
    setWindowText(impl_->control(controlId), text, codePage);
}

int Dialog::checkState(int controlId) const {
    HWND window = impl_->window.load();
    return window ? static_cast<int>(IsDlgButtonChecked(window, controlId)) : 0;
}

void Dialog::setCheckState(int controlId, int state) {
    if (HWND window = impl_->window.load()) CheckDlgButton(window, controlId, static_cast<UINT>(state));
}

std::vector<std::string> Dialog::comboEntries(int controlId) const {
    std::vector<std::string> entries;
    HWND window = impl_->window.load();
    if (!window) return entries;
    const LRESULT count = SendDlgItemMessageA(window, controlId, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendDlgItemMessageA(window, controlId, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) break;
        std::string entry(static_cast<std::size_t>(length) + 1, '\0');
        const LRESULT copied = SendDlgItemMessageA(window, controlId, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                                   reinterpret_cast<LPARAM>(entry.data()));
        entry.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        entries.push_back(entry);
    }
    return entries;
}

int Dialog::comboSelection(int controlId) const {
    HWND window = impl_->window.load();
    if (!window) return -1;
    const LRESULT selection = SendDlgItemMessageA(window, controlId, CB_GETCURSEL, 0, 0);
    return selection == CB_ERR ? -1 : static_cast<int>(selection);
}

void Dialog::setComboSelection(int controlId, int index) {
    if (HWND window = impl_->window.load())
        SendDlgItemMessageA(window, controlId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace korvan::platform
