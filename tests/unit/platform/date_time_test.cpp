// Every date-time that becomes text goes through Format: file names, the
// bad-QSO lines, the Cabrillo QSO lines and the window titles.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/date_time.h"

using namespace korvan;

namespace {

COleDateTime at(double days, DateTimeStatus status = DateTimeStatus::valid) {
    COleDateTime value;
    value.m_dt = days;
    value.m_status = status;
    return value;
}

constexpr double kSecond = 1.0 / 86400.0;

TEST(DateTimeFormat, StatusAndRange) {
    EXPECT_EQ(at(45000, DateTimeStatus::null).Format("%Y"), "");
    EXPECT_EQ(at(45000, DateTimeStatus::invalid).Format("%Y"), "Invalid DateTime");
    EXPECT_EQ(at(std::numeric_limits<double>::quiet_NaN()).Format("%Y"), "Invalid DateTime");
    EXPECT_EQ(at(std::numeric_limits<double>::infinity()).Format("%Y"), "Invalid DateTime");
    EXPECT_EQ(at(-657435).Format("%Y"), "Invalid DateTime");
    EXPECT_EQ(at(2958466).Format("%Y"), "Invalid DateTime");
    EXPECT_EQ(at(-657434).Format("%Y-%m-%d %H%M"), "0100-01-01 0000");
    EXPECT_EQ(at(2958465).Format("%Y-%m-%d %H%M"), "9999-12-31 0000");
    // The whole of each end day, as korvan-host accepts it, and no second
    // that would round into year 10000 or 99.
    EXPECT_EQ(COleDateTime::fromParts(9999, 12, 31, 23, 59, 59).Format("%Y-%m-%d %H%M%S"), "9999-12-31 235959");
    EXPECT_EQ(COleDateTime::fromParts(100, 1, 1, 23, 59, 59).Format("%Y-%m-%d %H%M%S"), "0100-01-01 235959");
    EXPECT_EQ(at(2958466 - 0.4 * kSecond).Format("%Y"), "Invalid DateTime");
    EXPECT_EQ(at(-657435 + 0.4 * kSecond).Format("%Y"), "Invalid DateTime");
}

TEST(DateTimeFormat, PatternsUsedByTheLibrary) {
    const COleDateTime value = COleDateTime::fromParts(2024, 3, 9, 7, 5, 0);
    EXPECT_EQ(value.Format("%Y-%m-%d %H%M"), "2024-03-09 0705");
    EXPECT_EQ(value.Format("%d.%m.%Y"), "09.03.2024");
    EXPECT_EQ(value.Format("%d_%m_%Y"), "09_03_2024");
    EXPECT_EQ(value.Format("%H%M"), "0705");
    EXPECT_EQ(value.Format("%H:%M"), "07:05");
    EXPECT_EQ(value.Format("%Y"), "2024");
    EXPECT_EQ(value.Format("100%% %q"), "100% %q");
}

TEST(DateTimeFormat, EpochAndKnownDays) {
    EXPECT_EQ(at(0).Format("%Y-%m-%d %H:%M"), "1899-12-30 00:00");
    EXPECT_EQ(at(1.75).Format("%Y-%m-%d %H:%M"), "1899-12-31 18:00");
    EXPECT_EQ(at(60).Format("%Y-%m-%d"), "1900-02-28");
    EXPECT_EQ(at(61).Format("%Y-%m-%d"), "1900-03-01");  // 1900 is no leap year
    EXPECT_EQ(at(36526).Format("%Y-%m-%d"), "2000-01-01");
    EXPECT_EQ(at(36585).Format("%Y-%m-%d"), "2000-02-29");
}

TEST(DateTimeFormat, RoundsToNearestSecond) {
    const double newYear = 45292.0;  // 2024-01-01 00:00:00
    const char* full = "%Y-%m-%d %H:%M:%S";
    // Half a second before midnight rounds up across the day and year.
    EXPECT_EQ(at(newYear - 0.5 * kSecond).Format(full), "2024-01-01 00:00:00");
    EXPECT_EQ(at(newYear - 0.51 * kSecond).Format(full), "2023-12-31 23:59:59");
    EXPECT_EQ(at(newYear - 59.4 * kSecond).Format("%H:%M"), "23:59");
    const double ten = newYear + 10 * 3600 * kSecond;
    EXPECT_EQ(at(ten + 0.4 * kSecond).Format(full), "2024-01-01 10:00:00");
    EXPECT_EQ(at(ten + 0.6 * kSecond).Format(full), "2024-01-01 10:00:01");
    // A value a hair below a full minute, as sums of fractions give, shows
    // that minute and not the one before.
    EXPECT_EQ(at(ten - 1e-10).Format("%H%M"), "1000");
}

TEST(DateTimeFormat, DaysBeforeEpochCountTimeForward) {
    // -1.25 is 29 December 1899, 06:00: the day is the integer part, the
    // fraction is the time of day whatever the sign.
    EXPECT_EQ(at(-1.25).Format("%Y-%m-%d %H:%M"), "1899-12-29 06:00");
    EXPECT_EQ(at(-0.25).Format("%Y-%m-%d %H:%M"), "1899-12-30 06:00");
    EXPECT_EQ(COleDateTime::fromParts(1899, 12, 29, 6, 0, 0).m_dt, -1.25);
    EXPECT_EQ(COleDateTime::fromParts(1800, 7, 4, 13, 45, 30).Format("%Y-%m-%d %H:%M"), "1800-07-04 13:45");
    // Rounding moves away from the epoch on this side too.
    EXPECT_EQ(at(-1.0 - 59.5 * kSecond).Format("%H:%M"), "00:01");
}

TEST(DateTimeFormat, ResultIsCutAt255Characters) {
    const std::string pattern(300, 'a');
    EXPECT_EQ(at(45000).Format(pattern.c_str()).size(), 255u);
    EXPECT_EQ(at(45000).Format(nullptr), "");
}

TEST(DateTimeSameMoment, NullMatchesNullInvalidMatchesNothing) {
    EXPECT_TRUE(sameMoment(at(1.5), at(1.5)));
    EXPECT_FALSE(sameMoment(at(1.5), at(1.5 + kSecond)));
    EXPECT_TRUE(sameMoment(at(0, DateTimeStatus::null), at(7, DateTimeStatus::null)));
    EXPECT_FALSE(sameMoment(at(1, DateTimeStatus::invalid), at(1, DateTimeStatus::invalid)));
    EXPECT_FALSE(sameMoment(at(1), at(1, DateTimeStatus::null)));
}

}  // namespace
