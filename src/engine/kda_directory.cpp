#include "engine/kda_directory.h"

#include <algorithm>
#include <limits>

namespace korvan {

namespace {

constexpr std::uint32_t kNoLine = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kHeadBytes = 8;
// Runs up to this length are searched for their earliest line directly.
constexpr std::size_t kShortRun = 32;

// The first eight bytes of a text as a big-endian number, filled up with
// the given byte. The numbers compare as the texts' first eight bytes do,
// and when t has at most eight bytes and no 0 byte, the texts that start
// with t are those whose number lies between headOf(t, 0x00) and
// headOf(t, 0xFF).
std::uint64_t headOf(std::string_view text, unsigned char fill) {
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < kHeadBytes; ++i)
        head = (head << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : fill);
    return head;
}

}  // namespace

void KdaDirectory::clear() {
    lines_.clear();
    rebuildIndex();
}

void KdaDirectory::append(std::string line) {
    lines_.push_back(std::move(line));
    rebuildIndex();
}

void KdaDirectory::assign(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    rebuildIndex();
}

void KdaDirectory::rebuildIndex() {
    const std::size_t n = lines_.size();
    byText_.resize(n);
    for (std::size_t i = 0; i < n; ++i) byText_[i] = static_cast<std::uint32_t>(i);
    // std::string compares its bytes as unsigned characters, as the prefix
    // test of lookupKdaCode does.
    std::stable_sort(byText_.begin(), byText_.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return lines_[a] < lines_[b]; });
    heads_.resize(n);
    for (std::size_t i = 0; i < n; ++i) heads_[i] = headOf(lines_[byText_[i]], 0);
    firstLineTree_.assign(2 * n, kNoLine);
    std::copy(byText_.begin(), byText_.end(), firstLineTree_.begin() + static_cast<std::ptrdiff_t>(n));
    for (std::size_t i = n; i-- > 1;) firstLineTree_[i] = std::min(firstLineTree_[2 * i], firstLineTree_[2 * i + 1]);
}

std::uint32_t KdaDirectory::firstLineIn(std::size_t from, std::size_t to) const {
    std::uint32_t first = kNoLine;
    if (to - from <= kShortRun) {
        for (std::size_t i = from; i < to; ++i) first = std::min(first, byText_[i]);
        return first;
    }
    for (from += byText_.size(), to += byText_.size(); from < to; from /= 2, to /= 2) {
        if (from & 1) first = std::min(first, firstLineTree_[from++]);
        if (to & 1) first = std::min(first, firstLineTree_[--to]);
    }
    return first;
}

std::string KdaDirectory::lookupKdaCode(std::string_view callsign) const {
    if (callsign.size() < 4) return "NET";
    // The lines whose first eight bytes allow them to start with the
    // callsign; exactly those that do when it is at most eight bytes long
    // and holds no 0 byte.
    std::size_t from = static_cast<std::size_t>(
        std::lower_bound(heads_.begin(), heads_.end(), headOf(callsign, 0x00)) - heads_.begin());
    std::size_t to = static_cast<std::size_t>(
        std::upper_bound(heads_.begin() + static_cast<std::ptrdiff_t>(from), heads_.end(), headOf(callsign, 0xFF)) -
        heads_.begin());
    if (callsign.size() > kHeadBytes || callsign.find('\0') != std::string_view::npos) {
        // A line's first callsign.size() characters order the lines the
        // same way as the whole lines do, so the lines that start with the
        // callsign are one run within the coarse one.
        auto head = [&](std::uint32_t line) { return std::string_view(lines_[line]).substr(0, callsign.size()); };
        const auto begin = byText_.begin();
        const auto exactFrom = std::partition_point(begin + static_cast<std::ptrdiff_t>(from),
                                                    begin + static_cast<std::ptrdiff_t>(to),
                                                    [&](std::uint32_t line) { return head(line) < callsign; });
        const auto exactTo = std::partition_point(exactFrom, begin + static_cast<std::ptrdiff_t>(to),
                                                  [&](std::uint32_t line) { return head(line) == callsign; });
        from = static_cast<std::size_t>(exactFrom - begin);
        to = static_cast<std::size_t>(exactTo - begin);
    }
    if (from == to) return "NET";
    const std::string& line = lines_[firstLineIn(from, to)];
    return line.size() < 3 ? line : line.substr(line.size() - 3);
}

}  // namespace korvan
