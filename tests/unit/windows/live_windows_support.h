#pragma once
// Test doubles for the live refresh: a host object that answers from
// fields and records the commands, and a panel that opens the real KDA and
// DXCC window objects.
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/contest_state.h"
#include "engine/qso_search.h"
#include "platform/host_automation.h"
#include "windows/dxcc_window.h"
#include "windows/kda_window.h"
#include "windows/refresh.h"
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

class FakePanel : public RefreshedPanel {
public:
    bool wantKda = true;
    bool wantDxcc = true;
    FakeHost* host = nullptr;
    std::unique_ptr<oblast> kda;
    std::unique_ptr<DXCC> dxcc;

    ~FakePanel() override {
        kdaWindow.store(nullptr);
        dxccWindow.store(nullptr);
    }
    oblast& kdaGrid() { return *kda; }

protected:
    bool kdaWindowWanted() const override { return wantKda; }
    bool dxccWindowWanted() const override { return wantDxcc; }
    void openKdaWindow() override {
        kda = std::make_unique<oblast>();
        kda->createModeless();
        kdaWindow.store(kda.get());
    }
    void openDxccWindow() override {
        dxcc = std::make_unique<DXCC>();
        dxcc->createModeless();
        dxcc->show();
        dxccWindow.store(dxcc.get());
    }
    platform::HostAutomation* hostAutomation() override { return host; }
    const std::array<std::string, kBandSlotCount>& panelBands() const override { return bands_; }

private:
    std::array<std::string, kBandSlotCount> bands_{"160m", "80m", "40m", "20m", "15m", "10m"};
};

// The refresh's own globals as after loading the library.
inline void resetRefreshGlobals() {
    std::lock_guard<std::mutex> guard(stateLock());
    currentCallsign.clear();
    currentBandSlot = -1;
    lastCommandFrequency = 0.0;
}

inline CInfo storedQso(const std::string& call, const std::string& band, const std::string& mode, int hour,
                       int minute, const std::string& prefix, const std::string& exchange) {
    CInfo qso;
    qso.call = call;
    qso.band = band;
    qso.mode = mode;
    qso.prefix = prefix;
    qso.exchangeReceived = exchange;
    if (prefix == "UN") qso.kdaCode = exchange;
    qso.qsoTime = COleDateTime::fromParts(2017, 3, 18, hour, minute);
    return qso;
}

inline void store(const CInfo& qso) {
    std::lock_guard<std::mutex> guard(stateLock());
    storeQso(contestState(), qso);
}
