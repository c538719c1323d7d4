#include "report/statistics.h"

#include <cstddef>

#include "engine/bad_line_count.h"
#include "engine/band_tally.h"
#include "engine/bands.h"
#include "engine/qso_search.h"

namespace korvan::report {

namespace {

constexpr std::size_t kBandKeyWidth = 20;

std::string bandKey(const std::string& band) {
    if (band.size() >= kBandKeyWidth) return band;
    return std::string(kBandKeyWidth - band.size(), '0') + band;
}

void addRow(ResultTotals& totals, const BandRow& row) {
    totals.qsos += row.qsos;
    totals.points += row.points;
    totals.dxcc += row.dxcc;
    totals.kda += row.kda;
    totals.cw += row.cw;
    totals.ssb += row.ssb;
    totals.dupes += row.dupes;
    totals.badStored += row.bad;
    totals.qsos60 += row.qsos60;
    totals.points60 += row.points60;
    totals.qsos10 += row.qsos10;
    totals.points10 += row.points10;
}

}  // namespace

COleDateTime referenceTime(const ContestState& state) {
    if (state.exportRun == 0 && state.qsoList.size() > 1) return state.qsoList.back().qsoTime;
    return COleDateTime{};
}

std::int64_t minutesBetween(const COleDateTime& reference, const COleDateTime& t) {
    return wholeMinutes(continuousDays(reference.m_dt) - continuousDays(t.m_dt));
}

std::int32_t qsoPoints(const CInfo& qso, const std::string& ownPrefix, const std::string& ownContinent) {
    return korvan::qsoPoints(qso, ownPrefix, ownContinent);
}

void sortWorkedBands(std::vector<std::string>& bands) {
    // At most a handful of bands: the keys are built once and the exchange
    // sort is run as such, moving texts and keys together.
    std::vector<std::string> keys;
    keys.reserve(bands.size());
    for (const std::string& band : bands) keys.push_back(bandKey(band));
    // std::string compares its bytes as unsigned characters.
    for (std::size_t i = 0; i + 1 < bands.size(); ++i) {
        for (std::size_t j = i + 1; j < bands.size(); ++j) {
            if (keys[i] < keys[j]) {
                keys[i].swap(keys[j]);
                bands[i].swap(bands[j]);
            }
        }
    }
}

std::int32_t countBadLines(const std::string& fileName) { return badqso::countLines(fileName); }

namespace {

// Makes the slot hold the texts of the band's distinct list: appends what
// came since the last request when the slot is as that request left it,
// else builds the list anew and exchanges it with the slot's.
void publish(std::vector<std::string>& slot, PublishedList& published, const BandTally::DistinctTexts* texts,
             const QsoDigests& digests, QsoDigests::Table table) {
    const std::vector<std::uint32_t> none;
    const std::vector<std::uint32_t>& order = texts ? texts->order() : none;
    const std::uint64_t version = texts ? texts->version() : 0;
    const bool extends = version != 0 && published.version == version && published.count == slot.size() &&
                         slot.size() <= order.size();
    if (extends) {
        for (std::size_t n = slot.size(); n < order.size(); ++n) slot.push_back(digests.text(table, order[n]));
    } else {
        std::vector<std::string> fresh;
        fresh.reserve(order.size());
        for (const std::uint32_t id : order) fresh.push_back(digests.text(table, id));
        slot.swap(fresh);
    }
    published = PublishedList{version, slot.size()};
}

}  // namespace

Statistics computeStatistics(ContestState& state) {
    sortWorkedBands(state.workedBands);
    const std::vector<std::string>& bands = state.workedBands;
    const QsoIndex& index = indexedQsos(state);
    const QsoDigests& digests = index.digests();
    const BandTally& tally = index.tally();

    // Only the QSOs on the last record's band text feed the rates and the
    // last-QSO points, and only when that band has a row.
    const auto& records = digests.records();
    const std::uint32_t lastBand = records.empty() ? QsoDigests::kNoText : records.back().band;
    const double reference = continuousDays(referenceTime(state).m_dt);
    const bool withRates = state.exportRun == 0;

    Statistics stats;
    stats.rows.reserve(bands.size());
    for (const std::string& text : bands) {
        BandRow row;
        row.band = text;
        const std::uint32_t id = digests.idOf(QsoDigests::band, text);
        const BandTally::Band* band = id == QsoDigests::kNoText ? nullptr : tally.band(id);
        if (band) {
            const BandTally::Figures& figures = band->figures;
            row.qsos = figures.qsos;
            row.points = figures.points;
            row.dxcc = static_cast<std::int32_t>(band->prefixes.order().size());
            row.kda = static_cast<std::int32_t>(band->codes.order().size());
            row.cw = figures.cw;
            row.ssb = figures.ssb;
            row.dupes = static_cast<std::int32_t>(figures.dupes);
            row.bad = static_cast<std::int32_t>(figures.bad);
            if (id == lastBand) {
                stats.totals.lastQsoPoints = BandTally::lastPoints(*band);
                if (withRates) {
                    const BandTally::Rates rates = BandTally::ratesAt(*band, reference);
                    row.qsos60 = rates.qsos60;
                    row.points60 = rates.points60;
                    row.qsos10 = rates.qsos10;
                    row.points10 = rates.points10;
                }
            }
        }
        addRow(stats.totals, row);
        stats.rows.push_back(std::move(row));

        const int slot = bandSlot(text);
        if (slot < 0) continue;
        const auto s = static_cast<std::size_t>(slot);
        publish(state.bandDxccLists[s], state.publishedDxcc[s], band ? &band->prefixes : nullptr, digests,
                QsoDigests::prefix);
        publish(state.bandKdaLists[s], state.publishedKda[s], band ? &band->codes : nullptr, digests,
                QsoDigests::kdaCode);
    }
    stats.totals.score = static_cast<std::int64_t>(stats.totals.points) *
                         (static_cast<std::int64_t>(stats.totals.dxcc) + stats.totals.kda);
    return stats;
}

}  // namespace korvan::report
