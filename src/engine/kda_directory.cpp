#include "engine/kda_directory.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint32_t kNoLine = std::numeric_limits<std::uint32_t>::max();

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
    firstLineTree_.assign(2 * n, kNoLine);
    std::copy(byText_.begin(), byText_.end(), firstLineTree_.begin() + static_cast<std::ptrdiff_t>(n));
    for (std::size_t i = n; i-- > 1;) firstLineTree_[i] = std::min(firstLineTree_[2 * i], firstLineTree_[2 * i + 1]);
}

std::uint32_t KdaDirectory::firstLineIn(std::size_t from, std::size_t to) const {
    std::uint32_t first = kNoLine;
    for (from += byText_.size(), to += byText_.size(); from < to; from /= 2, to /= 2) {
        if (from & 1) first = std::min(first, firstLineTree_[from++]);
        if (to & 1) first = std::min(first, firstLineTree_[--to]);
    }
    return first;
}

std::string KdaDirectory::lookupKdaCode(std::string_view callsign) const {
    if (callsign.size() < 4) return "NET";
    // A line's first callsign.size() characters order the lines the same
    // way as the whole lines do, so the lines starting with the callsign
    // lie between these two bounds.
    auto head = [&](std::uint32_t line) { return std::string_view(lines_[line]).substr(0, callsign.size()); };
    const auto from = std::partition_point(byText_.begin(), byText_.end(),
                                           [&](std::uint32_t line) { return head(line) < callsign; });
    const auto to = std::partition_point(from, byText_.end(),
                                         [&](std::uint32_t line) { return head(line) == callsign; });
    if (from == to) return "NET";
    const std::string& line = lines_[firstLineIn(static_cast<std::size_t>(from - byText_.begin()),
                                                 static_cast<std::size_t>(to - byText_.begin()))];
    return line.size() < 3 ? line : line.substr(line.size() - 3);
}
