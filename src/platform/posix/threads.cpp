// POSIX threads and the library's unload hooks.
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/threads.h"

namespace platform {
namespace {

std::atomic<bool> terminating{false};

// The hooks run from the destructor of a function-local static. It is
// registered (with __cxa_atexit, against this shared object) when it is
// first constructed, that is at the first registration, so it is destroyed
// at dlclose or exit before every static object constructed earlier.
class UnloadHooks {
public:
    void add(void (*hook)()) {
        std::lock_guard<std::mutex> guard(lock_);
        hooks_.push_back(hook);
    }
    ~UnloadHooks() {
        std::vector<void (*)()> hooks;
        {
            std::lock_guard<std::mutex> guard(lock_);
            hooks.swap(hooks_);
        }
        for (void (*hook)() : hooks) {
            try {
                hook();
            } catch (...) {
            }
        }
    }

private:
    std::mutex lock_;
    std::vector<void (*)()> hooks_;
};

}  // namespace

bool startThread(void (*entry)()) {
    if (!entry) return false;
    try {
        std::thread(entry).detach();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void sleepMilliseconds(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

bool processIsTerminating() { return terminating.load(); }
void markProcessTerminating() { terminating.store(true); }

void runAtLibraryUnload(void (*hook)()) {
    if (!hook) return;
    static UnloadHooks hooks;
    hooks.add(hook);
}

}  // namespace platform
