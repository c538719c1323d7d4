// RemoveData0: removes the matching stored QSO and its lines in the bad-QSO
// file, and asks the setup panel to refresh.
#include <string>
#include <utility>

#include "engine/bad_line_count.h"
#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "engine/qso_search.h"
#include "engine/window_control.h"

namespace korvan {

int removeQso(const QsoArguments& qso) {
    std::string fileName;
    // The bad-QSO file is written only on the host's thread; what is known
    // of it is taken out of the state for the file work without the lock.
    badqso::KnownLineCount knownBadLines;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& state = contestState();
        fileName = state.badQsoFileName;
        knownBadLines = std::exchange(state.knownBadLines, {});
        const int index = findLoggedQso(state, qso.call, qso.band, qso.mode, qso.time);
        if (index != kNotFound) eraseQso(state, static_cast<std::size_t>(index));
        if (state.qsoList.empty()) {
            state.workedBands.clear();
            for (auto& list : state.bandKdaLists) list.clear();
            for (auto& list : state.bandDxccLists) list.clear();
        }
        refreshPending.store(1);
    }
    // Lines of the same callsign in the same minute go as well (for example
    // a rejected attempt just before the stored QSO).
    badqso::removeQsoLines(knownBadLines, fileName, qso.call, qso.time.Format("%Y-%m-%d %H%M"));
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().knownBadLines = std::move(knownBadLines);
    }

    postRefreshToPanel();
    return 1;
}

}  // namespace korvan
