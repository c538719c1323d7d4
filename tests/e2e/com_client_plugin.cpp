// A stand-in plug-in for Windows that calls the host's automation object
// the way the plug-in's windows do, so korvan-host's host object can be
// tested on its own: a call check of the call "HOST" asks a thread of the
// library (a single-threaded apartment, like the window thread) to acquire
// the object once (CLSIDFromProgID, CoInitialize, GetActiveObject,
// QueryInterface) and then call member 8 with 5, an unknown member 99 (the
// first time only), member 2 and member 16 with "<SP1>", in that order. Each
// round appends one line of results to host-answers.txt in the current
// folder. Every other export does nothing.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

namespace {

HANDLE request = nullptr;
HANDLE thread = nullptr;

HRESULT invoke(IDispatch* host, DISPID member, WORD flags, VARIANT* argument, VARIANT* result) {
    DISPPARAMS params{argument, nullptr, argument ? 1u : 0u, 0};
    VariantInit(result);
    return host->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

std::string utf8(BSTR text) {
    if (!text) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(SysStringLen(text)), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(SysStringLen(text)), out.data(), size, nullptr, nullptr);
    return out;
}

void callRound(IDispatch* host, bool first) {
    char line[512];
    VARIANT argument, result;
    VariantInit(&argument);
    argument.vt = VT_I4;
    argument.lVal = 5;
    HRESULT item = invoke(host, 8, DISPATCH_METHOD, &argument, &result);
    std::string value = result.vt == VT_BSTR ? utf8(result.bstrVal) : result.vt == VT_I4 ? std::to_string(result.lVal) : "";
    const int itemType = result.vt;
    VariantClear(&result);
    HRESULT refused = S_OK;
    if (first) {
        refused = invoke(host, 99, DISPATCH_METHOD, nullptr, &result);
        VariantClear(&result);
    }
    HRESULT frequency = invoke(host, 2, DISPATCH_PROPERTYGET, nullptr, &result);
    const double hertz = result.vt == VT_R8 ? result.dblVal : -1;
    VariantClear(&result);
    argument.vt = VT_BSTR;
    argument.bstrVal = SysAllocString(L"<SP1>");
    HRESULT command = invoke(host, 16, DISPATCH_METHOD, &argument, &result);
    VariantClear(&argument);
    VariantClear(&result);
    std::snprintf(line, sizeof line, "item %08lx %d %s|refused %08lx|frequency %08lx %.0f|command %08lx\n",
                  static_cast<unsigned long>(item), itemType, value.c_str(), static_cast<unsigned long>(refused),
                  static_cast<unsigned long>(frequency), hertz, static_cast<unsigned long>(command));
    if (FILE* f = std::fopen("host-answers.txt", "ab")) {
        std::fputs(line, f);
        std::fclose(f);
    }
}

DWORD WINAPI clientThread(LPVOID) {
    CLSID classId{};
    const HRESULT lookup = CLSIDFromProgID(L"Vexa2.Application", &classId);
    CoInitialize(nullptr);
    IDispatch* host = nullptr;
    IUnknown* running = nullptr;
    HRESULT active = FAILED(lookup) ? lookup : GetActiveObject(classId, nullptr, &running);
    if (running) {
        running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&host));
        running->Release();
    }
    bool first = true;
    for (;;) {
        // A single-threaded apartment serves its messages while it waits.
        DWORD woken = MsgWaitForMultipleObjects(1, &request, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            continue;
        }
        if (host) {
            callRound(host, first);
            first = false;
        } else if (FILE* f = std::fopen("host-answers.txt", "ab")) {
            std::fprintf(f, "no host %08lx\n", static_cast<unsigned long>(active));
            std::fclose(f);
        }
    }
}

void startClient() {
    if (thread) return;
    // The thread outlives the host's FreeLibrary: the library stays mapped
    // until the process ends.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&startClient), &self);
    request = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    thread = CreateThread(nullptr, 0, &clientThread, nullptr, 0, nullptr);
}

using T = const char*;
using D = void*;

}  // namespace

extern "C" {

__declspec(dllexport) int AddData0(T, T, D, D, D, D, unsigned, unsigned, T, T, T, T, T, T, T, T, T, T, T, T, T, T,
                                   T, int, int, int, double, double, T, T, T, T, T) {
    return 1;
}
__declspec(dllexport) int RemoveData0(T, T, D, D, D, D, unsigned, unsigned, T, T, T, T, T, T, T, T, T, T, T, T, T,
                                      T, T, int, int, int, double, double, T, T, T, T, T) {
    return 1;
}
__declspec(dllexport) int ResetStats0(T, int, T, D, D, T, T, T, T, T, T, T, T, T, T, int, int, int, double, double, T,
                                      T, T) {
    return 1;
}
__declspec(dllexport) int CheckCall0(T call, unsigned, unsigned, T, T, T, T, T, T, T, T, T, T, T, int, int, int,
                                     double, double, T, T, T, T, T, T, T, char*, char*) {
    if (call && std::string(call) == "HOST") {
        startClient();
        SetEvent(request);
    }
    return 1;
}
__declspec(dllexport) int IsValidExchg0(T, T, T, T, int, int, int) { return 1; }
__declspec(dllexport) int GetExchgCount0(T, T, T) { return 1; }
__declspec(dllexport) const char* GetResult0(int*) { return ""; }
__declspec(dllexport) const char* GetSetName(int) { return "Korvan (C)"; }
__declspec(dllexport) int GetNumberOfSets() { return 1; }
__declspec(dllexport) void SetupSet0() {}
__declspec(dllexport) unsigned long setVersion(T) { return 0; }

}  // extern "C"
