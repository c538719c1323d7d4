#include "engine/qso_search.h"

#include <type_traits>
#include <utility>

namespace korvan {

namespace {

// qsoList is a public member: a holder of the lock may have replaced it as
// a whole (tests do), and then the index is rebuilt before it answers. So
// it is when the own prefix or continent changed since the tally counted
// the points (a reset changes them after emptying the list, which makes
// that rebuild free).
QsoIndex& indexOf(ContestState& state) {
    if (!state.qsoIndex.covers(state.qsoList) || !state.qsoIndex.scoresFor(state.ownPrefix, state.ownContinent))
        state.qsoIndex.rebuild(state.qsoList, state.ownPrefix, state.ownContinent);
    return state.qsoIndex;
}

int toIndex(std::ptrdiff_t position) { return position == QsoIndex::kNone ? kNotFound : static_cast<int>(position); }

}  // namespace

static_assert(std::is_nothrow_move_constructible_v<CInfo>);

void storeQso(ContestState& state, CInfo record) {
    // Room in the list first and the index next: both may fail for lack of
    // memory and then leave the state as it was; the append after them
    // cannot fail. A QSO is thus stored and indexed completely or not at all.
    QsoIndex& index = indexOf(state);
    reserveOneMore(state.qsoList);
    index.appended(record);
    state.qsoList.push_back(std::move(record));
}

void eraseQso(ContestState& state, std::size_t position) { indexOf(state).erase(state.qsoList, position); }

void clearQsos(ContestState& state) {
    state.qsoList.clear();
    state.qsoIndex.clear();
}

const QsoDigests& qsoDigests(ContestState& state) { return indexOf(state).digests(); }

const QsoIndex& indexedQsos(ContestState& state) { return indexOf(state); }

bool isDupe(ContestState& state, const std::string& call, const std::string& band, const std::string& mode) {
    return indexOf(state).hasCall(call, band, mode);
}

bool isAreaWorked(ContestState& state, const std::string& band, const std::string& kdaCode) {
    return indexOf(state).hasArea(band, kdaCode);
}

int findLoggedQso(ContestState& state, const std::string& call, const std::string& band, const std::string& mode,
                  const COleDateTime& time) {
    return toIndex(indexOf(state).firstLoggedAt(state.qsoList, call, band, mode, time));
}

int findLatestQso(ContestState& state, const std::string& call, const std::string& band, const std::string& mode) {
    return toIndex(indexOf(state).lastWith(call, band, mode));
}

int findLatestQsoOnBand(ContestState& state, const std::string& call, const std::string& band) {
    return toIndex(indexOf(state).lastOnBand(call, band));
}

}  // namespace korvan
