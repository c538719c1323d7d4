#include "report/statistics_report.h"

#include <mutex>
#include <string>
#include <utility>

#include "engine/contest_state.h"
#include "platform/profile.h"
#include "report/report_rendering.h"
#include "report/statistics.h"

namespace korvan {

const char* computeAndRenderResult(report::Statistics* computed) {
    ContestState& state = contestState();
    report::Statistics stats;
    report::ReportHeading heading;
    std::string badQsoFileName;
    {
        // One pass under the lock; the per-band lists are exchanged inside it.
        std::lock_guard<std::mutex> guard(stateLock());
        stats = report::computeStatistics(state);
        heading.contestDate = state.contestDate;
        heading.ownCall = state.ownCall;
        badQsoFileName = state.badQsoFileName;
    }
    // The bad-QSO file is written only on this thread, so it is read
    // without holding the lock.
    stats.totals.badLineCount = report::countBadLines(badQsoFileName);

    std::string text = extendedOutput.load() != 0 ? report::renderHtml(stats, heading)
                                                  : report::renderText(stats, heading);
    const char* result = nullptr;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        state.badLineCount = stats.totals.badLineCount;
        state.claimedScore = stats.totals.score;
        state.resultText.swap(text);
        result = state.resultText.c_str();
    }
    // A failed settings write is ignored; the score is kept in memory.
    platform::writeProfileString(settingsFile, settingsSection, "Claimed", std::to_string(stats.totals.score));
    if (computed) *computed = std::move(stats);
    return result;
}

}  // namespace korvan
