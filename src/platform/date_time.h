#pragma once
// The host's date-time value, laid out exactly as the host passes it by
// pointer: a day count since 30 December 1899 (the fraction is the time of
// day) followed by a 32-bit status.
#include <cstdint>
#include <string>

namespace korvan {

enum class DateTimeStatus : std::int32_t { valid = 0, invalid = 1, null = 2 };

struct alignas(8) COleDateTime {
    double m_dt = 0.0;
    DateTimeStatus m_status = DateTimeStatus::valid;

    // Text of this value under a strftime-style pattern. Null gives "",
    // invalid (or out of range, or NaN) gives "Invalid DateTime". The range
    // is every second from 0100-01-01 00:00:00 to 9999-12-31 23:59:59.
    // Supports %Y %m %d %H %M %S %y %%; other characters are copied.
    // The result never exceeds 255 characters.
    std::string Format(const char* pattern) const;

    static COleDateTime fromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
};
static_assert(sizeof(COleDateTime) == 16, "host passes a 16-byte date-time");

// Exact equality used to match a stored QSO: both valid with the same day
// count, or both null. An invalid value equals nothing.
bool sameMoment(const COleDateTime& a, const COleDateTime& b);

}  // namespace korvan
