#include "report/statistics.h"

#include <cmath>
#include <cstddef>
#include <limits>

#include "engine/bands.h"
#include "engine/qso_search.h"
#include "platform/files.h"

namespace korvan::report {

namespace {

constexpr double kHalfSecondDays = 0.5 / 86400.0;  // 5.787037037037037e-6
constexpr std::size_t kBandKeyWidth = 20;
constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

// The day count as a continuous value: before the epoch the fraction counts
// the time of day forward from the (negative) day number, so -1.25 is 6:00
// on 29 December 1899, that is -0.75.
double continuousDays(double days) {
    if (days >= 0) return days;
    const double day = std::ceil(days);
    return day - (days - day);
}

// The counts of one band row. The distinct prefixes and codes are kept as
// numbers of the digest tables, in order of first appearance, with a mark
// per number, so the pass neither hashes nor allocates per QSO.
struct RowCounting {
    BandRow row;
    std::vector<std::uint8_t> prefixSeen;  // by prefix number
    std::vector<std::uint8_t> codeSeen;    // by KDA code number
    std::vector<std::uint32_t> prefixes;
    std::vector<std::uint32_t> codes;
};

std::vector<std::string> textsOf(const QsoDigests& digests, QsoDigests::Table table,
                                 const std::vector<std::uint32_t>& ids) {
    std::vector<std::string> texts;
    texts.reserve(ids.size());
    for (const std::uint32_t id : ids) texts.push_back(digests.text(table, id));
    return texts;
}

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
    double span = continuousDays(reference.m_dt) - continuousDays(t.m_dt);
    span += span >= 0 ? kHalfSecondDays : -kHalfSecondDays;
    const double minutes = span * 1440.0;
    // Converting a NaN or an out-of-range double is undefined in C++;
    // 2^63 is exactly representable, so these bounds are exact.
    constexpr double kLimit = 9223372036854775808.0;
    if (std::isnan(minutes) || minutes >= kLimit) return std::numeric_limits<std::int64_t>::max();
    if (minutes < -kLimit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(minutes);  // truncates toward zero
}

std::int32_t qsoPoints(const CInfo& qso, const std::string& ownPrefix, const std::string& ownContinent) {
    if (ownPrefix != "UN" && qso.prefix == "UN") return 10;
    if (qso.prefix == ownPrefix) return 2;
    if (qso.continent == ownContinent) return 3;
    return 5;
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

std::int32_t countBadLines(const std::string& fileName) {
    platform::LineReader reader(fileName);
    if (!reader.isOpen()) return 0;
    std::int32_t count = 0;
    std::string line;
    while (reader.next(line)) {
        const std::size_t dupe = line.find("DUPE");
        const std::size_t ubn = line.find("UBN");
        const bool notCounted = (dupe != std::string::npos && dupe > 0) || (ubn != std::string::npos && ubn > 0);
        if (!notCounted && count < std::numeric_limits<std::int32_t>::max()) ++count;
    }
    return count;
}

Statistics computeStatistics(ContestState& state) {
    sortWorkedBands(state.workedBands);
    const std::vector<std::string>& bands = state.workedBands;
    const QsoDigests& digests = qsoDigests(state);
    const std::vector<QsoDigest>& records = digests.records();

    // workedBands holds each text once; should a text repeat anyway, its
    // later rows are copies of the first one, as separate passes would give.
    std::vector<std::size_t> owner(bands.size());
    for (std::size_t i = 0; i < bands.size(); ++i) {
        owner[i] = i;
        for (std::size_t j = 0; j < i; ++j)
            if (owner[j] == j && bands[j] == bands[i]) { owner[i] = j; break; }
    }

    // The row of each band number; the QSOs of bands without a row are not
    // counted.
    std::vector<RowCounting> counting(bands.size());
    std::vector<std::size_t> rowOfBand(digests.textCount(QsoDigests::band), kNoRow);
    for (std::size_t i = 0; i < bands.size(); ++i) {
        if (owner[i] != i) continue;
        const std::uint32_t id = digests.idOf(QsoDigests::band, bands[i]);
        if (id == QsoDigests::kNoText) continue;
        rowOfBand[id] = i;
        counting[i].prefixSeen.assign(digests.textCount(QsoDigests::prefix), 0);
        counting[i].codeSeen.assign(digests.textCount(QsoDigests::kdaCode), 0);
    }

    // Points compare the numbers with those of the own prefix and continent
    // (kNoText when no QSO has them, which equals no QSO's number).
    const std::uint32_t unPrefix =
        state.ownPrefix != "UN" ? digests.idOf(QsoDigests::prefix, "UN") : QsoDigests::kNoText;
    const std::uint32_t ownPrefix = digests.idOf(QsoDigests::prefix, state.ownPrefix);
    const std::uint32_t ownContinent = digests.idOf(QsoDigests::continent, state.ownContinent);
    const std::uint32_t noCode = digests.idOf(QsoDigests::kdaCode, "");
    auto pointsOf = [&](const QsoDigest& qso) -> std::int32_t {
        if (qso.prefix == unPrefix) return 10;
        if (qso.prefix == ownPrefix) return 2;
        if (qso.continent == ownContinent) return 3;
        return 5;
    };

    const COleDateTime reference = referenceTime(state);
    const bool withRates = state.exportRun == 0;
    // Only the QSOs on the last record's band text feed the rates and the
    // last-QSO points.
    const std::size_t lastBandRow = records.empty() ? kNoRow : rowOfBand[records.back().band];
    std::int32_t lastQsoPoints = 0;

    for (std::size_t n = 0; n < records.size(); ++n) {
        const QsoDigest& qso = records[n];
        if (qso.flags & QsoDigest::kNoCall) continue;
        const std::size_t rowIndex = rowOfBand[qso.band];
        if (rowIndex == kNoRow) continue;
        RowCounting& counts = counting[rowIndex];
        BandRow& row = counts.row;
        if (qso.flags & QsoDigest::kOddCounts) {
            row.dupes += state.qsoList[n].dupe;
            row.bad += state.qsoList[n].badCode;
        } else {
            row.dupes += (qso.flags & QsoDigest::kDupe) != 0;
            row.bad += (qso.flags & QsoDigest::kBadCode) != 0;
        }
        if (qso.flags & QsoDigest::kInvalid) continue;

        ++row.qsos;
        row.cw += qso.mode == QsoDigest::kCw;
        row.ssb += qso.mode == QsoDigest::kSsb;
        const std::int32_t points = pointsOf(qso);
        row.points += points;
        if (rowIndex == lastBandRow) {
            lastQsoPoints = points;
            if (withRates) {
                COleDateTime time;
                time.m_dt = qso.days;
                const std::int64_t minutes = minutesBetween(reference, time);
                if (minutes < 60) { ++row.qsos60; row.points60 += points; }
                if (minutes < 10) { ++row.qsos10; row.points10 += points; }
            }
        }
        if (!counts.prefixSeen[qso.prefix]) {
            counts.prefixSeen[qso.prefix] = 1;
            counts.prefixes.push_back(qso.prefix);
            ++row.dxcc;
        }
        if (qso.kdaCode != noCode && !counts.codeSeen[qso.kdaCode]) {
            counts.codeSeen[qso.kdaCode] = 1;
            counts.codes.push_back(qso.kdaCode);
            ++row.kda;
        }
    }

    Statistics stats;
    stats.rows.reserve(bands.size());
    for (std::size_t i = 0; i < bands.size(); ++i) {
        stats.rows.push_back(counting[owner[i]].row);
        stats.rows.back().band = bands[i];
        addRow(stats.totals, stats.rows.back());
    }
    stats.totals.lastQsoPoints = lastQsoPoints;
    stats.totals.score = static_cast<std::int64_t>(stats.totals.points) *
                         (static_cast<std::int64_t>(stats.totals.dxcc) + stats.totals.kda);

    // New lists are built completely and then exchanged with the slot's.
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const int slot = bandSlot(bands[i]);
        if (slot < 0) continue;
        std::vector<std::string> dxcc = textsOf(digests, QsoDigests::prefix, counting[owner[i]].prefixes);
        std::vector<std::string> kda = textsOf(digests, QsoDigests::kdaCode, counting[owner[i]].codes);
        state.bandDxccLists[static_cast<std::size_t>(slot)].swap(dxcc);
        state.bandKdaLists[static_cast<std::size_t>(slot)].swap(kda);
    }
    return stats;
}

}  // namespace korvan::report
