// The window thread reads the contest state while the host's thread adds
// and removes QSOs: every read under stateLock() must see whole lists.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "engine/contest_rules.h"
#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "platform/profile.h"
#include "scratch_folder.h"

using namespace korvan;

namespace {

const char* const kBands[] = {"80m", "40m", "20m", "15m", "10m"};
constexpr int kQsoCount = 2100;
static_assert(kQsoCount % 3 == 0, "every QSO numbered 1 modulo 3 is removed by the one after it");

QsoArguments qsoNumber(int i) {
    QsoArguments args;
    args.ownCall = "UN0OWN";
    args.call = (i % 2 ? "UN7" : "DL") + std::to_string(i);
    args.time = COleDateTime::fromParts(2017, 3, 18, (i / 60) % 24, i % 60);
    args.frequencyHz = 14025000;
    args.mode = i % 3 ? "CW" : "SSB";
    args.rstSent = "599";
    args.rstReceived = "599";
    args.exchangeSent = "001";
    args.exchangeReceived = i % 2 ? "A01" : "015";
    args.prefix = i % 2 ? "UN" : "DL";
    args.continent = i % 2 ? "AS" : "EU";
    args.band = kBands[i % 5];
    return args;
}

// What the window thread does at a refresh: walk the stored QSOs and the
// per-band lists under the lock. Returns false on a record or list that a
// half-done change would show.
bool readWholeState() {
    std::lock_guard<std::mutex> guard(stateLock());
    const ContestState& state = contestState();
    for (const CInfo& qso : state.qsoList) {
        if (qso.call.empty() || qso.band.size() != 3) return false;
        if (qso.prefix == "UN" && qso.kdaCode != "A01") return false;
    }
    for (const std::string& band : state.workedBands)
        if (band.size() != 3) return false;
    for (int slot = 0; slot < kBandSlotCount; ++slot) {
        for (const std::string& code : state.bandKdaLists[slot])
            if (!isKdaCode(code)) return false;
        for (const std::string& prefix : state.bandDxccLists[slot])
            if (prefix.empty()) return false;
    }
    return true;
}

// What a statistics request does to the per-band lists: rebuild them.
void rebuildBandLists() {
    std::lock_guard<std::mutex> guard(stateLock());
    ContestState& state = contestState();
    for (int slot = 0; slot < kBandSlotCount; ++slot) {
        state.bandKdaLists[slot].assign(1 + state.qsoList.size() % 7, "A01");
        state.bandDxccLists[slot].assign(1 + state.qsoList.size() % 5, "DL");
    }
}

TEST(EngineConcurrency, WindowThreadReadsWholeListsWhileTheHostAddsAndRemoves) {
    ScratchFolder folder;
    std::atomic<bool> stop{false};
    std::atomic<int> walks{0};
    std::atomic<bool> consistent{true};
    std::thread reader([&] {
        while (!stop.load()) {
            if (!readWholeState()) consistent = false;
            ++walks;
            // A pause between walks, as between two refreshes: a reader that
            // takes the lock again at once can starve the host's thread
            // (minutes under ThreadSanitizer).
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });

    // On a loaded machine the reader may not have run at all by the end:
    // let it walk once before the host starts and once after it is done.
    const auto waitForAWalk = [&] {
        const int seen = walks.load();
        while (walks.load() == seen) std::this_thread::yield();
    };
    waitForAWalk();

    platform::writeProfileString(settingsFile, settingsSection, "Start", "1");  // no panel
    ResetArguments reset;
    reset.secondDate = COleDateTime::fromParts(2017, 3, 18);
    resetStats(reset);
    {
        // Keeps the loop off the disk: every removal would rewrite the
        // bad-QSO file, and the file is not what this test is about.
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().badQsoFileName.clear();
    }

    int stored = 0;
    for (int i = 0; i < kQsoCount; ++i) {
        stored += addQso(qsoNumber(i));
        if (i % 3 == 2) stored -= removeQso(qsoNumber(i - 1));  // always 1; the QSO was stored
        if (i % 100 == 0) rebuildBandLists();
        if (i % 10 == 0) checkCall(qsoNumber(i).call, "CW", "20m", nullptr);
    }
    {
        std::lock_guard<std::mutex> guard(stateLock());
        EXPECT_EQ(static_cast<std::size_t>(stored), contestState().qsoList.size());
    }
    // Newest first, so each removal walks the list without moving the rest.
    for (int i = kQsoCount - 1; i >= 0; --i)
        if (i % 3 != 1) removeQso(qsoNumber(i));

    waitForAWalk();
    stop = true;
    reader.join();
    EXPECT_TRUE(consistent.load());
    std::lock_guard<std::mutex> guard(stateLock());
    EXPECT_TRUE(contestState().qsoList.empty());
    EXPECT_TRUE(contestState().workedBands.empty());
    EXPECT_TRUE(contestState().bandKdaLists[3].empty());
}

}  // namespace
