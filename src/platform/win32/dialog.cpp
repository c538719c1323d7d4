// Real modal dialogs from the templates in the DLL's resources. The dialog
// procedure finds the Dialog object in DWLP_USER and routes messages to it;
// combo boxes are filled from the dialog's initialisation data.
#include <windows.h>

#include <atomic>
#include <cstring>

#include "platform/dialog.h"

namespace platform {
namespace {

// Resource type of the dialog initialisation data (combo-box lists).
constexpr WORD kDialogInitResourceType = 240;
// The add-string message as the resource compiler stores it (its 16-bit number).
constexpr WORD kAddString16 = 0x0403;

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

}  // namespace

struct Dialog::Impl {
    std::atomic<HWND> window{nullptr};
};

namespace {

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // No exception may cross the system's frames.
    try {
        if (message == WM_INITDIALOG) {
            auto* dialog = reinterpret_cast<Dialog*>(lParam);
            SetWindowLongPtrA(window, DWLP_USER, lParam);
            dialog->impl().window.store(window);
            fillFromDialogInit(window, dialog->templateId());
            return dialog->dispatchInit() ? TRUE : FALSE;
        }
        auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
        if (!dialog) return FALSE;
        if (message == WM_NCDESTROY) {
            dialog->impl().window.store(nullptr);
            SetWindowLongPtrA(window, DWLP_USER, 0);
            return FALSE;
        }
        return dialog->dispatchMessage(message, static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam))
                   ? TRUE
                   : FALSE;
    } catch (...) {
        return FALSE;
    }
}

}  // namespace

Dialog::Dialog(int templateId) : templateId_(templateId), impl_(std::make_unique<Impl>()) {}

Dialog::~Dialog() = default;

int Dialog::runModal() {
    const INT_PTR result = DialogBoxParamA(thisModule(), MAKEINTRESOURCEA(templateId_), nullptr, &dialogProcedure,
                                           reinterpret_cast<LPARAM>(this));
    impl_->window.store(nullptr);
    return static_cast<int>(result);
}

void Dialog::endDialog(int result) {
    if (HWND window = impl_->window.load()) EndDialog(window, result);
}

WindowHandle Dialog::window() const { return impl_->window.load(); }

std::string Dialog::title() const { return windowText(impl_->window.load()); }

void Dialog::setTitle(const std::string& text, TextCodePage) {
    if (HWND window = impl_->window.load()) SetWindowTextA(window, text.c_str());
}

std::string Dialog::controlText(int controlId) const {
    HWND window = impl_->window.load();
    return window ? windowText(GetDlgItem(window, controlId)) : std::string();
}

void Dialog::setControlText(int controlId, const std::string& text, TextCodePage) {
    if (HWND window = impl_->window.load()) SetDlgItemTextA(window, controlId, text.c_str());
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

void setHeadlessScript(int, HeadlessScript) {}

}  // namespace platform
