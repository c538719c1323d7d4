#pragma once
// The KDA directory: the non-empty lines of Plugins\kda.dom in file order,
// each a callsign at its start and the station's KDA code as its last three
// characters.
//
// A lookup must answer with the first line in file order that starts with
// the callsign, and the directory may hold tens of thousands of lines. The
// lines that start with a given text are one run of the lines sorted by
// text, so a lookup finds that run by binary search and the earliest line
// of the run with a minimum tree over the sorted order: O(log n) whatever
// the size of the directory, 20 bytes per line besides the lines. The
// binary search runs over the first eight bytes of each sorted line, packed
// into one number, so it reads a small array and not the scattered lines.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

class KdaDirectory {
public:
    void clear();
    void append(std::string line);
    // Replaces the whole directory (a reload of kda.dom).
    void assign(std::vector<std::string> lines);
    std::size_t size() const { return lines_.size(); }
    const std::vector<std::string>& lines() const { return lines_; }

    // The code of the first line (file order) that starts with the callsign:
    // its last three characters (the whole line when shorter). "NET" for a
    // callsign shorter than four characters or when no line matches.
    std::string lookupKdaCode(std::string_view callsign) const;

private:
    void rebuildIndex();
    // Smallest line number among byText_[from, to).
    std::uint32_t firstLineIn(std::size_t from, std::size_t to) const;

    std::vector<std::string> lines_;
    // Line numbers ordered by the text of their line.
    std::vector<std::uint32_t> byText_;
    // headOf(line) of each entry of byText_ (not decreasing).
    std::vector<std::uint64_t> heads_;
    // Bottom-up minimum tree over byText_: leaves at [n, 2n), each inner
    // node i holds the smaller of nodes 2i and 2i+1.
    std::vector<std::uint32_t> firstLineTree_;
};

}  // namespace korvan
