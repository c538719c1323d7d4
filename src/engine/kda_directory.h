#pragma once
// The KDA directory: the non-empty lines of Plugins\kda.dom in file order,
// each a callsign at its start and the station's KDA code as its last three
// characters.
#include <string>
#include <string_view>
#include <vector>

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
    std::vector<std::string> lines_;
};
