#pragma once
// The statistics figures of every band, kept up to date as QSOs are stored
// and erased, so that a statistics request reads them instead of walking the
// stored QSOs. Each figure equals what a walk of the list in its order gives:
// - the sums of the listed QSOs (a call that is not empty) and of the
//   counted ones (listed, invalid == 0);
// - the distinct prefixes and non-empty KDA codes of the counted QSOs in
//   order of first appearance, each with the counted QSOs that have it, so
//   that erasing the last of them drops the text and erasing the first moves
//   it to where its next QSO stands;
// - the counted QSOs in list order (the last one gives the last-QSO points)
//   and their times in time order per points value (a rate is a binary
//   search for the window's start).
// QsoIndex owns one and feeds it every append and erasure with the QSO's
// digest and sequence number.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvan {

struct CInfo;
struct QsoDigest;

// The day count as a continuous value: before the epoch the fraction counts
// the time of day forward from the (negative) day number, so -1.25 is 6:00
// on 29 December 1899, that is -0.75.
double continuousDays(double days);

// Whole minutes in a span of continuous days, rounded to the nearest second
// and truncated toward zero. A span that is not a number counts as far in
// the past; spans beyond the 64-bit range saturate. For a fixed reference r,
// wholeMinutes(r - t) never grows as t grows.
std::int64_t wholeMinutes(double spanDays);

// Points of one counted QSO for the operator's own prefix and continent.
std::int32_t qsoPoints(const CInfo& qso, const std::string& ownPrefix, const std::string& ownContinent);

class BandTally {
public:
    // The sums of one band. dupes and bad add up the records' values, which
    // tests may set to other numbers than 0 and 1; they wrap as 32-bit
    // sums do.
    struct Figures {
        std::int32_t qsos = 0;
        std::int32_t points = 0;
        std::int32_t cw = 0;
        std::int32_t ssb = 0;
        std::uint32_t dupes = 0;
        std::uint32_t bad = 0;
    };

    struct Rates {
        std::int32_t qsos60 = 0;
        std::int32_t points60 = 0;
        std::int32_t qsos10 = 0;
        std::int32_t points10 = 0;
    };

    // The distinct texts (numbers of a QsoDigests table) of a band's counted
    // QSOs in order of first appearance.
    class DistinctTexts {
    public:
        const std::vector<std::uint32_t>& order() const { return order_; }
        // Changes whenever the order changes otherwise than by an append, so
        // a copy of the order made at one version is a prefix of the order
        // at the same version.
        std::uint64_t version() const { return version_; }

    private:
        friend class BandTally;
        // By text number: the sequence numbers of the counted QSOs with the
        // text, ascending.
        std::vector<std::vector<std::uint64_t>> sequences_;
        std::vector<std::uint32_t> order_;
        std::uint64_t version_ = 0;
    };

    struct Band {
        Figures figures;
        DistinctTexts prefixes;
        DistinctTexts codes;  // non-empty KDA codes only

    private:
        friend class BandTally;
        struct Counted {
            std::uint64_t sequence;
            std::int32_t points;
        };
        std::vector<Counted> counted;  // in list order
        // Continuous day counts of the counted QSOs, ascending, one list per
        // points value (kPointValues); a time that is not a number is left
        // out, since it is in no window.
        std::array<std::vector<double>, 4> times;
    };

    // The own prefix and continent the points are counted for.
    const std::string& ownPrefix() const { return ownPrefix_; }
    const std::string& ownContinent() const { return ownContinent_; }

    // Forgets every QSO.
    void clear() { bands_.clear(); }
    // Counts points for this operator from now on; the tally must be clear.
    void setOwnStation(const std::string& ownPrefix, const std::string& ownContinent);
    // Takes in a QSO appended with this digest and sequence number (larger
    // than those of every QSO taken in before). Either every figure takes it
    // in, or (on an exception, such as std::bad_alloc) every figure answers
    // as before the call.
    void add(const QsoDigest& digest, const CInfo& qso, std::uint64_t sequence);
    // Lets go of a QSO taken in with this digest and sequence number.
    void remove(const QsoDigest& digest, const CInfo& qso, std::uint64_t sequence);

    // The band of a QsoDigests band number, or null when no QSO was taken in
    // on it since the last clear.
    const Band* band(std::uint32_t bandId) const;
    // Points of the last counted QSO of the band in list order; 0 without one.
    static std::int32_t lastPoints(const Band& band);
    // The counted QSOs of the band within 60 and within 10 whole minutes of
    // the reference (continuous days), with their points.
    static Rates ratesAt(const Band& band, double referenceDays);

private:
    void addText(DistinctTexts& texts, std::uint32_t id, std::uint64_t sequence);
    void reserveText(DistinctTexts& texts, std::uint32_t id);
    void removeText(DistinctTexts& texts, std::uint32_t id, std::uint64_t sequence);

    std::vector<Band> bands_;  // by band number
    std::string ownPrefix_;
    std::string ownContinent_;
    // Source of DistinctTexts versions; never restarts, so a version names
    // one state of one list for the life of the tally.
    std::uint64_t nextVersion_ = 1;
};

}  // namespace korvan
