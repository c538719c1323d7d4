#include "windows/refresh.h"

#include <cmath>
#include <optional>

#include "engine/bands.h"
#include "engine/contest_state.h"
#include "resources/resource.h"
#include "windows/dxcc_window.h"
#include "windows/kda_window.h"
#include "windows/operator_view.h"
#include "windows/operator_windows.h"

namespace korvan {

namespace {

// A frequency change of up to this much is no change for the host.
constexpr double kFrequencyStepHz = 300.0;
constexpr int kCallsignItem = 5;

// Sets refreshPending back to 1 however the refresh ends, so the host's
// call checks may ask for the next one.
struct RefreshFinished {
    ~RefreshFinished() { refreshPending.store(1); }
};

// What the host's answers let this refresh do.
struct HostReading {
    bool hostAsked = false;  // there is a host object: the callsign was asked for
    bool bandFound = false;  // its frequency is on a band
};

// The host's calls, without the lock: the callsign, the "<SP1>" rule and
// the band go into the windows' memory.
HostReading readHost(HostLink& host, WindowMemory& memory) {
    HostReading reading;
    if (!host.connected()) return reading;
    reading.hostAsked = true;
    const std::optional<double> frequency = host.frequency();
    // A failed call or a result that is not a text: no callsign.
    memory.currentCallsign = host.qsoItem(kCallsignItem).value_or(std::string());
    // Without a frequency (the call failed) there is nothing to compare
    // and no band.
    if (!frequency) return reading;
    if (std::fabs(*frequency - memory.lastCommandFrequency) > kFrequencyStepHz) {
        host.sendCommand("<SP1>");
        memory.lastCommandFrequency = *frequency;
    }
    const int slot = bandSlotOfFrequency(*frequency);
    if (slot < 0) return reading;  // titles and marks keep the last band's
    memory.currentBandSlot = slot;
    reading.bandFound = true;
    return reading;
}

// Without a host nothing is shown but the windows' own titles; without a
// band the KDA window and the DXCC window's band title keep the last band's.
void showView(OperatorWindows& windows, const HostReading& reading) {
    if (!reading.hostAsked) return;
    const OperatorView& view = windows.view();
    DxccWindow* dxcc = windows.dxccIfOpen();
    if (dxcc && (reading.bandFound || !view.callsign.empty())) dxcc->setTitle(view.dxccTitle());
    if (!reading.bandFound) return;
    if (KdaAreaWindow* kda = windows.kdaIfOpen()) {
        kda->setTitle(view.kdaTitle());
        if (view.areaMarks) kda->showMarks(*view.areaMarks);
    }
    if (dxcc) dxcc->invalidateControl(IDC_DXCC_INFO, false);
}

}  // namespace

void refreshOperatorWindows(OperatorWindows& windows, WantedWindows wanted) {
    RefreshFinished finished;
    if (wanted.dxcc && !windows.isOpen(OperatorWindow::dxcc)) windows.open(OperatorWindow::dxcc);
    if (wanted.kda && !windows.isOpen(OperatorWindow::kda)) windows.open(OperatorWindow::kda);

    const HostReading reading = readHost(windows.host(), windows.memory());
    // The host's calls let the thread's messages through: which windows are
    // open is asked only now.
    ViewParts parts;
    // Only a refresh that asked the host for the callsign has new rows.
    parts.workedWith = reading.hostAsked;
    parts.areaMarks = reading.bandFound && windows.kdaIfOpen();
    parts.bandPrefixes = windows.dxccIfOpen() != nullptr;
    const WindowMemory& memory = windows.memory();
    updateOperatorView(windows.view(), memory.currentCallsign, memory.currentBandSlot, parts);
    showView(windows, reading);
}

}  // namespace korvan
