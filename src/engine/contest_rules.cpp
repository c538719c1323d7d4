#include "engine/contest_rules.h"

#include <algorithm>

#include "engine/bands.h"

namespace korvan {

namespace {

const char* const kModeTable[] = {"CW", "SSB"};

// The acceptance list's entry of each band slot, in slot order.
constexpr std::array<const char*, kBandSlotCount> acceptedBands() {
    std::array<const char*, kBandSlotCount> bands{};
    for (std::size_t slot = 0; slot < bands.size(); ++slot) bands[slot] = kBandSlots[slot].acceptedBand;
    return bands;
}
constexpr std::array<const char*, kBandSlotCount> kBandTable = acceptedBands();

struct KdaRange { char letter; int last; };
constexpr KdaRange kKdaRanges[] = {
    {'A', 6},  {'B', 19}, {'C', 14}, {'F', 13}, {'G', 7},  {'I', 13}, {'J', 22}, {'K', 9},
    {'L', 20}, {'M', 13}, {'N', 16}, {'O', 8},  {'P', 18}, {'Q', 18}, {'T', 11}, {'Z', 3},
};

struct KdaTable {
    std::array<char, kKdaCodeCount * 3> text{};
    std::array<std::string_view, kKdaCodeCount> codes{};
    KdaTable() {
        int n = 0;
        for (const KdaRange& range : kKdaRanges) {
            for (int number = 1; number <= range.last; ++number, ++n) {
                char* code = &text[static_cast<std::size_t>(n) * 3];
                code[0] = range.letter;
                code[1] = static_cast<char>('0' + number / 10);
                code[2] = static_cast<char>('0' + number % 10);
                codes[static_cast<std::size_t>(n)] = std::string_view(code, 3);
            }
        }
    }
};

const KdaTable& table() {
    static const KdaTable instance;
    return instance;
}

char foldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

CContestRules::CContestRules(const char* const* entries, int count) {
    for (int i = 0; i < count; ++i) entries_.emplace_back(entries[i]);
}

bool CContestRules::containsNoCase(std::string_view text) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const std::string& entry) { return equalsNoCase(entry, text); });
}

const CContestRules contestModes(kModeTable, 2);
const CContestRules contestBands(kBandTable.data(), kBandSlotCount);

const std::array<std::string_view, kKdaCodeCount>& kdaCodeTable() { return table().codes; }

bool isKdaCode(std::string_view text) {
    if (text.size() != 3) return false;
    const auto& codes = table().codes;
    return std::find(codes.begin(), codes.end(), text) != codes.end();
}

bool isUnPrefix(std::string_view prefix) { return prefix == "UN"; }

bool isRussianSpeakingPrefix(std::string_view prefix) {
    return prefix == "UA" || prefix == "UA2" || prefix == "UA2/f" || prefix == "UR" || prefix == "UN" ||
           prefix == "EU";
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i])) return false;
    return true;
}

std::string toUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = foldCase(c);
    return out;
}

std::string trimWhiteSpace(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isWhiteSpace(text[begin])) ++begin;
    while (end > begin && isWhiteSpace(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

std::string blankControlCharacters(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return out;
}

}  // namespace korvan
