#include "engine/contest_state.h"

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

int bandSlot(const std::string& band) {
    static const char* const kSlots[kBandSlotCount] = {"160m", "80m", "40m", "20m", "15m", "10m"};
    for (int slot = 0; slot < kBandSlotCount; ++slot)
        if (band == kSlots[slot]) return slot;
    return -1;
}

void resetContestStateForTesting() {
    std::lock_guard<std::mutex> guard(stateLock());
    contestState() = ContestState{};
    extendedOutput = 0;
    refreshPending = 1;
}
