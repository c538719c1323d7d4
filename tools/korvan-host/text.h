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

// The first control character (below 0x20, or DEL) of text, if any. Such
// a character inside a field would break a line of the files the plug-in
// writes from it.
std::optional<char> firstControlCharacter(std::string_view text);

// Length of the valid UTF-8 sequence that starts at text[at] (2 to 4
// bytes: no overlong form, surrogate or code point past U+10FFFF), 0 if none.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

// text fit for a terminal: control characters and bytes that are not part
// of valid UTF-8 are written as \xNN (a backslash stays as it is: Windows
// paths are full of them).
std::string printable(std::string_view text);

// Input quoted in a message: at most about 80 characters, a longer text
// cut (never inside a UTF-8 sequence) and ended with "...".
std::string shortened(std::string_view text, std::size_t most = 80);

}  // namespace korvan::host
