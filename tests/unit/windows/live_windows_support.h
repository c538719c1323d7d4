#pragma once
// Test doubles for the live refresh: a host object that answers from
// fields and records the commands, and operator windows (without a panel)
// that hold it as their host object.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "../report/report_fixture.h"
#include "engine/contest_state.h"
#include "engine/qso_search.h"
#include "platform/host_automation.h"
#include "windows/dxcc_window.h"
#include "windows/kda_window.h"
#include "windows/operator_windows.h"
#include "windows/refresh.h"

using namespace korvan;

class FakeHost : public platform::HostAutomation {
public:
    std::optional<double> hertz = 14025000.0;
    std::optional<std::string> callsign = std::string();
    std::vector<std::string> commands;
    int frequencyReads = 0;
    std::function<void()> duringFrequencyRead;  // as a pumped message would

    bool sendCommand(const std::string& text) override {
        commands.push_back(text);
        return true;
    }
    std::optional<double> frequency() override {
        ++frequencyReads;
        if (duringFrequencyRead) duringFrequencyRead();
        return hertz;
    }
    std::optional<std::string> qsoItem(int item) override { return item == 5 ? callsign : std::nullopt; }
};

// The windows acquire a FakeHost as their host object; it lives as long as
// they do.
inline FakeHost& installFakeHost(OperatorWindows& windows) {
    FakeHost* installed = nullptr;
    platform::setHostAutomationFactory([&installed]() -> std::unique_ptr<platform::HostAutomation> {
        auto host = std::make_unique<FakeHost>();
        installed = host.get();
        return host;
    });
    windows.host().acquire();
    platform::setHostAutomationFactory({});
    return *installed;
}

inline CInfo storedQso(const std::string& call, const std::string& band, const std::string& mode, int hour,
                       int minute, const std::string& prefix, const std::string& exchange) {
    CInfo stored = qso(call, band, mode, prefix, "", at(hour, minute), prefix == "UN" ? exchange : "");
    stored.exchangeReceived = exchange;
    return stored;
}

inline void store(const CInfo& qso) {
    std::lock_guard<std::mutex> guard(stateLock());
    storeQso(contestState(), qso);
}
