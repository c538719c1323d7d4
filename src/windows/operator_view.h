#pragma once
// What the operator windows show, as a plain value: the refresh reads it
// from the contest state under the lock once, then sets the titles and the
// marks from it and the DXCC window's info button paints it, all without
// the lock. The engine keeps the facts (the stored QSOs, the per-band
// lists); how they are presented (titles, sorted prefixes, the worked-with
// rows) is decided here.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/bands.h"
#include "engine/contest_state.h"
#include "windows/kda_window.h"

namespace korvan {

// One band's row of the worked-with view: when the station being worked
// was last worked there in CW and in SSB, and the exchange of the latest of
// those QSOs. "-" until a refresh has asked the host for the callsign (as
// a contest reset leaves the rows), "   -" where nothing was found.
struct WorkedWithRow {
    std::string cwTime = "-";
    std::string ssbTime = "-";
    std::string exchange = "-";
    friend bool operator==(const WorkedWithRow&, const WorkedWithRow&) = default;
};
using WorkedWithRows = std::array<WorkedWithRow, kBandSlotCount>;

struct OperatorView {
    std::string contestYear;
    // The callsign the host showed at the last refresh ("" when none) and
    // the slot of its last recognised band (-1 until then).
    std::string callsign;
    int bandSlot = -1;
    // The sizes of the band's KDA and DXCC lists (0 without a band).
    std::size_t kdaCount = 0;
    std::size_t dxccCount = 0;
    // The band's KDA list as the grid's marks; read only for an open KDA
    // window on a band found by this refresh.
    std::optional<AreaMarks> areaMarks;
    // The band view: the band's DXCC prefixes in ascending byte order; read
    // only for an open DXCC window with no callsign entered.
    std::vector<std::string> bandPrefixes;
    // The worked-with view, indexed by band slot (slot 0 is never drawn).
    WorkedWithRows workedWith;

    // "Korvan-2017 KDA on 20m 5 of 210".
    std::string kdaTitle() const;
    // With a callsign "Korvan 2017 worked with UN7LV " (with the blank at
    // the end), without one "Korvan-2017 DXCC worked on 20m 12 of 338".
    std::string dxccTitle() const;
};

// What one refresh reads besides the year and the counts.
struct ViewParts {
    bool workedWith = false;    // the worked-with rows (the host was asked)
    bool areaMarks = false;     // the KDA marks
    bool bandPrefixes = false;  // the band view's prefixes
};

// Brings the view up to date for the callsign and band slot: everything it
// needs of the contest state is read under stateLock(), taken once; the
// prefixes are sorted after the lock is released. The parts not asked for
// are left out (marks, prefixes) or kept as they were (the worked-with
// rows). Updated in place, so that a refresh reuses the view's texts.
void updateOperatorView(OperatorView& view, const std::string& callsign, int bandSlot, ViewParts parts);

}  // namespace korvan
