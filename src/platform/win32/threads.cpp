// Win32 threads, and the DLL entry point that runs the unload hooks.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <new>
#include <vector>

#include "platform/threads.h"

namespace korvan::platform {
namespace {

std::atomic<bool> terminating{false};

struct HookList {
    std::mutex lock;
    std::vector<void (*)()> hooks;
};

// A plain static, so that every load of the library frees its list again:
// the C runtime of the DLL destroys it only after DllMain has run the hooks
// at detach.
HookList& hookList() {
    static HookList instance;
    return instance;
}

// The module this code lives in.
HMODULE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

// Every thread of the library holds a reference on the library's module
// for as long as it runs and drops it only as its very last act
// (FreeLibraryAndExitThread does not return into the library). So a host
// that unloads the library while the window thread runs never unmaps code
// that the thread is still executing, and the library's detach step never
// has to wait, under the loader lock, for a thread that needs that lock to
// start or to end.
struct ThreadCall {
    void (*entry)(void*);
    void* context;
};

DWORD WINAPI threadEntry(LPVOID parameter) {
    try {
        const ThreadCall call = *static_cast<ThreadCall*>(parameter);
        delete static_cast<ThreadCall*>(parameter);
        call.entry(call.context);
    } catch (...) {
    }
    HMODULE module = thisModule();
    if (module && module != GetModuleHandleA(nullptr)) FreeLibraryAndExitThread(module, 0);
    return 0;
}

}  // namespace

bool startThread(void (*entry)(void*), void* context) {
    if (!entry) return false;
    ThreadCall* call = new (std::nothrow) ThreadCall{entry, context};
    if (!call) return false;
    // The thread's reference on the module, taken before it starts.
    HMODULE pinned = nullptr;
    const bool isLibrary = thisModule() != GetModuleHandleA(nullptr);
    if (isLibrary &&
        !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&threadEntry), &pinned)) {
        delete call;
        return false;
    }
    HANDLE thread = CreateThread(nullptr, 0, &threadEntry, call, 0, nullptr);
    if (!thread) {
        delete call;
        if (pinned) FreeLibrary(pinned);
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool startThread(void (*entry)()) {
    if (!entry) return false;
    return startThread([](void* plain) { reinterpret_cast<void (*)()>(plain)(); }, reinterpret_cast<void*>(entry));
}

void sleepMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }

bool processIsTerminating() { return terminating.load(); }
void markProcessTerminating() { terminating.store(true); }

void runAtLibraryUnload(void (*hook)()) {
    if (!hook) return;
    HookList& list = hookList();
    std::lock_guard<std::mutex> guard(list.lock);
    list.hooks.push_back(hook);
}

void runUnloadHooks() {
    std::vector<void (*)()> hooks;
    {
        HookList& list = hookList();
        std::lock_guard<std::mutex> guard(list.lock);
        hooks.swap(list.hooks);
    }
    for (void (*hook)() : hooks) {
        try {
            hook();
        } catch (...) {
        }
    }
}

}  // namespace korvan::platform

// The C runtime of the DLL calls this before it destroys the static objects
// at detach. When the process is terminating (lpReserved not null) every
// other thread has already been ended by the system: nobody may wait for
// one, so that is recorded before the hooks run.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH) {
        if (reserved) korvan::platform::markProcessTerminating();
        korvan::platform::runUnloadHooks();
    }
    return TRUE;
}
