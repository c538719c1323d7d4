#pragma once
// A host object whose command calls run a test's code (as COM's message
// loop runs the thread's messages while the host works); the other members
// fail.
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "platform/host_automation.h"

using namespace korvan;

class HookHost : public platform::HostAutomation {
public:
    explicit HookHost(std::function<void()> duringCall) : duringCall_(std::move(duringCall)) {}
    bool sendCommand(const std::string&) override {
        duringCall_();
        return true;
    }
    std::optional<double> frequency() override { return std::nullopt; }
    std::optional<std::string> qsoItem(int) override { return std::nullopt; }

private:
    std::function<void()> duringCall_;
};
