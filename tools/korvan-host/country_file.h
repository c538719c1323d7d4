// The country file cty.dat: which DXCC entity and continent a call belongs to.
//
// Each entry is a header line of eight ':'-terminated fields (name, CQ zone,
// ITU zone, continent, latitude, longitude, UTC offset, primary prefix),
// followed by a comma-separated list of aliases ended by ';'. An alias is a
// prefix, or with a leading '=' a complete call, optionally followed by
// overrides: (CQ zone) [ITU zone] <lat/long> {continent} ~UTC offset~.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korvan::host {

struct Country {
    std::string name;
    std::string prefix;     // primary DXCC prefix, a leading '*' removed
    std::string continent;  // after the alias's override
    int cqZone = 0;
    int ituZone = 0;
};

class CountryFile {
public:
    // Throws InputError naming fileName and the line for malformed entries,
    // and for a file without entries.
    static CountryFile parse(std::string_view text, const std::string& fileName);
    static CountryFile load(const std::string& path);

    // Exact-call entries first, then the longest matching prefix. Portable
    // suffixes (/P, /M, /MM, /AM, /QRP ...) are ignored, a one-digit suffix
    // moves the call to that call area when the file knows the moved prefix
    // (UA3ABC/9 is in Asiatic Russia) and otherwise keeps its home country,
    // and in PREFIX/CALL or CALL/PREFIX the prefix decides.
    std::optional<Country> resolve(std::string_view call) const;

    std::size_t entryCount() const { return entries_.size(); }

private:
    struct Alias {
        std::size_t entry;
        std::optional<int> cqZone, ituZone;
        std::optional<std::string> continent;
    };

    std::optional<Country> exact(const std::string& call) const;
    std::optional<Country> longestPrefix(const std::string& text) const;
    Country make(const Alias& alias) const;

    std::vector<Country> entries_;
    std::unordered_map<std::string, Alias> exactCalls_;
    std::unordered_map<std::string, Alias> prefixes_;
    std::size_t longestPrefixLength_ = 0;
};

}  // namespace korvan::host
