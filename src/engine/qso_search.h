#pragma once
// The stored QSOs as the engine changes and searches them: every change
// goes through these functions so that the list and its index (QsoIndex)
// stay together, and every search answers as a walk of the list from its
// first record would. The caller holds stateLock().
#include <cstddef>
#include <string>

#include "engine/contest_state.h"

namespace korvan {

constexpr int kNotFound = -1;

// Appends a record to qsoList.
void storeQso(ContestState& state, CInfo record);
// Erases qsoList[position]; the later records move up by one.
void eraseQso(ContestState& state, std::size_t position);
// Empties qsoList.
void clearQsos(ContestState& state);

// The digests of the stored QSOs, one per record of qsoList in its order.
const QsoDigests& qsoDigests(ContestState& state);
// The index of the stored QSOs with their digests and statistics figures,
// in step with qsoList and the own prefix and continent.
const QsoIndex& indexedQsos(ContestState& state);

// Whether a stored QSO has this call, band and mode (exact, case-sensitive).
bool isDupe(ContestState& state, const std::string& call, const std::string& band, const std::string& mode);

// Whether a stored QSO on this band has this KDA code (two empty codes are
// equal).
bool isAreaWorked(ContestState& state, const std::string& band, const std::string& kdaCode);

// Index of the first stored QSO with this call, band and mode logged at the
// same moment (see sameMoment), or kNotFound.
int findLoggedQso(ContestState& state, const std::string& call, const std::string& band, const std::string& mode,
                  const COleDateTime& time);

// Index of the last stored QSO with this call, band and mode (exact), or
// kNotFound.
int findLatestQso(ContestState& state, const std::string& call, const std::string& band, const std::string& mode);
// Index of the last stored QSO with this call and band (exact), whatever
// its mode, or kNotFound.
int findLatestQsoOnBand(ContestState& state, const std::string& call, const std::string& band);

}  // namespace korvan
