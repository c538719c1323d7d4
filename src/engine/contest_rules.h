#pragma once
// The fixed rules of the contest: accepted bands and modes, the 210 KDA
// area codes, and the prefix tests.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

// A list of texts filled from a static table, with a membership test that
// ignores letter case.
class CContestRules {
public:
    CContestRules(const char* const* table, int count);
    ~CContestRules() = default;

    // True at the first entry equal to text ignoring case.
    bool containsNoCase(std::string_view text) const;
    const std::vector<std::string>& entries() const { return entries_; }
    int size() const { return static_cast<int>(entries_.size()); }
    const std::string& at(int index) const { return entries_.at(static_cast<std::size_t>(index)); }

private:
    std::vector<std::string> entries_;
};

// "CW", "SSB".
extern const CContestRules contestModes;
// The accepted bands, one entry per band slot (engine/bands.h): "80m",
// "80m", "40m", "20m", "15m", "10m", so "80m" twice and no "160m".
extern const CContestRules contestBands;

constexpr int kKdaCodeCount = 210;
const std::array<std::string_view, kKdaCodeCount>& kdaCodeTable();
// Exact, case-sensitive membership in the KDA code table.
bool isKdaCode(std::string_view text);

bool isUnPrefix(std::string_view prefix);
// "UA", "UA2", "UA2/f", "UR", "UN", "EU": the panel is labelled in Russian.
bool isRussianSpeakingPrefix(std::string_view prefix);

// Case-insensitive comparison of two texts, byte by byte in the host's
// 8-bit code page (ASCII letters fold; other bytes compare exactly).
bool equalsNoCase(std::string_view a, std::string_view b);
// Upper-cases ASCII letters in place (the host's 8-bit code page).
std::string toUpperAscii(std::string_view text);
// Removes white space at both ends.
std::string trimWhiteSpace(std::string_view text);
// The text with every control character (a byte below 0x20: CR, LF, tab
// ...) written as a blank, so that a field can never break or end a line of
// a file the plug-in writes.
std::string blankControlCharacters(std::string_view text);

}  // namespace korvan
