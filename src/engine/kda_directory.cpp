#include "engine/kda_directory.h"

void KdaDirectory::clear() { lines_.clear(); }

void KdaDirectory::append(std::string line) { lines_.push_back(std::move(line)); }

void KdaDirectory::assign(std::vector<std::string> lines) { lines_ = std::move(lines); }

std::string KdaDirectory::lookupKdaCode(std::string_view callsign) const {
    if (callsign.size() < 4) return "NET";
    for (const std::string& line : lines_) {
        if (line.size() >= callsign.size() && std::string_view(line).substr(0, callsign.size()) == callsign)
            return line.size() < 3 ? line : line.substr(line.size() - 3);
    }
    return "NET";
}
