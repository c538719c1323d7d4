// korvan-host live on Windows: the host's automation object is a COM
// object under the ProgID "Vexa2.Application" in the running object table;
// the plug-in's windows are found among the process's top-level windows.
#include <windows.h>
#include <oleauto.h>
#include <winternl.h>

#include <atomic>
#include <cstdio>
#include <fstream>

#include "live_host.h"
#include "resources/window_kinds.h"

namespace korvan::host {
namespace {

// How long a snapshot waits for the windows to repaint.
constexpr std::chrono::milliseconds kRepaintLimit{5000};

const wchar_t* const kProgId = L"Vexa2.Application";
// The class identifier korvan-host registers for its host object.
const CLSID kHostClassId = {0x18dc8201, 0xdf8f, 0x406f, {0xa1, 0x01, 0xa1, 0x72, 0xa5, 0x57, 0x95, 0xb4}};
const wchar_t* const kHostClassIdText = L"{18DC8201-DF8F-406F-A101-A172A55795B4}";

constexpr DISPID kSendCommand = 16;
constexpr DISPID kFrequency = 2;
constexpr DISPID kQsoItem = 8;

std::string utf8(const wchar_t* text, int length = -1) {
    if (!text) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    if (length < 0 && !out.empty()) out.pop_back();  // the terminating zero
    return out;
}

std::wstring wide(const std::string& text) {
    int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
    out.pop_back();
    return out;
}

std::string hex(HRESULT hr) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(hr));
    return buffer;
}

// The host object: members 16, 2 and 8, everything else refused.
class HostDispatch final : public IDispatch {
public:
    explicit HostDispatch(HostObjectState& state) : state_(state) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (state_.disconnected()) return RPC_E_DISCONNECTED;
        state_.refuse("names " + (count && names ? utf8(names[0]) : std::string()));
        for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (state_.disconnected()) return RPC_E_DISCONNECTED;
        const UINT argCount = params ? params->cArgs : 0;
        const VARIANT* arg = argCount ? &params->rgvarg[0] : nullptr;
        auto refuse = [&](HRESULT hr) {
            state_.refuse(std::to_string(member) + " flags " + std::to_string(flags) + " arguments " +
                          std::to_string(argCount) + (arg ? " type " + std::to_string(arg->vt) : std::string()));
            return hr;
        };
        if (result) VariantInit(result);
        switch (member) {
            case kSendCommand: {
                if (!(flags & DISPATCH_METHOD) || argCount != 1) return refuse(DISP_E_BADPARAMCOUNT);
                if (arg->vt != VT_BSTR) return refuse(DISP_E_TYPEMISMATCH);
                return state_.command(utf8(arg->bstrVal, static_cast<int>(SysStringLen(arg->bstrVal))))
                           ? S_OK
                           : RPC_E_DISCONNECTED;
            }
            case kFrequency: {
                if (!(flags & DISPATCH_PROPERTYGET) || argCount != 0) return refuse(DISP_E_BADPARAMCOUNT);
                double hertz = 0;
                if (!state_.frequency(hertz)) return RPC_E_DISCONNECTED;
                if (result) {
                    result->vt = VT_R8;
                    result->dblVal = hertz;
                }
                return S_OK;
            }
            case kQsoItem: {
                if (!(flags & DISPATCH_METHOD) || argCount != 1) return refuse(DISP_E_BADPARAMCOUNT);
                if (arg->vt != VT_I4) return refuse(DISP_E_TYPEMISMATCH);
                QsoItemAnswer answer;
                if (!state_.qsoItem(arg->lVal, answer)) return RPC_E_DISCONNECTED;
                if (!result) return S_OK;
                if (answer.kind == QsoItemAnswer::integer) {
                    result->vt = VT_I4;
                    result->lVal = answer.number;
                } else {
                    result->vt = VT_BSTR;
                    result->bstrVal = SysAllocString(wide(answer.value).c_str());
                }
                return S_OK;
            }
            default:
                return refuse(DISP_E_MEMBERNOTFOUND);
        }
    }

private:
    HostObjectState& state_;
    std::atomic<ULONG> references_{1};
};

void deleteProgId() {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, L"Vexa2.Application\\CLSID");
    RegDeleteKeyW(HKEY_CLASSES_ROOT, kProgId);
}

void registerProgId() {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Vexa2.Application\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &key, nullptr);
    if (status != ERROR_SUCCESS)
        throw HostObjectError("cannot create HKEY_CLASSES_ROOT\\Vexa2.Application\\CLSID (error " +
                              std::to_string(status) + ")");
    const DWORD bytes = static_cast<DWORD>((wcslen(kHostClassIdText) + 1) * sizeof(wchar_t));
    status = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kHostClassIdText), bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        throw HostObjectError("cannot write HKEY_CLASSES_ROOT\\Vexa2.Application\\CLSID (error " +
                              std::to_string(status) + ")");
}

// The plug-in's windows tell their kind by the controls they hold
// (resources/window_kinds.h).
std::string windowKind(HWND window) {
    return resources::windowKindName(resources::windowKindOf(
        [window](int id) { return GetDlgItem(window, id) != nullptr; },
        [window](int id) {
            HWND control = GetDlgItem(window, id);
            return control && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
        }));
}

BOOL CALLBACK collectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

BOOL CALLBACK collectOwnWindow(HWND window, LPARAM list) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) collectWindow(window, list);
    return TRUE;
}

std::vector<std::pair<HWND, std::string>> pluginWindows() {
    std::vector<HWND> all;
    EnumWindows(&collectOwnWindow, reinterpret_cast<LPARAM>(&all));
    std::vector<std::pair<HWND, std::string>> found;
    for (HWND window : all) {
        std::string kind = windowKind(window);
        if (!kind.empty()) found.emplace_back(window, kind);
    }
    return found;
}

BOOL CALLBACK findUpdateRegion(HWND child, LPARAM found) {
    if (GetUpdateRect(child, nullptr, FALSE)) *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

// Whether the window or one of its controls waits to be painted.
bool paintPending(HWND window) {
    bool found = GetUpdateRect(window, nullptr, FALSE) != 0;
    if (!found) EnumChildWindows(window, &findUpdateRegion, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND findWindow(const std::string& kind) {
    for (const auto& [window, k] : pluginWindows())
        if (k == kind) return window;
    return nullptr;
}

// The window's text; the window's thread answers within a second or the
// text stored with the window is taken.
std::string windowText(HWND window) {
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, sizeof buffer / sizeof buffer[0], reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, 1000, &copied))
        InternalGetWindowText(window, buffer, sizeof buffer / sizeof buffer[0]);
    return utf8(buffer);
}

std::array<int, 4> clientRectOf(HWND parent, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right), static_cast<int>(r.bottom)};
}

WindowView describe(HWND window, const std::string& kind) {
    WindowView view;
    view.kind = kind;
    view.title = windowText(window);
    view.visible = IsWindowVisible(window) != FALSE;
    view.topmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    RECT r{};
    GetWindowRect(window, &r);
    view.placement = WindowView::Placement{static_cast<int>(r.left), static_cast<int>(r.top),
                                           static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top)};
    std::vector<HWND> children;
    EnumChildWindows(window, &collectWindow, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        if (lstrcmpiW(className, L"Button") != 0) continue;
        const LONG type = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
        if (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && type != BS_3STATE && type != BS_AUTO3STATE) continue;
        DWORD_PTR state = 0;
        SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 1000, &state);
        view.checks.emplace_back(windowText(child), state == BST_CHECKED ? 1 : 0);
    }
    const std::vector<int> controlIds = kind == "panel" ? std::vector<int>{IDC_SETUP_CW, IDC_SETUP_SSB}
                                        : kind == "dxcc" ? std::vector<int>{IDC_DXCC_INFO}
                                                         : std::vector<int>{};
    for (int id : controlIds)
        if (HWND control = GetDlgItem(window, id)) view.controls.emplace_back(id, clientRectOf(window, control));
    return view;
}

bool writeBitmap(const std::string& path, HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return false;
    HDC windowDc = GetDC(window);
    if (!windowDc) return false;
    HDC memory = CreateCompatibleDC(windowDc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (memory && bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, previous);
    }
    if (ok) {
        const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + imageSize;
        info.bmiHeader.biSizeImage = imageSize;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
        out.write(static_cast<const char*>(bits), imageSize);
        ok = static_cast<bool>(out);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(window, windowDc);
    return ok;
}

// Wine has no GetGuiResources count; it keeps the process's GDI objects in
// the handle table that the process block points to, as Windows once did
// (24-byte entries, the object's type at byte 14, 0 when free). The count
// is trusted only when a brush made and deleted meanwhile shows in it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"  // mingw's NtCurrentTeb reads the thread block by segment
const unsigned char* processBlock() { return reinterpret_cast<const unsigned char*>(NtCurrentTeb()->ProcessEnvironmentBlock); }
#pragma GCC diagnostic pop

std::optional<long> handleTableCount() {
    const unsigned char* peb = processBlock();
    const std::size_t offset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    const auto* table = *reinterpret_cast<const unsigned char* const*>(peb + offset);
    constexpr std::size_t kEntries = 0x10000;
    MEMORY_BASIC_INFORMATION region{};
    if (!table || !VirtualQuery(table, &region, sizeof region) || region.State != MEM_COMMIT) return std::nullopt;
    const std::size_t readable = static_cast<std::size_t>(
        static_cast<const unsigned char*>(region.BaseAddress) + region.RegionSize - table);
    // The entry layout: 24 bytes with the type at byte 14 where the object
    // pointer is 64 bits wide, 16 bytes with the type at byte 10 otherwise.
    for (const auto& [entrySize, typeAt] : {std::pair<std::size_t, std::size_t>{24, 14}, {16, 10}}) {
        if (readable < kEntries * entrySize) continue;
        auto count = [&, entrySize = entrySize, typeAt = typeAt] {
            long n = 0;
            for (std::size_t i = 0; i < kEntries; ++i) n += table[i * entrySize + typeAt] != 0;
            return n;
        };
        for (int attempt = 0; attempt < 5; ++attempt) {
            const long before = count();
            HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
            const long with = count();
            DeleteObject(probe);
            const long after = count();
            if (with == before + 1 && after == before) return before;
            Sleep(10);
        }
    }
    return std::nullopt;
}

constexpr int kRegisterRetries = 20;
constexpr DWORD kRegisterRetryMs = 250;

bool isRpcError(HRESULT hr) {
    return FAILED(hr) && (HRESULT_FACILITY(hr) == FACILITY_RPC || hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
}

class WindowsLiveHost : public LiveHost {
public:
    explicit WindowsLiveHost(HostObjectState& state) : state_(state) {}

    void start(Automation automation, Apartment apartment) override {
        apartment_ = apartment;
        // A key left behind by an earlier run must not answer for this one.
        deleteProgId();
        const HRESULT init = CoInitializeEx(
            nullptr, apartment == Apartment::sta ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
        if (FAILED(init)) throw HostObjectError("CoInitializeEx failed with " + hex(init));
        comStarted_ = true;
        if (automation == Automation::absent) return;
        registerProgId();
        keyWritten_ = true;
        if (automation == Automation::notRunning) return;
        object_ = new HostDispatch(state_);
        HRESULT hr = RegisterActiveObject(static_cast<IUnknown*>(object_), kHostClassId, ACTIVEOBJECT_STRONG,
                                          &cookie_);
        // The running object table lives in the RPC service. Right after an
        // earlier session's processes have ended, that service may still be
        // stopping and answers "unavailable" until the next start of it has
        // come up, so the host gives it a few seconds before it gives up.
        for (int attempt = 0; attempt < kRegisterRetries && isRpcError(hr); ++attempt) {
            Sleep(kRegisterRetryMs);
            hr = RegisterActiveObject(static_cast<IUnknown*>(object_), kHostClassId, ACTIVEOBJECT_STRONG, &cookie_);
        }
        if (FAILED(hr)) {
            std::string why = "RegisterActiveObject failed with " + hex(hr);
            if (isRpcError(hr)) why += " (an RPC error: is the RPC service, rpcss, running?)";
            throw HostObjectError(why);
        }
        registered_ = true;
    }

    void disconnect() override {
        if (registered_) {
            RevokeActiveObject(cookie_, nullptr);
            registered_ = false;
        }
        if (object_) CoDisconnectObject(static_cast<IUnknown*>(object_), 0);
    }

    void stop() override {
        disconnect();
        if (object_) {
            object_->Release();
            object_ = nullptr;
        }
        if (keyWritten_ || comStarted_) deleteProgId();
        keyWritten_ = false;
        if (comStarted_) {
            CoUninitialize();
            comStarted_ = false;
        }
    }

    void idle(std::chrono::milliseconds time) override {
        if (apartment_ != Apartment::sta) {
            Sleep(static_cast<DWORD>(time.count()));
            return;
        }
        // A host with windows: its thread's messages (the calls COM brings
        // to the object among them) are served while it waits.
        const auto deadline = std::chrono::steady_clock::now() + time;
        for (;;) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline) return;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        }
    }

    void closeWindows(std::chrono::milliseconds limit) override {
        for (const char* kind : {"dxcc", "kda", "panel"})
            if (HWND window = findWindow(kind)) PostMessageW(window, WM_CLOSE, 0, 0);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!pluginWindows().empty() && std::chrono::steady_clock::now() < deadline)
            idle(std::chrono::milliseconds(20));
        // The window thread ends after its window; give it a moment to leave
        // the library's code.
        idle(std::chrono::milliseconds(100));
    }

    bool windowsAnswered(std::chrono::milliseconds limit) override {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (const auto& [window, kind] : pluginWindows()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                    std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            DWORD_PTR ignored = 0;
            // Answered once the window's thread gets back to its messages.
            if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(left.count()), &ignored)) {
                if (IsWindow(window)) return false;  // no answer in time
                continue;                            // gone meanwhile
            }
            if (paintPending(window)) return false;
        }
        return true;
    }

    std::vector<WindowView> windows() override {
        std::vector<WindowView> list;
        for (const auto& [window, kind] : pluginWindows()) list.push_back(describe(window, kind));
        sortWindows(list);
        return list;
    }

    bool click(int controlId) override {
        HWND panel = findWindow("panel");
        HWND control = panel ? GetDlgItem(panel, controlId) : nullptr;
        // As a mouse click: the button (a check box toggles itself) tells
        // the panel with BN_CLICKED.
        return control && PostMessageW(control, BM_CLICK, 0, 0);
    }

    bool key(const std::string& kind, bool escape) override {
        HWND window = findWindow(kind);
        // What the dialog manager makes of Esc and Enter.
        return window && PostMessageW(window, WM_COMMAND, MAKEWPARAM(escape ? IDCANCEL : IDOK, BN_CLICKED), 0);
    }

    std::vector<std::string> snapshot(const std::string& folder, const std::string& name) override {
        std::vector<std::pair<HWND, std::string>> shown;
        for (const auto& [window, kind] : pluginWindows()) {
            if (!IsWindowVisible(window)) continue;
            bool seen = false;
            for (const auto& s : shown) seen = seen || s.second == kind;
            if (seen) continue;
            shown.emplace_back(window, kind);
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        }
        // The windows' threads repaint what was invalidated.
        const auto deadline = std::chrono::steady_clock::now() + kRepaintLimit;
        while (!windowsAnswered(kRepaintLimit) && std::chrono::steady_clock::now() < deadline)
            idle(std::chrono::milliseconds(10));
        std::vector<std::string> files;
        for (const auto& [window, kind] : shown) {
            std::string path = folder + "/" + name + "-" + kind + ".bmp";
            if (writeBitmap(path, window)) files.push_back(path);
        }
        return files;
    }

    std::optional<long> gdiObjects() override {
        SetLastError(0);
        DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        if (count == 0 && GetLastError() != 0) return handleTableCount();
        return static_cast<long>(count);
    }

private:
    HostObjectState& state_;
    Apartment apartment_ = Apartment::mta;
    HostDispatch* object_ = nullptr;
    DWORD cookie_ = 0;
    bool comStarted_ = false;
    bool keyWritten_ = false;
    bool registered_ = false;
};

}  // namespace

std::unique_ptr<LiveHost> makeLiveHost(HostObjectState& state) { return std::make_unique<WindowsLiveHost>(state); }

}  // namespace korvan::host
