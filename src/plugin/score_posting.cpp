#include "plugin/score_posting.h"

#include <string>

#include "engine/contest_state.h"
#include "platform/http_post.h"
#include "platform/profile.h"
#include "platform/threads.h"
#include "scoreboard/posting_settings.h"
#include "scoreboard/score_poster.h"

namespace korvan {
namespace {

// The unload step waits this long at most for a post (within the 2 s the
// host may be kept waiting, with room for the rest of the unload).
constexpr std::chrono::milliseconds kUnloadWait{1700};

#if defined(_WIN32)
// The unload step runs in the loader's detach notification: no thread may
// start and no post may be made there. It is never reached while the
// posting thread runs (the thread holds the module), and a score that waits
// for the interval keeps the thread, so it is posted when the interval has
// passed even after the host let the library go.
constexpr bool kPostWaitingScoreAtUnload = false;
#else
constexpr bool kPostWaitingScoreAtUnload = true;
#endif

// The library's one poster. It shares the contest state's lock.
ScorePoster& scorePoster() {
    static ScorePoster poster(stateLock(), systemPostingClock(), &platform::postText, settingsFile);
    return poster;
}

void finishScorePosting() {
    // At process exit the system has ended the thread already.
    if (platform::processIsTerminating()) return;
    scorePoster().finish(kUnloadWait, kPostWaitingScoreAtUnload);
}

}  // namespace

void configureScorePosting(const ResetArguments& args) {
    const SettingReader read = [](const char* section, const char* key) {
        return platform::readProfileString(settingsFile, section, key, "");
    };
    const PostingSettings settings = parsePostingSettings(read, platform::httpPostAvailable());
    // The station is read only when it will be posted.
    const StationDetails station = settings.posting()
                                       ? parseStationDetails(read, settings.contest, args.ownCall, args.ownPrefix)
                                       : StationDetails{};
    scorePoster().configure(settings, station, args.exportRun == 0);
}

bool scorePostingWanted() { return scorePoster().wantsScores(); }

void offerScore(const report::Statistics& stats) {
    scorePoster().offer(snapshotOf(stats, systemPostingClock().utcNow()));
}

void wireScorePosting() {
    // Made before its unload step is registered, so it is destroyed after
    // the step has run.
    scorePoster();
    platform::runAtLibraryUnload(&finishScorePosting);
}

}  // namespace korvan
