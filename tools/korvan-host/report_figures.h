// The figures of `korvan-host report`, from the log and what the plug-in
// answered during its replay. Whether a QSO counts, and why not, is the
// plug-in's word (AddData0's result and its bad-QSO lines); totals, score
// and the running totals over time are its statistics. The log adds what
// the plug-in does not say: times, bands, modes, calls and countries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "country_file.h"
#include "qso.h"
#include "replay.h"
#include "report_replay.h"

namespace korvan::host {

enum class Verdict { counted, dupe, badKda, rejected };

struct QsoVerdict {
    Verdict verdict = Verdict::counted;
    std::string reason;  // the plug-in's words ("DUPE", "WRONG BAND", ...); "" when counted
};

// A dupe is kept by the plug-in (AddData0 returns 1) with a DUPE line, a
// QSO with a bad KDA code with a KDA line; a QSO it rejects gets 0 and a
// line saying why. A QSO flagged as both is a dupe, whose reason names
// both.
QsoVerdict verdictOf(const QsoOutcome& outcome);

// Clock-hour bins (or wider ones, for logs of many days) that the charts
// share, and how many times per bin the replay asks for the totals.
struct TimeBins {
    std::int64_t start = 0;    // seconds, at a whole hour
    std::int64_t seconds = 3600;
    std::size_t count = 0;
    std::size_t samplesPerBin = 1;
    std::int64_t edge(std::size_t bin) const { return start + static_cast<std::int64_t>(bin) * seconds; }
};

// Bins covering every QSO with a valid time: one hour wide unless that
// makes more than 72, then 2, 3, 4, 6, 8, 12, 24 hours or multiples of a
// day; up to 6 samples per bin, at most about 240 in all.
TimeBins timeBinsFor(const ContactLog& log);

// The moments to sample: samplesPerBin evenly spaced from each bin's start,
// then the end of the last bin (its sample is the final totals).
std::vector<std::int64_t> sampleMoments(const TimeBins& bins);

struct TimeSpan {
    std::int64_t from = 0, to = 0;  // seconds
};

// The most counted QSOs in a window of the length that starts at a
// counted QSO; the earliest such window.
struct BestRate {
    std::int64_t qsos = 0;
    std::int64_t from = 0;
};

struct RankedName {
    std::string name, detail;
    std::int64_t count = 0;
};

struct FirstWorked {
    std::string multiplier;  // DXCC prefix or KDA code
    bool kdaArea = false;
    std::size_t qso = 0;     // index into the log's QSOs
};

struct BandMultipliers {
    std::string band;
    std::vector<FirstWorked> firsts;     // the plug-in's new multipliers, in log order
    std::vector<FirstWorked> notNew;     // first on the band in the log, but not new to the plug-in
    std::vector<std::string> kdaAreas;   // worked on the band, sorted
    std::int64_t pluginDxcc = 0, pluginKda = 0;
};

struct Problem {
    std::size_t qso = 0;
    QsoVerdict verdict;
    std::optional<std::size_t> repeats;  // a dupe: the first stored QSO with its call, band and mode
};

struct BandRun {
    std::string band;
    std::size_t qsos = 0;
    TimeSpan span;
};

struct ReportInput {
    const ContactLog& log;
    const ReportReplay& replay;
    const CountryFile& countries;
    Station own;
    std::vector<HeaderLine> header;  // Cabrillo header lines (the log's, then --header)
    int offTimeMinutes = 30;
};

struct ReportFigures {
    // Summary
    Station own;
    std::vector<HeaderLine> category;  // CATEGORY-* lines
    std::size_t loggedQsos = 0, countedQsos = 0;
    std::optional<TimeSpan> active;    // first to last QSO
    std::int64_t onTime = 0, offTime = 0;
    std::vector<TimeSpan> breaks;      // gaps of at least offTimeMinutes between QSOs
    int offTimeMinutes = 30;
    PluginStatistics totals;
    BestRate best10, best60;

    // Over time; every series has one value per bin.
    TimeBins bins;
    std::vector<std::string> bands;  // the plug-in's band rows, lowest first
    std::vector<std::string> modes;  // "CW", "SSB"
    std::vector<std::vector<std::int64_t>> qsosByBand, qsosByMode;  // counted QSOs
    std::vector<Sample> samples;
    std::vector<std::int64_t> newDxcc, newKda;  // the plug-in's totals' growth per bin
    std::vector<std::int64_t> bandChanges;      // QSOs on another band than the QSO before
    std::int64_t bandChangeCount = 0;
    BandRun longestRun;

    // Multipliers per band, and where they do not add up to the plug-in's
    // counts.
    std::vector<BandMultipliers> multipliers;
    std::vector<std::string> mismatches;

    // Stations (counted QSOs)
    std::vector<RankedName> countries, continents, kdaAreas, multiBandStations;
    std::size_t countryCount = 0, kdaAreaCount = 0, stationCount = 0;

    std::vector<Problem> problems;
};

inline constexpr std::size_t kRankedRows = 20;

// "2026-03-21 12:05" for a moment in seconds on the host's day count.
std::string formatMoment(std::int64_t second);

// "3 h 05 min", "45 min", "2 d 1 h 00 min".
std::string formatDuration(std::int64_t seconds);

ReportFigures computeFigures(const ReportInput& input, const TimeBins& bins);

}  // namespace korvan::host
