#pragma once
// The statistics figures the plug-in keeps up to date as QSOs come and go
// (engine/band_tally.h), checked against the walks of the linear engine
// after any operation: the rows, totals and per-band lists a statistics
// request would give, and, for every band text a stored QSO ever had (rows
// or not, slot or not), the sums, the distinct prefixes and codes in order,
// the last-QSO points and the rates at the reference time.
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "engine/band_tally.h"
#include "engine/qso_search.h"
#include "linear_engine.h"
#include "report/statistics.h"

namespace linear {

inline auto rowFields(const report::BandRow& r) {
    return std::tie(r.band, r.qsos, r.points, r.dxcc, r.kda, r.cw, r.ssb, r.dupes, r.bad, r.qsos60, r.points60,
                    r.qsos10, r.points10);
}

inline auto totalFields(const report::ResultTotals& t) {
    return std::tie(t.qsos, t.points, t.dxcc, t.kda, t.cw, t.ssb, t.dupes, t.badStored, t.score, t.qsos60,
                    t.points60, t.qsos10, t.points10, t.lastQsoPoints);
}

inline std::vector<std::string> textsOf(const QsoDigests& digests, QsoDigests::Table table,
                                        const BandTally::DistinctTexts* texts) {
    std::vector<std::string> out;
    if (texts)
        for (const std::uint32_t id : texts->order()) out.push_back(digests.text(table, id));
    return out;
}

// What differs first, or "" when everything agrees. The caller holds
// stateLock(); the state is copied, so its worked-band order and its lists
// stay as they are (they change only when the host asks for statistics).
inline std::string tallyMismatch(const Engine& reference, const ContestState& state) {
    ContestState copy = state;
    const report::Statistics kept = report::computeStatistics(copy);
    Engine walked = reference;
    const report::Statistics expected = walked.statistics();
    if (kept.rows.size() != expected.rows.size()) return "number of rows";
    for (std::size_t i = 0; i < kept.rows.size(); ++i)
        if (rowFields(kept.rows[i]) != rowFields(expected.rows[i])) return "row " + expected.rows[i].band;
    if (totalFields(kept.totals) != totalFields(expected.totals)) return "totals";
    if (copy.bandDxccLists != walked.bandDxccLists) return "DXCC lists";
    if (copy.bandKdaLists != walked.bandKdaLists) return "KDA lists";

    const QsoIndex& index = indexedQsos(copy);
    const QsoDigests& digests = index.digests();
    const COleDateTime referenceTime = reference.referenceTime();
    const double referenceDays = continuousDays(referenceTime.m_dt);
    for (std::uint32_t id = 0; id < digests.textCount(QsoDigests::band); ++id) {
        const std::string& text = digests.text(QsoDigests::band, id);
        const Engine::BandWalk walk = reference.walkBand(text, referenceTime);
        const BandTally::Band* band = index.tally().band(id);
        const std::string where = " of band [" + text + "]";
        const BandTally::Figures figures = band ? band->figures : BandTally::Figures{};
        const report::BandRow& row = walk.row;
        if (std::tie(figures.qsos, figures.points, figures.cw, figures.ssb) !=
                std::tie(row.qsos, row.points, row.cw, row.ssb) ||
            static_cast<std::int32_t>(figures.dupes) != row.dupes || static_cast<std::int32_t>(figures.bad) != row.bad)
            return "sums" + where;
        if (textsOf(digests, QsoDigests::prefix, band ? &band->prefixes : nullptr) != walk.prefixes)
            return "prefixes" + where;
        if (textsOf(digests, QsoDigests::kdaCode, band ? &band->codes : nullptr) != walk.codes)
            return "codes" + where;
        if ((band ? BandTally::lastPoints(*band) : 0) != walk.lastPoints) return "last points" + where;
        const BandTally::Rates rates = band ? BandTally::ratesAt(*band, referenceDays) : BandTally::Rates{};
        if (std::tie(rates.qsos60, rates.points60, rates.qsos10, rates.points10) !=
            std::tie(row.qsos60, row.points60, row.qsos10, row.points10))
            return "rates" + where;
    }
    return "";
}

}  // namespace linear
