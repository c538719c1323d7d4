#include "country_file.h"

#include <array>

#include "log_error.h"
#include "text.h"
#include "whole_file.h"

namespace korvan::host {

namespace {

// Reads the text piece by piece while counting lines for messages.
class Cursor {
public:
    Cursor(std::string_view text) : text_(text) {}
    bool atEnd() const { return pos_ >= text_.size(); }
    std::size_t line() const { return line_; }

    void skipBlanks() {
        while (!atEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' || text_[pos_] == '\n'))
            step();
    }

    // Text up to (not including) the first of the stop characters, which is
    // consumed; nullopt at the end of the text.
    std::optional<std::string_view> upTo(char stop, char otherStop, char& found) {
        std::size_t start = pos_;
        while (!atEnd() && text_[pos_] != stop && text_[pos_] != otherStop) step();
        if (atEnd()) return std::nullopt;
        found = text_[pos_];
        std::string_view piece = text_.substr(start, pos_ - start);
        step();
        return piece;
    }

private:
    void step() {
        if (text_[pos_] == '\n') ++line_;
        ++pos_;
    }
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

std::optional<int> parseZone(std::string_view text) {
    auto value = parseDigits(trim(text));
    if (!value || *value > 99) return std::nullopt;
    return static_cast<int>(*value);
}

// Removes the part between open and close from the alias and returns it.
std::optional<std::string> takeOverride(std::string& alias, char open, char close) {
    std::size_t start = alias.find(open);
    if (start == std::string::npos) return std::nullopt;
    std::size_t end = alias.find(close, start + 1);
    if (end == std::string::npos) return std::string();  // reported by the caller as malformed
    std::string inside = alias.substr(start + 1, end - start - 1);
    alias.erase(start, end - start + 1);
    return inside;
}

constexpr std::array<std::string_view, 14> kIgnoredSuffixes{
    "P", "M", "MM", "AM", "QRP", "QRPP", "A", "B", "LH", "J", "R", "PM", "BCN", "SAT"};

bool isIgnoredSuffix(std::string_view part) {
    for (auto s : kIgnoredSuffixes)
        if (part == s) return true;
    return false;
}

std::vector<std::string> splitSlashes(const std::string& call) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t slash = call.find('/', start);
        std::string part = call.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!part.empty()) parts.push_back(part);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return parts;
}

// "UA3ABC" with area 9 becomes "UA9ABC": the digits before the suffix
// letters are the call area ("7L1ETP" -> area 1, "4X75KE" -> area 75), and
// they are replaced, not the digits a prefix may begin with.
std::string moveToArea(const std::string& call, char digit) {
    std::size_t last = call.find_last_of("0123456789");
    if (last == std::string::npos) return call;
    std::size_t first = last;
    while (first > 0 && call[first - 1] >= '0' && call[first - 1] <= '9') --first;
    if (first == 0) return call;  // all digits before the letters: no prefix left to keep
    return call.substr(0, first) + digit + call.substr(last + 1);
}

}  // namespace

CountryFile CountryFile::parse(std::string_view text, const std::string& fileName) {
    CountryFile file;
    Cursor cursor(text);
    while (true) {
        cursor.skipBlanks();
        if (cursor.atEnd()) break;
        const std::size_t headerLine = cursor.line();

        std::array<std::string, 8> fields;
        for (std::string& field : fields) {
            char found = 0;
            auto piece = cursor.upTo(':', ';', found);
            if (!piece || found != ':')
                throw InputError(fileName, headerLine,
                                 "expected an entry header of eight fields, each ended by ':'");
            field = std::string(trim(*piece));
        }
        Country country;
        country.name = fields[0];
        auto cq = parseZone(fields[1]), itu = parseZone(fields[2]);
        if (!cq || !itu) throw InputError(fileName, headerLine, "expected CQ and ITU zones as numbers");
        country.cqZone = *cq;
        country.ituZone = *itu;
        country.continent = fields[3];
        country.prefix = fields[7];
        if (!country.prefix.empty() && country.prefix.front() == '*') country.prefix.erase(0, 1);
        if (country.prefix.empty()) throw InputError(fileName, headerLine, "expected a primary prefix in field 8");
        const std::size_t entryIndex = file.entries_.size();
        file.entries_.push_back(country);

        char found = 0;
        auto list = cursor.upTo(';', ';', found);
        if (!list)
            throw InputError(fileName, headerLine, "expected ';' to end the alias list of " + country.name);
        std::size_t start = 0;
        while (start <= list->size()) {
            std::size_t comma = list->find(',', start);
            if (comma == std::string_view::npos) comma = list->size();
            std::string alias(trim(list->substr(start, comma - start)));
            start = comma + 1;
            if (alias.empty()) continue;

            Alias entry{entryIndex, std::nullopt, std::nullopt, std::nullopt};
            auto bad = [&](const char* what) {
                return InputError(fileName, headerLine,
                                  std::string("expected ") + what + " in alias \"" + shortened(alias) + "\" of " + shortened(country.name));
            };
            if (auto cqText = takeOverride(alias, '(', ')')) {
                if (!(entry.cqZone = parseZone(*cqText))) throw bad("a CQ zone number in (...)");
            }
            if (auto ituText = takeOverride(alias, '[', ']')) {
                if (!(entry.ituZone = parseZone(*ituText))) throw bad("an ITU zone number in [...]");
            }
            if (auto cont = takeOverride(alias, '{', '}')) {
                if (cont->empty()) throw bad("a continent in {...}");
                entry.continent = *cont;
            }
            takeOverride(alias, '<', '>');
            takeOverride(alias, '~', '~');

            bool exactCall = !alias.empty() && alias.front() == '=';
            if (exactCall) alias.erase(0, 1);
            alias = toUpper(trim(alias));
            if (alias.empty()) throw bad("a prefix or call");
            if (exactCall) {
                file.exactCalls_.emplace(alias, entry);
            } else {
                file.prefixes_.emplace(alias, entry);
                file.longestPrefixLength_ = std::max(file.longestPrefixLength_, alias.size());
            }
        }
    }
    // An empty file (or one of blanks) would make every call unknown.
    if (file.entries_.empty()) throw InputError(fileName, 0, "no entries in the country file");
    return file;
}

CountryFile CountryFile::load(const std::string& path) {
    return parse(readWholeFile(path), path);
}

Country CountryFile::make(const Alias& alias) const {
    Country country = entries_[alias.entry];
    if (alias.cqZone) country.cqZone = *alias.cqZone;
    if (alias.ituZone) country.ituZone = *alias.ituZone;
    if (alias.continent) country.continent = *alias.continent;
    return country;
}

std::optional<Country> CountryFile::exact(const std::string& call) const {
    auto it = exactCalls_.find(call);
    if (it == exactCalls_.end()) return std::nullopt;
    return make(it->second);
}

std::optional<Country> CountryFile::longestPrefix(const std::string& text) const {
    for (std::size_t length = std::min(text.size(), longestPrefixLength_); length > 0; --length) {
        auto it = prefixes_.find(text.substr(0, length));
        if (it != prefixes_.end()) return make(it->second);
    }
    return std::nullopt;
}

std::optional<Country> CountryFile::resolve(std::string_view rawCall) const {
    const std::string call = toUpper(trim(rawCall));
    if (call.empty()) return std::nullopt;
    if (auto found = exact(call)) return found;

    std::vector<std::string> parts = splitSlashes(call);
    std::optional<char> area;
    while (parts.size() > 1) {
        const std::string& last = parts.back();
        if (isIgnoredSuffix(last)) {
            parts.pop_back();
        } else if (last.size() == 1 && last[0] >= '0' && last[0] <= '9') {
            if (!area) area = last[0];
            parts.pop_back();
        } else {
            break;
        }
    }
    if (parts.empty()) return std::nullopt;

    if (parts.size() == 1) {
        if (auto found = exact(parts[0])) return found;
        // A call area that no prefix of the file knows leaves the station
        // in its home country.
        if (area)
            if (auto found = longestPrefix(moveToArea(parts[0], *area))) return found;
        return longestPrefix(parts[0]);
    }

    // PREFIX/CALL or CALL/PREFIX: the longer part is the home call, the
    // other one says where the station operates from.
    std::size_t homeIndex = 0;
    for (std::size_t i = 1; i < parts.size(); ++i)
        if (parts[i].size() > parts[homeIndex].size()) homeIndex = i;
    std::size_t prefixIndex = homeIndex == 0 ? 1 : 0;
    if (auto found = longestPrefix(parts[prefixIndex])) return found;
    return longestPrefix(parts[homeIndex]);
}

}  // namespace korvan::host
