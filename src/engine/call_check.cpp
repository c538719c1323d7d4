// CheckCallFunc0 and StatsIsValidExchg0: questions the host asks while the
// operator types a QSO. Neither changes the stored QSOs.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/contest_rules.h"
#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "engine/qso_search.h"
#include "engine/window_control.h"

namespace korvan {

namespace {

// What lookupKdaCode answers for a callsign it does not know.
const char* const kNoDirectoryCode = "NET";
constexpr std::size_t kExchangeBufferSize = 100;

constexpr int kDupe = 0;
constexpr int kAreaWorked = 1;
constexpr int kNewArea = 2;

// Posts the refresh that the panel asked for when it finished the last one;
// at most one requested here is outstanding at a time.
void deliverPendingRefresh() {
    if (panelRunning() && refreshPending.exchange(0) != 0) postRefreshToPanel();
}

void copyBounded(char* out, const std::string& text) {
    const std::size_t length = std::min(text.size(), kExchangeBufferSize - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

}  // namespace

int checkCall(const std::string& call, const std::string& mode, const std::string& band, char* outBuffer) {
    deliverPendingRefresh();

    std::string code;
    bool directoryLoaded = false;
    int result = kNewArea;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& state = contestState();
        code = state.kdaDirectory.lookupKdaCode(call);
        const std::string candidateCode = code == kNoDirectoryCode ? std::string() : code;
        if (isDupe(state, call, band, mode)) return kDupe;
        if (isAreaWorked(state, band, candidateCode)) result = kAreaWorked;
        directoryLoaded = state.kdaDirectoryLoaded == 1;
    }
    if (outBuffer && code != kNoDirectoryCode && directoryLoaded) copyBounded(outBuffer, code);
    return result;
}

int isValidExchange(const std::string& exchange) {
    if (exchange == "599") return 0;
    if (exchange.size() != 3) return 0;
    return isKdaCode(exchange) ? 1 : 0;
}

}  // namespace korvan
