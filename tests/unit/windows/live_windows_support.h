#pragma once
// Test doubles for the live refresh: a host object that answers from
// fields and records the commands, installed as the panel's host object.
#include <array>
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
#include "windows/host_link.h"
#include "windows/refresh.h"
#include "windows/setup_panel.h"
#include "windows/window_thread.h"

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

// The panel's host object for one test: a FakeHost, removed afterwards.
class InstalledHost {
public:
    InstalledHost() {
        auto host = std::make_unique<FakeHost>();
        host_ = host.get();
        hostAutomation = std::move(host);
    }
    ~InstalledHost() { hostAutomation.reset(); }
    FakeHost* operator->() { return host_; }
    FakeHost& operator*() { return *host_; }

private:
    FakeHost* host_;
};

// A setup panel that is not run: the tests set its view flags and call its
// refresh directly on their own thread.
inline void prepareForRefresh(SetupPanel& panel, bool kda = true, bool dxcc = true) {
    panel.viewKda = kda ? 1 : 0;
    panel.viewDxcc = dxcc ? 1 : 0;
}
inline KdaAreaWindow* openKdaGrid() { return dynamic_cast<KdaAreaWindow*>(kdaWindow.load()); }
inline DxccWindow* openDxccWindow() { return dynamic_cast<DxccWindow*>(dxccWindow.load()); }

// The refresh's own globals as after loading the library.
inline void resetRefreshGlobals() {
    std::lock_guard<std::mutex> guard(stateLock());
    currentCallsign.clear();
    currentBandSlot = -1;
    lastCommandFrequency = 0.0;
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
