#pragma once
// The searches over the stored QSOs. Each is a small function on its own so
// that an index can replace the linear walk without touching its callers.
// The caller holds stateLock().
#include <string>
#include <vector>

#include "engine/contest_state.h"

constexpr int kNotFound = -1;

// Index of the first stored QSO with this call, band and mode (exact,
// case-sensitive), or kNotFound.
int findDupe(const std::vector<CInfo>& qsos, const std::string& call, const std::string& band,
             const std::string& mode);

// Index of the first stored QSO on this band whose KDA code equals the given
// one (two empty codes are equal), or kNotFound.
int findSameArea(const std::vector<CInfo>& qsos, const std::string& band, const std::string& kdaCode);

// Index of the first stored QSO with this call, band and mode logged at the
// same moment (see sameMoment), or kNotFound.
int findLoggedQso(const std::vector<CInfo>& qsos, const std::string& call, const std::string& band,
                  const std::string& mode, const COleDateTime& time);
