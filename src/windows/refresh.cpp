#include "windows/refresh.h"

#include <array>
#include <cmath>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/bands.h"
#include "engine/qso_search.h"
#include "resources/resource.h"
#include "windows/dxcc_window.h"
#include "windows/kda_window.h"
#include "windows/operator_windows.h"

namespace {

// A frequency change of up to this much is no change for the host.
constexpr double kFrequencyStepHz = 300.0;
constexpr int kCallsignItem = 5;

// Sets refreshPending back to 1 however the refresh ends, so the host's
// call checks may ask for the next one.
struct RefreshFinished {
    ~RefreshFinished() { refreshPending.store(1); }
};

// Entries 2 to 4 of every row become "   -"; with a callsign, each band's
// row gets the time of the latest CW and of the latest SSB QSO with that
// station on that band, and the exchange of the latest QSO of any mode
// (the KDA code of a "UN" station). The caller holds the state lock.
void fillWorkedWithRows(ContestState& state, const std::string& callsign) {
    for (auto& row : state.workedWithRows) row[1] = row[2] = row[3] = "   -";
    if (callsign.empty()) return;
    for (std::size_t slot = 0; slot < state.workedWithRows.size(); ++slot) {
        std::array<std::string, 4>& row = state.workedWithRows[slot];
        const std::string band = kBandSlots[slot].label;
        const int cw = findLatestQso(state, callsign, band, "CW");
        if (cw != kNotFound) row[1] = state.qsoList[static_cast<std::size_t>(cw)].qsoTime.Format("%H:%M");
        const int ssb = findLatestQso(state, callsign, band, "SSB");
        if (ssb != kNotFound) row[2] = state.qsoList[static_cast<std::size_t>(ssb)].qsoTime.Format("%H:%M");
        const int latest = findLatestQsoOnBand(state, callsign, band);
        if (latest != kNotFound) {
            const CInfo& qso = state.qsoList[static_cast<std::size_t>(latest)];
            row[3] = qso.prefix == "UN" ? qso.kdaCode : qso.exchangeReceived;
        }
    }
}

}  // namespace

void refreshOperatorWindows(OperatorWindows& windows, WantedWindows wanted) {
    RefreshFinished finished;
    if (wanted.dxcc && !windows.isOpen(OperatorWindow::dxcc)) windows.open(OperatorWindow::dxcc);
    if (wanted.kda && !windows.isOpen(OperatorWindow::kda)) windows.open(OperatorWindow::kda);

    HostLink& host = windows.host();
    WindowMemory& memory = windows.memory();
    if (!host.connected()) return;
    // Host calls run without the lock, and a window pointer is read again
    // after each of them: a call lets the thread's messages through, and a
    // window may close meanwhile.
    const std::optional<double> frequency = host.frequency();
    // A failed call or a result that is not a text: no callsign.
    const std::string callsign = host.qsoItem(kCallsignItem).value_or(std::string());
    memory.currentCallsign = callsign;

    std::string year;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& state = contestState();
        fillWorkedWithRows(state, callsign);
        year = state.contestYear;
    }
    if (!callsign.empty()) {
        if (DxccWindow* dxcc = windows.dxccIfOpen()) dxcc->setTitle("Korvan " + year + " worked with " + callsign + " ");
    }

    // Without a frequency (the call failed) there is nothing to compare
    // and no band.
    if (!frequency) return;
    if (std::fabs(*frequency - memory.lastCommandFrequency) > kFrequencyStepHz) {
        host.sendCommand("<SP1>");
        memory.lastCommandFrequency = *frequency;
    }
    const int slot = bandSlotOfFrequency(*frequency);
    if (slot < 0) return;  // titles and marks keep the last band's

    std::size_t dxccCount = 0;
    std::size_t kdaCount = 0;
    std::optional<AreaMarks> marks;
    const bool kdaOpen = windows.kdaIfOpen() != nullptr;
    memory.currentBandSlot = slot;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        const ContestState& state = contestState();
        dxccCount = state.bandDxccLists[static_cast<std::size_t>(slot)].size();
        kdaCount = state.bandKdaLists[static_cast<std::size_t>(slot)].size();
        if (kdaOpen) marks = KdaAreaWindow::marksOf(state.bandKdaLists[static_cast<std::size_t>(slot)]);
    }
    const std::string band = kBandSlots[static_cast<std::size_t>(slot)].label;
    DxccWindow* dxcc = windows.dxccIfOpen();
    if (callsign.empty() && dxcc)
        dxcc->setTitle("Korvan-" + year + " DXCC worked on " + band + " " + std::to_string(dxccCount) + " of 338");
    if (KdaAreaWindow* kda = windows.kdaIfOpen()) {
        kda->setTitle("Korvan-" + year + " KDA on " + band + " " + std::to_string(kdaCount) + " of 210");
        if (marks) kda->showMarks(*marks);
    }
    if (dxcc) dxcc->invalidateControl(IDC_DXCC_INFO, false);
}
