#pragma once
// The statistics of the running contest: per-band rows, totals, score, rates
// and last-QSO points, read on every request from the figures the index
// keeps up to date as QSOs come and go (engine/band_tally.h).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/contest_state.h"

namespace korvan::report {

// One row per entry of workedBands.
struct BandRow {
    std::string band;
    std::int32_t qsos = 0;
    std::int32_t points = 0;
    std::int32_t dxcc = 0;   // distinct prefixes of the band's counted QSOs
    std::int32_t kda = 0;    // distinct non-empty KDA codes of them
    std::int32_t cw = 0;
    std::int32_t ssb = 0;
    std::int32_t dupes = 0;  // sum of the dupe flags of the listed QSOs
    std::int32_t bad = 0;    // sum of their badCode flags
    // Contributions of this row to the rates (only the last record's band
    // contributes, and only outside an export run).
    std::int32_t qsos60 = 0;
    std::int32_t points60 = 0;
    std::int32_t qsos10 = 0;
    std::int32_t points10 = 0;
};

struct ResultTotals {
    std::int32_t qsos = 0;
    std::int32_t points = 0;
    std::int32_t dxcc = 0;
    std::int32_t kda = 0;
    std::int32_t cw = 0;
    std::int32_t ssb = 0;
    std::int32_t dupes = 0;
    std::int32_t badStored = 0;     // sum of badCode (the text rendering's "Bad QSO")
    std::int32_t badLineCount = 0;  // counted lines of the bad-QSO file (the HTML's)
    // Points x (DXCC + KDA) in 64 bits: a large log overflows 32 bits.
    std::int64_t score = 0;
    std::int32_t qsos60 = 0;
    std::int32_t points60 = 0;
    std::int32_t qsos10 = 0;
    std::int32_t points10 = 0;
    std::int32_t lastQsoPoints = 0;
};

struct Statistics {
    std::vector<BandRow> rows;  // in the sorted order of workedBands
    ResultTotals totals;        // badLineCount is filled separately
};

// The time the rates are measured back from: the last stored QSO's time
// outside an export run when more than one QSO is stored, else day 0.0.
COleDateTime referenceTime(const ContestState& state);

// Whole minutes from t to the reference (negative when t is later), with
// the time of day counted forward for days before 30 December 1899 and
// rounding to the nearest second. A span that is not a number counts as far
// in the past; spans beyond the 64-bit range saturate.
std::int64_t minutesBetween(const COleDateTime& reference, const COleDateTime& t);

// Points of one counted QSO for the operator's own prefix and continent.
std::int32_t qsoPoints(const CInfo& qso, const std::string& ownPrefix, const std::string& ownContinent);

// Orders the band texts from the lowest to the highest frequency: descending
// by the text left-filled with '0' to 20 characters, compared as unsigned
// bytes, with the exchanges of a plain exchange sort (so equal keys end up
// exactly where that sort leaves them).
void sortWorkedBands(std::vector<std::string>& bands);

// Lines of the bad-QSO file that name a rejected or flagged QSO: every line
// except those where "DUPE" or "UBN" first occurs after the first
// character. 0 when the file cannot be opened. Reads one line at a time.
std::int32_t countBadLines(const std::string& fileName);

// Sorts state.workedBands, reads every row from the figures of the index
// (indexedQsos: the list must change through storeQso, eraseQso and
// clearQsos, since a list replaced by one of the same length is not seen),
// with the rates from binary searches in the last band's time lists, and
// makes bandDxccLists and bandKdaLists at the slots of the worked bands hold
// the band's distinct prefixes and codes in order of first appearance
// (appending what is new since the last request, or rebuilt and exchanged
// when a removal changed the order). The cost does not grow with the log
// beyond those searches. A band text that is none of the six slot names
// (another letter case, such as "80M") gets its row but feeds no slot: the
// windows show the six exact band slots only, and letting "80M" overwrite
// the "80m" slot would hide the multipliers logged as "80m".
// The caller holds stateLock(), so the window thread sees every slot either
// before or after its update.
Statistics computeStatistics(ContestState& state);

}  // namespace korvan::report
