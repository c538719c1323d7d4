// The date-time the host hands to the plug-in by pointer: days since
// 30 December 1899 with the time of day as the fraction, and a status.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvan::host {

enum class DateTimeStatus : std::int32_t { valid = 0, invalid = 1, null = 2 };

struct alignas(8) DateTime {
    double days = 0.0;
    std::int32_t status = static_cast<std::int32_t>(DateTimeStatus::valid);
};
static_assert(sizeof(DateTime) == 16, "the plug-in reads a double and a 32-bit status, padded to 16 bytes");

struct CivilTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

bool isValidCivilTime(const CivilTime& t);

// An out-of-range field gives a value with the invalid status.
DateTime makeDateTime(const CivilTime& t);
DateTime nullDateTime();

// Back to calendar fields, to the nearest second; nullopt unless valid.
std::optional<CivilTime> toCivilTime(const DateTime& value);

// "2026-03-21 1203", the form used in messages and on the command line.
std::string formatMinute(const CivilTime& t);

// Parses "YYYY-MM-DD HHMM" (or HH:MM); nullopt when malformed or out of range.
std::optional<CivilTime> parseMinute(std::string_view text);

}  // namespace korvan::host
