#include "report/statistics_report.h"

#include <mutex>
#include <string>
#include <utility>

#include "engine/contest_state.h"
#include "engine/bad_line_count.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "report/report_rendering.h"
#include "report/statistics.h"

namespace korvan {

const char* computeAndRenderResult(report::Statistics* computed) {
    ContestState& state = contestState();
    report::Statistics stats;
    report::ReportHeading heading;
    std::string badQsoFileName;
    badqso::KnownLineCount knownBadLines;
    std::string claimedWritten;
    platform::FileStamp settingsStamp;
    {
        // The figures are read under the lock; the per-band lists are
        // brought up to date inside it.
        std::lock_guard<std::mutex> guard(stateLock());
        stats = report::computeStatistics(state);
        heading.contestDate = state.contestDate;
        heading.ownCall = state.ownCall;
        badQsoFileName = state.badQsoFileName;
        knownBadLines = std::exchange(state.knownBadLines, {});
        claimedWritten = state.claimedWritten;
        settingsStamp = state.settingsStampAfterClaimed;
    }
    // The bad-QSO file is written only on this thread, so its stamp is
    // taken and, when it changed, its lines counted without the lock.
    stats.totals.badLineCount = badqso::currentCount(knownBadLines, badQsoFileName);

    std::string text = extendedOutput.load() != 0 ? report::renderHtml(stats, heading)
                                                  : report::renderText(stats, heading);
    // The settings file is written when the value changed since this
    // process wrote it, or the file changed since (someone may have edited
    // the key). A failed write is ignored; the score is kept in memory.
    std::string claimed = std::to_string(stats.totals.score);
    if (claimed != claimedWritten || !settingsStamp.exists || platform::fileStamp(settingsFile) != settingsStamp) {
        const bool written = platform::writeProfileString(settingsFile, settingsSection, "Claimed", claimed);
        settingsStamp = written ? platform::fileStamp(settingsFile) : platform::FileStamp{};
    }
    const char* result = nullptr;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        state.badLineCount = stats.totals.badLineCount;
        state.knownBadLines = std::move(knownBadLines);
        state.claimedWritten.swap(claimed);
        state.settingsStampAfterClaimed = settingsStamp;
        state.claimedScore = stats.totals.score;
        state.resultText.swap(text);
        result = state.resultText.c_str();
    }
    if (computed) *computed = std::move(stats);
    return result;
}

}  // namespace korvan
