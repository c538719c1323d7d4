#include <gtest/gtest.h>

#include "date_time.h"

using namespace korvan::host;

TEST(DateTime, DaysCountFromTheEndOf1899) {
    EXPECT_EQ(makeDateTime({1899, 12, 30, 0, 0, 0}).days, 0.0);
    EXPECT_EQ(makeDateTime({1900, 1, 1, 0, 0, 0}).days, 2.0);
    EXPECT_EQ(makeDateTime({1899, 12, 29, 6, 0, 0}).days, -1.25);  // time counts away from zero
    EXPECT_EQ(makeDateTime({2026, 3, 21, 18, 0, 0}).days, 46102.75);
    EXPECT_EQ(makeDateTime({2024, 2, 29, 0, 0, 0}).status, 0);
    EXPECT_EQ(makeDateTime({2026, 2, 29, 0, 0, 0}).status, 1);  // no leap day
    EXPECT_EQ(makeDateTime({2026, 3, 21, 24, 0, 0}).status, 1);
    EXPECT_EQ(nullDateTime().status, 2);
}

TEST(DateTime, EveryMinuteOfAContestDayRoundTrips) {
    for (int minute = 0; minute < 24 * 60; ++minute) {
        CivilTime t{2026, 3, 22, minute / 60, minute % 60, minute % 60};
        auto back = toCivilTime(makeDateTime(t));
        ASSERT_TRUE(back);
        ASSERT_EQ(formatMinute(*back), formatMinute(t));
        ASSERT_EQ(back->second, t.second);
    }
    EXPECT_FALSE(toCivilTime(nullDateTime()));
}

TEST(DateTime, CommandLineMinute) {
    auto t = parseMinute("2026-03-21 0942");
    ASSERT_TRUE(t);
    EXPECT_EQ(formatMinute(*t), "2026-03-21 0942");
    EXPECT_EQ(formatMinute(*parseMinute("2026-03-21 09:42")), "2026-03-21 0942");
    EXPECT_FALSE(parseMinute("2026-03-21"));
    EXPECT_FALSE(parseMinute("21.03.2026 0942"));
    EXPECT_FALSE(parseMinute("2026-03-21 0960"));
}
