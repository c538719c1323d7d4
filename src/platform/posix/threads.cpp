// POSIX threads and the library's unload hooks.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/threads.h"

namespace korvan::platform {
namespace {

std::atomic<bool> terminating{false};

// How long the unload step waits for a started thread to leave its entry
// function (the window thread has been told to end by then).
constexpr std::chrono::milliseconds kUnloadJoinWait{2000};

// The threads started by startThread, kept joinable: a thread still runs
// the library's code for a few instructions after its entry function
// returns, so the unload step joins it before the code can be unmapped.
class StartedThreads {
public:
    void start(void (*entry)(void*), void* context) {
        std::lock_guard<std::mutex> guard(lock_);
        joinFinishedLocked();
        // Made before the entry is listed: a listed entry always has its flag.
        std::shared_ptr<bool> finished = std::make_shared<bool>(false);
        threads_.push_back({});
        Started& started = threads_.back();
        started.finished = std::move(finished);
        try {
            started.thread = std::thread([this, entry, context, finished = started.finished] {
                try {
                    entry(context);
                } catch (...) {
                }
                std::lock_guard<std::mutex> guard(lock_);
                *finished = true;
                changed_.notify_all();
            });
        } catch (...) {
            threads_.pop_back();
            throw;
        }
    }

    // Waits (bounded) for the started threads to leave their entry
    // functions and joins them; a thread that does not is left running.
    void joinAll(std::chrono::milliseconds wait) {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait_for(guard, wait, [this] {
            for (const Started& started : threads_)
                if (!*started.finished) return false;
            return true;
        });
        joinFinishedLocked();
        for (Started& started : threads_) started.thread.detach();
        threads_.clear();
    }

    ~StartedThreads() {
        std::lock_guard<std::mutex> guard(lock_);
        joinFinishedLocked();
        for (Started& started : threads_) started.thread.detach();
    }

private:
    struct Started {
        std::thread thread;
        std::shared_ptr<bool> finished;  // under lock_
    };

    // A finished thread has only its last instructions left: joining it
    // is quick, even with the lock held.
    void joinFinishedLocked() {
        for (auto it = threads_.begin(); it != threads_.end();) {
            if (!*it->finished) {
                ++it;
                continue;
            }
            it->thread.join();
            it = threads_.erase(it);
        }
    }

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Started> threads_;
};

// A plain static: constructed at load, so destroyed after the unload step.
StartedThreads startedThreads;

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
        // The hooks have ended the window thread; its code must not be
        // unmapped under it.
        if (!processIsTerminating()) startedThreads.joinAll(kUnloadJoinWait);
    }

private:
    std::mutex lock_;
    std::vector<void (*)()> hooks_;
};

}  // namespace

bool startThread(void (*entry)(void*), void* context) {
    if (!entry) return false;
    try {
        startedThreads.start(entry, context);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool startThread(void (*entry)()) {
    if (!entry) return false;
    return startThread([](void* plain) { reinterpret_cast<void (*)()>(plain)(); }, reinterpret_cast<void*>(entry));
}

void sleepMilliseconds(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

bool processIsTerminating() { return terminating.load(); }
void markProcessTerminating() { terminating.store(true); }

void runAtLibraryUnload(void (*hook)()) {
    if (!hook) return;
    static UnloadHooks hooks;
    hooks.add(hook);
}

}  // namespace korvan::platform
