// The replay behind `korvan-host report`: the log handed to the plug-in
// QSO by QSO as `score` hands it, noting what the plug-in answers for each
// (AddData0's result and the lines it appends to its bad-QSO file) and its
// statistics at chosen moments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qso.h"
#include "replay.h"

namespace korvan::host {

// One row of the plug-in's plain-text statistics.
struct PluginBandRow {
    std::string band;  // "20m", or "Total"
    std::int64_t qsos = 0, points = 0, dxcc = 0, kda = 0, cw = 0, ssb = 0;
};

// GetResult0's plain text read back into numbers.
struct PluginStatistics {
    std::string heading;    // "Korvan Contest 21.03.2026"
    std::vector<PluginBandRow> bands;
    PluginBandRow total;
    std::int64_t dupes = 0, badQsos = 0, score = 0;
    std::string scoreLine;  // "Score: 12369 * (277 + 348) = 7730625", as the plug-in wrote it
};

// nullopt when text is not the plug-in's plain-text statistics.
std::optional<PluginStatistics> readStatisticsText(std::string_view text);

// What the plug-in answered for one QSO.
struct QsoOutcome {
    bool stored = false;                // AddData0 returned 1
    std::vector<std::string> badLines;  // lines it appended to the bad-QSO file for this QSO
    // The statistics read just after the QSO was added and before it
    // (checkpoints[nextCheckpoint] and the one before it; none before the
    // first: all counts 0).
    std::size_t nextCheckpoint = 0;

    bool counted() const { return stored && badLines.empty(); }
};

// The KDA code a counted QSO brings: the received exchange of a Kazakh
// station, as the plug-in reads it (trimmed, in capitals); "" for others.
std::string kdaCodeOf(const Qso& qso);

// The plug-in's totals after every QSO that was handed to it before the
// first QSO logged at or after `second`.
struct Sample {
    std::int64_t second = 0;
    std::int64_t qsos = 0, points = 0, dxcc = 0, kda = 0, score = 0;
};

struct ReportReplay {
    std::vector<QsoOutcome> outcomes;  // one per QSO of the log, in log order
    std::vector<Sample> samples;       // one per requested moment
    // Every statistics request's answer, in order; the last is the final
    // statistics, after the last QSO.
    std::vector<PluginStatistics> checkpoints;
    const PluginStatistics& final() const { return checkpoints.back(); }
};

// The QSO's time in whole seconds on the host's day count (the count of
// 30 December 1899 is 0), rounded to the nearest second; nullopt when the
// time is not valid.
std::optional<std::int64_t> qsoSecond(const Qso& qso);

// The bad-QSO file a reset names for this contest date.
std::string badQsoFileName(const DateTime& contestDate);

// Hands every QSO of the log to the session in log order (the session was
// reset, and the reset made badQsoFile). Before the first QSO logged at or
// after a moment of sampleMoments (ascending), the statistics are asked for;
// moments after the last QSO are sampled at the end; a moment with no QSO
// added since the last one reuses its statistics.
//
// The statistics are also asked for before a QSO that may bring a band its
// second new DXCC prefix since the last request: between two requests each
// band then gains at most one, so the growth of its DXCC count tells
// whether the QSO brought a new multiplier (the plug-in may take two
// prefixes of the log as one). New prefixes come often at the start of a
// contest, when the log is short and a request cheap, and seldom later, so
// the requests stay few: at most one per band and prefix, never one per
// QSO. (A KDA code needs no such request: the plug-in counts the codes of
// the log as they are.)
// progress(done, total) is called every 500 QSOs. Throws InputError when
// the plug-in's statistics cannot be read.
ReportReplay replayForReport(HostSession& session, const ContactLog& log, const std::string& badQsoFile,
                             const std::vector<std::int64_t>& sampleMoments,
                             const std::function<void(std::size_t, std::size_t)>& progress = {});

}  // namespace korvan::host
