// What every backend's host object shares: the substitution point, and the
// scope of a host call around each of its calls (host_call.h).
#include <functional>
#include <mutex>

#include "platform/host_automation.h"
#include "platform/host_call.h"

namespace korvan::platform {
namespace {

class HostCallGuard final : public HostAutomation {
public:
    explicit HostCallGuard(std::unique_ptr<HostAutomation> host) : host_(std::move(host)) {}

    bool sendCommand(const std::string& text) override {
        detail::HostCallScope scope;
        return host_->sendCommand(text);
    }
    std::optional<double> frequency() override {
        detail::HostCallScope scope;
        return host_->frequency();
    }
    std::optional<std::string> qsoItem(int item) override {
        detail::HostCallScope scope;
        return host_->qsoItem(item);
    }

private:
    std::unique_ptr<HostAutomation> host_;
};

struct FactorySlot {
    std::mutex lock;
    std::function<std::unique_ptr<HostAutomation>()> factory;
};

// A plain static: constructed at load, so it outlives the unload step,
// which ends the window thread that acquires the host object.
FactorySlot slot;
FactorySlot& factorySlot() { return slot; }

}  // namespace

std::unique_ptr<HostAutomation> detail::guardHostCalls(std::unique_ptr<HostAutomation> host) {
    if (!host) return nullptr;
    return std::make_unique<HostCallGuard>(std::move(host));
}

std::unique_ptr<HostAutomation> acquireHostAutomation() {
    std::function<std::unique_ptr<HostAutomation>()> factory;
    {
        FactorySlot& slot = factorySlot();
        std::lock_guard<std::mutex> guard(slot.lock);
        factory = slot.factory;
    }
    return detail::guardHostCalls(factory ? factory() : detail::acquireBackendHostAutomation());
}

void setHostAutomationFactory(std::function<std::unique_ptr<HostAutomation>()> factory) {
    FactorySlot& slot = factorySlot();
    std::lock_guard<std::mutex> guard(slot.lock);
    slot.factory = std::move(factory);
}

}  // namespace korvan::platform
