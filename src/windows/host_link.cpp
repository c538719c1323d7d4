#include "windows/host_link.h"

#include <atomic>

std::unique_ptr<platform::HostAutomation> hostAutomation;

namespace {

// Whether a thread has started using automation and not ended it yet (one
// window thread at a time).
std::atomic<bool> automationStarted{false};

// A host whose call throws is a host whose call failed.
template <typename Result, typename Call>
Result callHost(Result failed, Call call) {
    if (!hostAutomation) return failed;
    try {
        return call(*hostAutomation);
    } catch (...) {
        return failed;
    }
}

}  // namespace

void acquireHostObject() {
    hostAutomation.reset();
    automationStarted.store(true);
    try {
        hostAutomation = platform::acquireHostAutomation();
    } catch (...) {
        hostAutomation.reset();
    }
}

void releaseHostObject() {
    hostAutomation.reset();
    if (automationStarted.exchange(false)) platform::endThreadAutomation();
}

bool sendHostCommand(const std::string& text) {
    return callHost(false, [&](platform::HostAutomation& host) { return host.sendCommand(text); });
}

std::optional<double> hostFrequency() {
    return callHost(std::optional<double>(), [](platform::HostAutomation& host) { return host.frequency(); });
}

std::optional<std::string> hostQsoItem(int item) {
    return callHost(std::optional<std::string>(),
                    [item](platform::HostAutomation& host) { return host.qsoItem(item); });
}
