#pragma once
// A host automation object for tests: it records what the host heard, and
// can fail, throw, or run something inside each call (as the message loop
// of an outgoing COM call runs the caller's messages).
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/host_automation.h"

using namespace korvan;

// What the fake host heard and how it behaves.
struct ScriptedHostState {
    std::mutex lock;
    std::vector<std::string> commands;  // the calls that reached the host
    int calls = 0;                      // every call, failed or not
    int frequencyReads = 0;
    // 0 Hz: no band, and no "<SP1>" at a panel's first refresh (the last
    // command's frequency starts at 0), so the commands heard are the
    // panel's own.
    double hertz = 0.0;
    std::string call;
    bool fails = false;   // every call fails (a host that went away)
    bool throws = false;  // every call throws
    // Runs inside every call before it answers (the host call's message loop).
    std::function<void()> duringCall;
    int released = 0;
    std::thread::id releasedOn;

    std::vector<std::string> heard() {
        std::lock_guard<std::mutex> guard(lock);
        return commands;
    }
};

class ScriptedHost : public platform::HostAutomation {
public:
    explicit ScriptedHost(std::shared_ptr<ScriptedHostState> state) : state_(std::move(state)) {}
    ~ScriptedHost() override {
        std::lock_guard<std::mutex> guard(state_->lock);
        ++state_->released;
        state_->releasedOn = std::this_thread::get_id();
    }

    bool sendCommand(const std::string& text) override {
        if (!enter()) return false;
        std::lock_guard<std::mutex> guard(state_->lock);
        state_->commands.push_back(text);
        return true;
    }
    std::optional<double> frequency() override {
        if (!enter()) return std::nullopt;
        std::lock_guard<std::mutex> guard(state_->lock);
        ++state_->frequencyReads;
        return state_->hertz;
    }
    std::optional<std::string> qsoItem(int) override {
        if (!enter()) return std::nullopt;
        std::lock_guard<std::mutex> guard(state_->lock);
        return state_->call;
    }

private:
    bool enter() {
        std::function<void()> during;
        {
            std::lock_guard<std::mutex> guard(state_->lock);
            ++state_->calls;
            during = state_->duringCall;
        }
        if (during) during();
        std::lock_guard<std::mutex> guard(state_->lock);
        if (state_->throws) throw std::runtime_error("host call failed");
        return !state_->fails;
    }
    std::shared_ptr<ScriptedHostState> state_;
};
