#include "date_time.h"

#include <cmath>
#include <cstdio>

#include "text.h"

namespace korvan::host {

namespace {

// Days from 1970-01-01 to the given proleptic Gregorian date.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const long long oleEpoch = daysFromCivil(1899, 12, 30);

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

// Years 100 to 9999, every second of them: the plug-in's date-time texts
// cover the same range, so no accepted QSO or contest start reads as
// "Invalid DateTime" in its files or titles.
bool isValidCivilTime(const CivilTime& t) {
    return t.year >= 100 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= daysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

DateTime makeDateTime(const CivilTime& t) {
    DateTime value;
    if (!isValidCivilTime(t)) {
        value.status = static_cast<std::int32_t>(DateTimeStatus::invalid);
        return value;
    }
    const long long day = daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - oleEpoch;
    const double fraction = (t.hour * 3600.0 + t.minute * 60.0 + t.second) / 86400.0;
    // Before the epoch the day count is negative and the time of day still
    // counts away from zero: -1.25 is 29 December 1899, 06:00.
    value.days = day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
    return value;
}

DateTime nullDateTime() {
    DateTime value;
    value.status = static_cast<std::int32_t>(DateTimeStatus::null);
    return value;
}

std::optional<CivilTime> toCivilTime(const DateTime& value) {
    if (value.status != static_cast<std::int32_t>(DateTimeStatus::valid) || !std::isfinite(value.days) ||
        std::fabs(value.days) > 3.0e6)
        return std::nullopt;
    double whole = std::trunc(value.days);
    long long seconds = std::llround(std::fabs(value.days - whole) * 86400.0);
    long long day = static_cast<long long>(whole);
    if (seconds >= 86400) {  // rounding carried into the next day
        seconds -= 86400;
        day += value.days >= 0 ? 1 : -1;
    }
    CivilTime t;
    civilFromDays(day + oleEpoch, t.year, t.month, t.day);
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

std::string formatMinute(const CivilTime& t) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d%02d", t.year, t.month, t.day, t.hour, t.minute);
    return buffer;
}

std::optional<CivilTime> parseMinute(std::string_view text) {
    auto words = splitWords(text);
    if (words.size() != 2) return std::nullopt;
    std::string_view date = words[0];
    std::string time(words[1]);
    if (time.size() == 5 && time[2] == ':') time.erase(2, 1);
    if (date.size() != 10 || date[4] != '-' || date[7] != '-' || time.size() != 4) return std::nullopt;
    auto y = parseDigits(date.substr(0, 4)), m = parseDigits(date.substr(5, 2)), d = parseDigits(date.substr(8, 2));
    auto hh = parseDigits(std::string_view(time).substr(0, 2)), mm = parseDigits(std::string_view(time).substr(2, 2));
    if (!y || !m || !d || !hh || !mm) return std::nullopt;
    CivilTime t{static_cast<int>(*y), static_cast<int>(*m), static_cast<int>(*d), static_cast<int>(*hh),
                static_cast<int>(*mm), 0};
    if (!isValidCivilTime(t)) return std::nullopt;
    return t;
}

}  // namespace korvan::host
