#include "engine/band_tally.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/contest_state.h"
#include "engine/qso_index.h"

namespace korvan {

namespace {

constexpr double kHalfSecondDays = 0.5 / 86400.0;  // 5.787037037037037e-6
// The points a counted QSO can score, one time list per value.
constexpr std::array<std::int32_t, 4> kPointValues = {10, 2, 3, 5};

std::size_t pointsClass(std::int32_t points) {
    return static_cast<std::size_t>(std::find(kPointValues.begin(), kPointValues.end(), points) -
                                    kPointValues.begin());
}

}  // namespace

double continuousDays(double days) {
    if (days >= 0) return days;
    const double day = std::ceil(days);
    return day - (days - day);
}

std::int64_t wholeMinutes(double spanDays) {
    double span = spanDays;
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

void BandTally::setOwnStation(const std::string& ownPrefix, const std::string& ownContinent) {
    ownPrefix_ = ownPrefix;
    ownContinent_ = ownContinent;
}

const BandTally::Band* BandTally::band(std::uint32_t bandId) const {
    return bandId < bands_.size() ? &bands_[bandId] : nullptr;
}

void BandTally::reserveText(DistinctTexts& texts, std::uint32_t id) {
    if (texts.sequences_.size() <= id) texts.sequences_.resize(std::size_t{id} + 1);
    std::vector<std::uint64_t>& sequences = texts.sequences_[id];
    if (sequences.empty()) reserveOneMore(texts.order_);
    reserveOneMore(sequences);
}

void BandTally::addText(DistinctTexts& texts, std::uint32_t id, std::uint64_t sequence) {
    // Room was made by reserveText: nothing here allocates. The sequence is
    // the largest so far, so a new text goes to the end of the order.
    std::vector<std::uint64_t>& sequences = texts.sequences_[id];
    if (sequences.empty()) texts.order_.push_back(id);
    sequences.push_back(sequence);
}

void BandTally::removeText(DistinctTexts& texts, std::uint32_t id, std::uint64_t sequence) {
    if (id >= texts.sequences_.size()) return;
    std::vector<std::uint64_t>& sequences = texts.sequences_[id];
    const auto found = std::lower_bound(sequences.begin(), sequences.end(), sequence);
    if (found == sequences.end() || *found != sequence) return;
    if (found != sequences.begin()) {
        sequences.erase(found);  // not the first appearance: the order stays
        return;
    }
    // The text's first appearance goes: the text leaves the order, or moves
    // to where its next QSO stands. The order is sorted by first sequence.
    auto firstOf = [&texts](std::uint32_t text) { return texts.sequences_[text].front(); };
    std::vector<std::uint32_t>& order = texts.order_;
    const auto at = std::lower_bound(order.begin(), order.end(), sequence,
                                     [&](std::uint32_t text, std::uint64_t value) { return firstOf(text) < value; });
    order.erase(at);
    sequences.erase(found);
    if (!sequences.empty()) {
        const auto to = std::lower_bound(order.begin(), order.end(), sequences.front(),
                                         [&](std::uint32_t text, std::uint64_t value) { return firstOf(text) < value; });
        order.insert(to, id);  // the erase left the capacity: no allocation
    }
    texts.version_ = nextVersion_++;
}

void BandTally::add(const QsoDigest& digest, const CInfo& qso, std::uint64_t sequence) {
    if (qso.call.empty()) return;  // listed nowhere
    // Everything that may allocate comes first; the updates after it cannot
    // fail. Room made and not used (a new empty band or text slot) changes
    // no figure.
    if (bands_.size() <= digest.band) {
        const std::size_t first = bands_.size();
        bands_.resize(std::size_t{digest.band} + 1);
        for (std::size_t n = first; n < bands_.size(); ++n) {
            bands_[n].prefixes.version_ = nextVersion_++;
            bands_[n].codes.version_ = nextVersion_++;
        }
    }
    Band& band = bands_[digest.band];
    const bool counted = qso.invalid == 0;
    const bool withCode = !qso.kdaCode.empty();
    const std::int32_t points = counted ? qsoPoints(qso, ownPrefix_, ownContinent_) : 0;
    const double time = continuousDays(digest.days);
    const bool timed = counted && !std::isnan(time);
    std::vector<double>& times = band.times[counted ? pointsClass(points) : 0];
    if (counted) {
        reserveOneMore(band.counted);
        if (timed) reserveOneMore(times);
        reserveText(band.prefixes, digest.prefix);
        if (withCode) reserveText(band.codes, digest.kdaCode);
    }

    Figures& figures = band.figures;
    figures.dupes += static_cast<std::uint32_t>(qso.dupe);
    figures.bad += static_cast<std::uint32_t>(qso.badCode);
    if (!counted) return;
    ++figures.qsos;
    figures.points += points;
    figures.cw += digest.mode == QsoDigest::kCw;
    figures.ssb += digest.mode == QsoDigest::kSsb;
    band.counted.push_back(Band::Counted{sequence, points});
    if (timed) times.insert(std::upper_bound(times.begin(), times.end(), time), time);
    addText(band.prefixes, digest.prefix, sequence);
    if (withCode) addText(band.codes, digest.kdaCode, sequence);
}

void BandTally::remove(const QsoDigest& digest, const CInfo& qso, std::uint64_t sequence) {
    if (qso.call.empty() || digest.band >= bands_.size()) return;
    Band& band = bands_[digest.band];
    Figures& figures = band.figures;
    figures.dupes -= static_cast<std::uint32_t>(qso.dupe);
    figures.bad -= static_cast<std::uint32_t>(qso.badCode);
    if (qso.invalid != 0) return;

    const auto counted = std::lower_bound(band.counted.begin(), band.counted.end(), sequence,
                                          [](const Band::Counted& c, std::uint64_t value) { return c.sequence < value; });
    if (counted == band.counted.end() || counted->sequence != sequence) return;
    const std::int32_t points = counted->points;
    band.counted.erase(counted);
    --figures.qsos;
    figures.points -= points;
    figures.cw -= digest.mode == QsoDigest::kCw;
    figures.ssb -= digest.mode == QsoDigest::kSsb;
    const double time = continuousDays(digest.days);
    if (!std::isnan(time)) {
        std::vector<double>& times = band.times[pointsClass(points)];
        const auto at = std::lower_bound(times.begin(), times.end(), time);
        if (at != times.end() && !(time < *at)) times.erase(at);
    }
    removeText(band.prefixes, digest.prefix, sequence);
    if (!qso.kdaCode.empty()) removeText(band.codes, digest.kdaCode, sequence);
}

std::int32_t BandTally::lastPoints(const Band& band) {
    return band.counted.empty() ? 0 : band.counted.back().points;
}

BandTally::Rates BandTally::ratesAt(const Band& band, double referenceDays) {
    // wholeMinutes(reference - t) never grows with t, so the QSOs within a
    // window are a tail of each ascending time list.
    auto within = [referenceDays](const std::vector<double>& times, std::int64_t limit) {
        const auto start = std::partition_point(times.begin(), times.end(), [&](double time) {
            return !(wholeMinutes(referenceDays - time) < limit);
        });
        return static_cast<std::int32_t>(times.end() - start);
    };
    Rates rates;
    for (std::size_t n = 0; n < kPointValues.size(); ++n) {
        const std::int32_t in60 = within(band.times[n], 60);
        const std::int32_t in10 = within(band.times[n], 10);
        rates.qsos60 += in60;
        rates.points60 += in60 * kPointValues[n];
        rates.qsos10 += in10;
        rates.points10 += in10 * kPointValues[n];
    }
    return rates;
}

}  // namespace korvan
