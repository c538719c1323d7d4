#include "report/statistics.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <string_view>

#include "platform/files.h"

namespace report {

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

// The distinct texts seen so far in order of first appearance, with an
// open-addressing hash index, so a pass over many QSOs allocates only when
// a new text doubles the table. The views point into the stored QSOs.
class FirstSeenSet {
public:
    // true when the text was new (it is then appended).
    bool insert(std::string_view text) {
        if ((order_.size() + 1) * 2 > slots_.size()) grow();
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash(text) & mask;; i = (i + 1) & mask) {
            if (slots_[i] == 0) {
                order_.push_back(text);
                slots_[i] = static_cast<std::uint32_t>(order_.size());
                return true;
            }
            if (order_[slots_[i] - 1] == text) return false;
        }
    }

    std::vector<std::string> copies() const { return {order_.begin(), order_.end()}; }

private:
    static std::size_t hash(std::string_view text) {
        std::uint64_t value = 14695981039346656037ull;  // FNV-1a
        for (unsigned char c : text) value = (value ^ c) * 1099511628211ull;
        return static_cast<std::size_t>(value ^ (value >> 32));
    }

    void grow() {
        std::vector<std::uint32_t> slots(slots_.empty() ? 16 : slots_.size() * 2, 0);
        const std::size_t mask = slots.size() - 1;
        for (std::size_t n = 0; n < order_.size(); ++n) {
            std::size_t i = hash(order_[n]) & mask;
            while (slots[i] != 0) i = (i + 1) & mask;
            slots[i] = static_cast<std::uint32_t>(n + 1);
        }
        slots_.swap(slots);
    }

    std::vector<std::string_view> order_;
    std::vector<std::uint32_t> slots_;  // 0: empty; else index into order_ + 1
};

struct RowCounting {
    BandRow row;
    FirstSeenSet prefixes;
    FirstSeenSet kdaCodes;
};

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
    const std::vector<CInfo>& qsos = state.qsoList;

    // workedBands holds each text once; should a text repeat anyway, its
    // later rows are copies of the first one, as separate passes would give.
    std::vector<std::size_t> owner(bands.size());
    for (std::size_t i = 0; i < bands.size(); ++i) {
        owner[i] = i;
        for (std::size_t j = 0; j < i; ++j)
            if (owner[j] == j && bands[j] == bands[i]) { owner[i] = j; break; }
    }
    auto rowOf = [&](const std::string& band) {
        for (std::size_t i = 0; i < bands.size(); ++i)
            if (owner[i] == i && bands[i] == band) return i;
        return kNoRow;
    };

    std::vector<RowCounting> counting(bands.size());
    const COleDateTime reference = referenceTime(state);
    const bool withRates = state.exportRun == 0;
    const std::size_t lastBandRow = qsos.empty() ? kNoRow : rowOf(qsos.back().band);
    std::int32_t lastQsoPoints = 0;

    // One pass: each QSO goes to the row of its band. Consecutive QSOs are
    // mostly on one band, so the previous band's row is tried first.
    const std::string* cachedBand = nullptr;
    std::size_t cachedRow = kNoRow;
    for (const CInfo& qso : qsos) {
        if (qso.call.empty()) continue;
        if (!cachedBand || qso.band != *cachedBand) {
            cachedBand = &qso.band;
            cachedRow = rowOf(qso.band);
        }
        if (cachedRow == kNoRow) continue;
        RowCounting& counts = counting[cachedRow];
        BandRow& row = counts.row;
        row.dupes += qso.dupe;
        row.bad += qso.badCode;
        if (qso.invalid != 0) continue;

        ++row.qsos;
        if (qso.mode == "CW") ++row.cw;
        if (qso.mode == "SSB") ++row.ssb;
        const std::int32_t points = qsoPoints(qso, state.ownPrefix, state.ownContinent);
        row.points += points;
        if (cachedRow == lastBandRow) {
            lastQsoPoints = points;
            if (withRates) {
                const std::int64_t minutes = minutesBetween(reference, qso.qsoTime);
                if (minutes < 60) { ++row.qsos60; row.points60 += points; }
                if (minutes < 10) { ++row.qsos10; row.points10 += points; }
            }
        }
        if (counts.prefixes.insert(qso.prefix)) ++row.dxcc;
        if (!qso.kdaCode.empty() && counts.kdaCodes.insert(qso.kdaCode)) ++row.kda;
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
        std::vector<std::string> dxcc = counting[owner[i]].prefixes.copies();
        std::vector<std::string> kda = counting[owner[i]].kdaCodes.copies();
        state.bandDxccLists[static_cast<std::size_t>(slot)].swap(dxcc);
        state.bandKdaLists[static_cast<std::size_t>(slot)].swap(kda);
    }
    return stats;
}

}  // namespace report
