// Threads and the library's unload hook.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/threads.h"

using namespace korvan;

namespace {

std::atomic<int> entered{0};
void countEntry() { ++entered; }

TEST(Threads, StartedThreadRuns) {
    ASSERT_TRUE(platform::startThread(&countEntry));
    for (int i = 0; i < 500 && entered.load() == 0; ++i) platform::sleepMilliseconds(2);
    EXPECT_EQ(entered.load(), 1);
    EXPECT_FALSE(platform::startThread(nullptr));
}

// A static object of the library that the unload step still needs.
struct StateThatTheHookUses {
    ~StateThatTheHookUses() { std::fputs("state destroyed\n", stderr); }
};

StateThatTheHookUses& state() {
    static StateThatTheHookUses instance;
    return instance;
}

void unloadHook() { std::fputs("hook ran\n", stderr); }

TEST(Threads, UnloadHookRunsBeforeEarlierStaticsAreDestroyed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_FALSE(platform::processIsTerminating());
    EXPECT_EXIT(
        {
            state();
            platform::runAtLibraryUnload(&unloadHook);
            platform::runAtLibraryUnload(nullptr);  // ignored
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "hook ran\nstate destroyed\n");
}

void slowEntry() {
    platform::sleepMilliseconds(300);
    std::fputs("thread done\n", stderr);
}

TEST(Threads, UnloadJoinsTheStartedThreads) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The unload step does not return while a thread the library started
    // still runs (its code would be unmapped under it).
    EXPECT_EXIT(
        {
            platform::runAtLibraryUnload(&unloadHook);
            platform::startThread(&slowEntry);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "hook ran\nthread done\n");
}

}  // namespace
