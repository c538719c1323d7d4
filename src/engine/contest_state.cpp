#include "engine/contest_state.h"

namespace korvan {

std::atomic<std::int32_t> extendedOutput{0};
std::atomic<std::int32_t> refreshPending{1};

ContestState& contestState() {
    static ContestState state;
    return state;
}

std::mutex& stateLock() {
    static std::mutex lock;
    return lock;
}

void resetContestStateForTesting() {
    std::lock_guard<std::mutex> guard(stateLock());
    contestState() = ContestState{};
    extendedOutput = 0;
    refreshPending = 1;
}

}  // namespace korvan
