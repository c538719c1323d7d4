#pragma once
// The contest state that lives from load to unload: the stored QSOs, the
// per-band lists shared with the windows, and the settings a reset fills.
// The host's thread changes it; the window thread reads it. Both hold
// stateLock() while they touch it; nobody holds it while sending a message
// to the other thread, while a modal window is open, or while waiting.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/bad_line_count.h"
#include "engine/bands.h"
#include "engine/kda_directory.h"
#include "engine/qso_index.h"
#include "platform/date_time.h"

namespace korvan {

// One stored QSO.
struct CInfo {
    std::string call;              // worked station
    std::string prefix;            // its DXCC prefix ("IT9"/"IG9" stored as "I")
    std::string continent;
    std::string band;              // as the host gave it, e.g. "20m"
    std::string mode;              // as the host gave it, "CW" or "SSB"
    std::string rstReceived;
    std::string rstSent;
    std::string exchangeReceived;  // unchanged
    std::string exchangeSent;
    std::string kdaCode;           // "UN" stations with a valid code only
    std::int32_t frequencyKHz = 0;
    std::int32_t invalid = 0;      // 1: does not count (bad code or dupe)
    std::int32_t badCode = 0;
    std::int32_t dupe = 0;
    COleDateTime qsoTime;
};

// One list per band slot (engine/bands.h).
using BandLists = std::array<std::vector<std::string>, kBandSlotCount>;

// What a statistics request last put into one slot of a BandLists: the
// first count texts of the band's distinct texts at this version
// (BandTally::DistinctTexts). The next request appends what came since,
// and rebuilds the slot when the version or its size changed.
struct PublishedList {
    std::uint64_t version = 0;  // 0: nothing known about the slot
    std::size_t count = 0;
};
using PublishedLists = std::array<PublishedList, kBandSlotCount>;

struct ContestState {
    QsoList qsoList;                   // in the order accepted
    // The searches of the engine over qsoList (see qso_search.h, through
    // which the engine changes the list).
    QsoIndex qsoIndex;
    std::vector<std::string> workedBands;
    BandLists bandDxccLists;
    BandLists bandKdaLists;
    PublishedLists publishedDxcc;
    PublishedLists publishedKda;
    KdaDirectory kdaDirectory;

    std::string hostFolder;
    std::string hostVersion;
    std::string ownCall;
    std::string ownPrefix;
    std::string ownContinent;
    std::string contestYear;
    std::string contestDate;
    std::string badQsoFileName;
    std::int32_t exportRun = 0;
    std::int32_t russianLabels = 0;
    std::int32_t kdaDirectoryLoaded = 0;

    // Statistics results that outlive one GetResult0 call.
    std::string resultText;          // the text GetResult0 returned last
    std::int64_t claimedScore = 0;   // the score of the last GetResult0 call
    std::int32_t badLineCount = 0;   // counted lines of the bad-QSO file
    // That count as known after the plug-in's own appends (host's thread).
    badqso::KnownLineCount knownBadLines;
    // The "Claimed" value this process last wrote, and the settings file's
    // stamp right after: while both still hold, the write is skipped.
    std::string claimedWritten;
    platform::FileStamp settingsStampAfterClaimed;
};

// The one contest of the loaded library.
ContestState& contestState();
// The one lock that guards contestState() between the two threads.
std::mutex& stateLock();

// Set by setVersion, never cleared: statistics render as HTML.
extern std::atomic<std::int32_t> extendedOutput;
// 1 when a refresh of the setup panel may be posted.
extern std::atomic<std::int32_t> refreshPending;

// The plug-in's settings file and section.
inline constexpr const char* settingsFile = "Plugins\\Korvan.ini";
inline constexpr const char* settingsSection = "Settings";

// Test support: the state as after loading the library.
void resetContestStateForTesting();

}  // namespace korvan
