// Small text helpers shared by the log readers and the country file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::host {

std::string toUpper(std::string_view text);
std::string toLower(std::string_view text);
std::string_view trim(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);

// Splits on runs of blanks and tabs; no empty pieces.
std::vector<std::string_view> splitWords(std::string_view text);

// A run of decimal digits only (no sign, no blanks) that fits the result.
std::optional<unsigned long long> parseDigits(std::string_view text);

// A decimal number "123", "123.", "123.45" scaled by 10^decimals and
// truncated past that many fraction digits: parseScaled("14.025", 6) is
// 14025000. Exact, no floating point, so frequencies keep every hertz.
std::optional<unsigned long long> parseScaled(std::string_view text, int decimals);

}  // namespace korvan::host
