#pragma once
// The document online scoreboards take: root "dynamicresults" with the
// station, its entry class, the per-band breakdown of the latest statistics
// and the score, as XML (UTF-8), and its form-encoded body.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/statistics.h"

namespace korvan {

// One row of the breakdown: QSOs, multipliers (DXCC + KDA) and points.
struct BandFigures {
    std::string band;  // "160", "80", ... or "total"
    std::int64_t qsos = 0;
    std::int64_t mults = 0;
    std::int64_t points = 0;
};

// The figures of one statistics request and when it was made.
struct ScoreSnapshot {
    std::vector<BandFigures> bands;
    BandFigures total;
    std::int64_t score = 0;
    std::chrono::system_clock::time_point takenAt;
};

// The figures of the statistics exactly as computed: each band row as it
// is, its band text without the trailing "m" ("20m" gives "20").
ScoreSnapshot snapshotOf(const report::Statistics& stats, std::chrono::system_clock::time_point takenAt);

// Who posts, for which entry: read at every reset.
struct StationDetails {
    std::string contest;  // the scoreboard's name of the contest
    std::string call;
    std::string operators;
    // The entry class (the Cabrillo header's categories).
    std::string categoryOperator;
    std::string categoryMode;
    std::string categoryPower;
    std::string categoryBand;
    std::string categoryTransmitter;
    std::string categoryAssisted;
    std::string club;
    // The station's location: its DXCC prefix and the Cabrillo LOCATION.
    std::string dxccCountry;
    std::string location;
};

// The whole document, starting with its XML declaration.
std::string scoreDocument(const StationDetails& station, const ScoreSnapshot& snapshot);

// The document as the form field "xml" (application/x-www-form-urlencoded).
std::string formBody(const std::string& document);

// A host's text as XML character data or attribute value: UTF-8 (from the
// host's code page), with <, >, &, " and ' escaped, control characters and
// bytes that are no UTF-8 character dropped.
std::string xmlText(std::string_view text);

// "yyyy-mm-dd hh:mm:ss" in UTC.
std::string utcTimestamp(std::chrono::system_clock::time_point time);

}  // namespace korvan
