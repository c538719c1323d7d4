#include "windows/operator_view.h"

#include <algorithm>
#include <mutex>

#include "engine/contest_rules.h"
#include "engine/qso_search.h"

namespace korvan {

namespace {

constexpr const char* kNothingFound = "   -";

std::string bandLabel(int slot) { return isBandSlot(slot) ? kBandSlots[static_cast<std::size_t>(slot)].label : ""; }

// The band texts the stored QSOs are searched with, one per slot.
const std::array<std::string, kBandSlotCount> kBandTexts = [] {
    std::array<std::string, kBandSlotCount> texts;
    for (std::size_t slot = 0; slot < texts.size(); ++slot) texts[slot] = kBandSlots[slot].label;
    return texts;
}();

// Per band the time of the latest CW and of the latest SSB QSO with the
// station, and the exchange of its latest QSO of any mode (the KDA code of
// a "UN" station): the rows a walk of the whole list would leave, each
// later QSO overwriting an earlier one.
void readWorkedWithRows(ContestState& state, const std::string& callsign, WorkedWithRows& rows) {
    const auto timeOf = [&](int index) { return state.qsoList[static_cast<std::size_t>(index)].qsoTime.Format("%H:%M"); };
    for (std::size_t slot = 0; slot < rows.size(); ++slot) {
        WorkedWithRow& row = rows[slot];
        row.cwTime = row.ssbTime = row.exchange = kNothingFound;
        if (callsign.empty()) continue;
        const std::string& band = kBandTexts[slot];
        if (const int cw = findLatestQso(state, callsign, band, "CW"); cw != kNotFound) row.cwTime = timeOf(cw);
        if (const int ssb = findLatestQso(state, callsign, band, "SSB"); ssb != kNotFound) row.ssbTime = timeOf(ssb);
        if (const int latest = findLatestQsoOnBand(state, callsign, band); latest != kNotFound) {
            const CInfo& qso = state.qsoList[static_cast<std::size_t>(latest)];
            row.exchange = isUnPrefix(qso.prefix) ? qso.kdaCode : qso.exchangeReceived;
        }
    }
}

}  // namespace

std::string OperatorView::kdaTitle() const {
    return "Korvan-" + contestYear + " KDA on " + bandLabel(bandSlot) + " " + std::to_string(kdaCount) + " of 210";
}

std::string OperatorView::dxccTitle() const {
    if (!callsign.empty()) return "Korvan " + contestYear + " worked with " + callsign + " ";
    return "Korvan-" + contestYear + " DXCC worked on " + bandLabel(bandSlot) + " " + std::to_string(dxccCount) +
           " of 338";
}

void updateOperatorView(OperatorView& view, const std::string& callsign, int bandSlot, ViewParts parts) {
    view.callsign = callsign;
    view.bandSlot = isBandSlot(bandSlot) ? bandSlot : -1;
    view.kdaCount = view.dxccCount = 0;
    view.areaMarks.reset();
    view.bandPrefixes.clear();
    {
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& state = contestState();
        view.contestYear = state.contestYear;
        if (parts.workedWith) readWorkedWithRows(state, callsign, view.workedWith);
        if (view.bandSlot >= 0) {
            const std::size_t slot = static_cast<std::size_t>(view.bandSlot);
            view.kdaCount = state.bandKdaLists[slot].size();
            view.dxccCount = state.bandDxccLists[slot].size();
            if (parts.areaMarks) view.areaMarks = KdaAreaWindow::marksOf(state.bandKdaLists[slot]);
            // A copy: the host's thread rebuilds the stored list at every
            // statistics request.
            if (parts.bandPrefixes && callsign.empty()) view.bandPrefixes = state.bandDxccLists[slot];
        }
    }
    std::sort(view.bandPrefixes.begin(), view.bandPrefixes.end());
}

}  // namespace korvan
