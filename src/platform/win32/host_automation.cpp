// The host's automation object over IDispatch, members called by number
// (no type library). Every call that fails (the host refuses it, or has
// gone away: RPC_E_DISCONNECTED and the like) gives an empty result; nothing
// is thrown. The object handed out makes its calls inside a HostCallScope
// (host_call.h): the thread's dialogs keep their handlers back while the
// call's message loop runs.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/host_automation.h"
#include "platform/host_call.h"
#include "platform/win32/dispatch_host_automation.h"
#include "platform/win32/wide_text.h"

namespace korvan::platform {
namespace {

constexpr DISPID kSendCommandMember = 16;
constexpr DISPID kFrequencyMember = 2;
constexpr DISPID kQsoItemMember = 8;

// COM initialisations made by acquireHostAutomation on each thread and not
// yet ended (only a successful CoInitialize is balanced).
struct InitialisedThreads {
    std::mutex lock;
    std::vector<DWORD> threads;
};

InitialisedThreads& initialisedThreads() {
    static InitialisedThreads threads;
    return threads;
}

// Calls the host; false when the call failed.
bool invoke(IDispatch* dispatch, DISPID member, WORD kind, VARIANTARG* arguments, UINT argumentCount,
            VARIANT* result) {
    DISPPARAMS parameters{arguments, nullptr, argumentCount, 0};
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const HRESULT outcome = dispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result,
                                             &exception, &badArgument);
    if (outcome == DISP_E_EXCEPTION) {
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
    return SUCCEEDED(outcome);
}

BSTR toBstr(const std::string& text) {
    const std::wstring wide = win32::widen(text, CP_ACP);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string fromBstr(BSTR text) {
    const int size = static_cast<int>(std::min<UINT>(SysStringLen(text), 0x7FFFFFF));
    if (!size) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, text, size, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) WideCharToMultiByte(CP_ACP, 0, text, size, converted.data(), length, nullptr, nullptr);
    return converted;
}

class DispatchHostAutomation : public HostAutomation {
public:
    explicit DispatchHostAutomation(IDispatch* dispatch) : dispatch_(dispatch) {}
    ~DispatchHostAutomation() override { dispatch_->Release(); }
    DispatchHostAutomation(const DispatchHostAutomation&) = delete;
    DispatchHostAutomation& operator=(const DispatchHostAutomation&) = delete;

    bool sendCommand(const std::string& text) override {
        VARIANTARG argument;
        VariantInit(&argument);
        try {
            argument.vt = VT_BSTR;
            argument.bstrVal = toBstr(text);
            if (!argument.bstrVal) return false;
            VARIANT result;
            VariantInit(&result);
            const bool ok = invoke(dispatch_, kSendCommandMember, DISPATCH_METHOD, &argument, 1, &result);
            VariantClear(&result);
            VariantClear(&argument);
            return ok;
        } catch (...) {
            VariantClear(&argument);
            return false;
        }
    }

    std::optional<double> frequency() override {
        try {
            VARIANT result;
            VariantInit(&result);
            std::optional<double> hertz;
            if (invoke(dispatch_, kFrequencyMember, DISPATCH_PROPERTYGET, nullptr, 0, &result) &&
                SUCCEEDED(VariantChangeType(&result, &result, 0, VT_R8)))
                hertz = result.dblVal;
            VariantClear(&result);
            return hertz;
        } catch (...) {
            return std::nullopt;
        }
    }

    std::optional<std::string> qsoItem(int item) override {
        VARIANT result;
        VariantInit(&result);
        try {
            VARIANTARG argument;
            VariantInit(&argument);
            argument.vt = VT_I4;
            argument.lVal = item;
            std::optional<std::string> text;
            if (invoke(dispatch_, kQsoItemMember, DISPATCH_METHOD, &argument, 1, &result))
                text = result.vt == VT_BSTR ? fromBstr(result.bstrVal) : std::string();
            VariantClear(&result);
            return text;
        } catch (...) {
            VariantClear(&result);
            return std::nullopt;
        }
    }

private:
    IDispatch* dispatch_;
};

// The interface in a wrapper that takes over the caller's reference.
std::unique_ptr<HostAutomation> wrapDispatch(IDispatch* dispatch) {
    if (!dispatch) return nullptr;
    try {
        return std::make_unique<DispatchHostAutomation>(dispatch);
    } catch (...) {
        dispatch->Release();
        return nullptr;
    }
}

// Notes a successful CoInitialize of the calling thread for
// endThreadAutomation; when that fails, the initialisation is ended at
// once, so it never stays unbalanced.
void rememberInitialisation() {
    try {
        InitialisedThreads& initialised = initialisedThreads();
        std::lock_guard<std::mutex> guard(initialised.lock);
        initialised.threads.push_back(GetCurrentThreadId());
    } catch (...) {
        CoUninitialize();
        throw;
    }
}

}  // namespace

std::unique_ptr<HostAutomation> win32::wrapHostDispatch(IDispatch* dispatch) {
    return detail::guardHostCalls(wrapDispatch(dispatch));
}

std::unique_ptr<HostAutomation> detail::acquireBackendHostAutomation() {
    CLSID hostClass = CLSID_NULL;
    CLSIDFromProgID(L"Vexa2.Application", &hostClass);
    if (SUCCEEDED(CoInitialize(nullptr))) rememberInitialisation();
    IUnknown* running = nullptr;
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(GetActiveObject(hostClass, nullptr, &running)) && running)
        running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (running) running->Release();
    return wrapDispatch(dispatch);
}

void endThreadAutomation() {
    const DWORD thread = GetCurrentThreadId();
    {
        InitialisedThreads& initialised = initialisedThreads();
        std::lock_guard<std::mutex> guard(initialised.lock);
        const auto found = std::find(initialised.threads.begin(), initialised.threads.end(), thread);
        if (found == initialised.threads.end()) return;
        initialised.threads.erase(found);
    }
    CoUninitialize();
}

}  // namespace korvan::platform
