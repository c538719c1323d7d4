#include "windows/host_link.h"

namespace korvan {

HostLink::~HostLink() {
    try {
        release();
    } catch (...) {
    }
}

void HostLink::acquire() {
    object_.reset();
    automationStarted_ = true;
    try {
        object_ = platform::acquireHostAutomation();
    } catch (...) {
        object_.reset();
    }
}

void HostLink::release() {
    object_.reset();
    if (automationStarted_) {
        automationStarted_ = false;
        platform::endThreadAutomation();
    }
}

// A host whose call throws is a host whose call failed.
template <typename Result, typename Call>
Result HostLink::call(Result failed, Call body) {
    if (!object_) return failed;
    try {
        return body(*object_);
    } catch (...) {
        return failed;
    }
}

bool HostLink::sendCommand(const std::string& text) {
    return call(false, [&](platform::HostAutomation& host) { return host.sendCommand(text); });
}

std::optional<double> HostLink::frequency() {
    return call(std::optional<double>(), [](platform::HostAutomation& host) { return host.frequency(); });
}

std::optional<std::string> HostLink::qsoItem(int item) {
    return call(std::optional<std::string>(), [item](platform::HostAutomation& host) { return host.qsoItem(item); });
}

}  // namespace korvan
