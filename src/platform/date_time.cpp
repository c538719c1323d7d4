#include "platform/date_time.h"

#include <cmath>

namespace korvan {

namespace {

constexpr double kHalfSecond = 0.5 / 86400.0;
// Every second from 0100-01-01 00:00:00 to 9999-12-31 23:59:59, the range
// korvan-host's log readers accept too. Day -657434 is 1 January 100 and
// day 2958465 is 31 December 9999; before the epoch the time of day counts
// away from zero, so each end day is open on its outer side up to the
// half second that still rounds into it.
constexpr double kLowestValue = -657435.0 + kHalfSecond;
constexpr double kHighestValue = 2958466.0 - kHalfSecond;

// Days since 1 March of year 0 (proleptic Gregorian) for a civil date.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

struct Civil { long long year; unsigned month; unsigned day; };

Civil civilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp + (mp < 10 ? 3 : -9);
    return {y + (m <= 2), m, d};
}

const long long kEpochDays = daysFromCivil(1899, 12, 30);

void appendNumber(std::string& out, long long value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (value < 0) out += '-';
    for (int i = static_cast<int>(digits.size()); i < width; ++i) out += '0';
    out += digits;
}

}  // namespace

std::string COleDateTime::Format(const char* pattern) const {
    if (m_status == DateTimeStatus::null) return {};
    if (m_status != DateTimeStatus::valid || std::isnan(m_dt) || !(m_dt > kLowestValue && m_dt < kHighestValue))
        return "Invalid DateTime";
    if (!pattern) return {};

    // Round to the nearest second, away from the epoch.
    const double x = m_dt > 0 ? m_dt + kHalfSecond : m_dt - kHalfSecond;
    const Civil date = civilFromDays(kEpochDays + static_cast<long long>(std::trunc(x)));
    const double ax = std::fabs(x);
    const long long secondOfDay = static_cast<long long>(std::trunc((ax - std::floor(ax)) * 86400.0));
    const long long hour = secondOfDay / 3600, minute = secondOfDay / 60 % 60, second = secondOfDay % 60;

    std::string out;
    for (const char* p = pattern; *p && out.size() < 255; ++p) {
        if (*p != '%' || p[1] == '\0') { out += *p; continue; }
        switch (*++p) {
            case 'Y': appendNumber(out, date.year, 4); break;
            case 'y': appendNumber(out, date.year % 100, 2); break;
            case 'm': appendNumber(out, date.month, 2); break;
            case 'd': appendNumber(out, date.day, 2); break;
            case 'H': appendNumber(out, hour, 2); break;
            case 'M': appendNumber(out, minute, 2); break;
            case 'S': appendNumber(out, second, 2); break;
            case '%': out += '%'; break;
            default: out += '%'; out += *p; break;
        }
    }
    if (out.size() > 255) out.resize(255);
    return out;
}

COleDateTime COleDateTime::fromParts(int year, int month, int day, int hour, int minute, int second) {
    COleDateTime value;
    const long long days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochDays;
    const double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Before the epoch the fraction still counts the time of day forward,
    // so it is subtracted from the (negative) day number.
    value.m_dt = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    return value;
}

bool sameMoment(const COleDateTime& a, const COleDateTime& b) {
    if (a.m_status == DateTimeStatus::null && b.m_status == DateTimeStatus::null) return true;
    return a.m_status == DateTimeStatus::valid && b.m_status == DateTimeStatus::valid && a.m_dt == b.m_dt;
}

}  // namespace korvan
