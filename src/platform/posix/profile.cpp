// Private profile (INI) strings on POSIX, with the semantics of the Windows
// functions the plug-in was written against:
//  - section and key names match ignoring case; blanks around them and
//    around values are ignored; a value in matching quotes is unquoted;
//  - the first matching section and key win;
//  - a write replaces the key's line, or adds it after the last entry of its
//    section, or appends a new section at the end; the file is created when
//    missing; every other line keeps its bytes, line end included;
//  - written lines end in CR LF; files with CR LF or LF lines are read; a
//    UTF-8 byte-order mark before the first line is skipped (and kept);
//  - a file that exists but cannot be read is not written (its other keys
//    would be lost); a rewrite keeps the file's permission bits and goes
//    through a symbolic link to the file it names;
//  - a control character in a written section, key or value is a blank, so
//    a value never forges lines of its own.
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_access_internal.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace korvan::platform {
namespace {

// One writer at a time inside this process: a write reads, changes and
// replaces the whole file, and both of the library's threads write.
// A plain static: constructed at load, so it outlives the unload step.
std::mutex profileMutex;
std::mutex& profileLock() { return profileMutex; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string trim(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// One line of the file as stored: its text and its line end ("\r\n", "\n"
// or "" for a last line without one).
struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> splitLines(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t newline = bytes.find('\n', start);
        if (newline == std::string::npos) {
            lines.push_back({bytes.substr(start), ""});
            break;
        }
        std::size_t textEnd = newline;
        if (textEnd > start && bytes[textEnd - 1] == '\r') --textEnd;
        lines.push_back({bytes.substr(start, textEnd - start), bytes.substr(textEnd, newline + 1 - textEnd)});
        start = newline + 1;
    }
    return lines;
}

// The section name when the line is a section header.
bool sectionHeader(const std::string& text, std::string& name) {
    const std::string trimmed = trim(text);
    if (trimmed.empty() || trimmed.front() != '[') return false;
    const std::size_t close = trimmed.find(']');
    name = trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// Key and raw value when the line is an entry ("key = value").
bool entry(const std::string& text, std::string& key, std::string& value) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) return false;
    key = trim(text.substr(0, equals));
    if (!key.empty() && key.front() == ';') return false;  // a comment
    value = text.substr(equals + 1);
    return true;
}

// A byte-order mark that an editor put before the first line: kept in the
// file, skipped when the lines are read.
const std::string kUtf8ByteOrderMark = "\xEF\xBB\xBF";

enum class FileRead { read, missing, unreadable };

// The file's bytes without a leading byte-order mark (returned in mark).
FileRead readFile(const std::string& nativePath, std::string& bytes, std::string& mark) {
    std::FILE* file = detail::openForReading(nativePath);
    if (!file)
        return detail::targetAccess(nativePath) == detail::TargetAccess::missing ? FileRead::missing
                                                                                 : FileRead::unreadable;
    char buffer[8192];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return FileRead::unreadable;
    if (bytes.starts_with(kUtf8ByteOrderMark)) {
        mark = kUtf8ByteOrderMark;
        bytes.erase(0, mark.size());
    }
    return FileRead::read;
}

// Where a key lives in a parsed file.
struct Location {
    int section = -1;           // line of the section header
    int key = -1;               // line of the entry
    int lastContentLine = -1;   // last non-blank line of the section
};

Location locate(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
    Location found;
    bool inSection = false;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        std::string name;
        if (sectionHeader(lines[i].text, name)) {
            if (inSection) break;  // the end of the first matching section
            if (detail::equalsNoCase(name, section)) {
                inSection = true;
                found.section = found.lastContentLine = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!trim(lines[i].text).empty()) found.lastContentLine = i;
        std::string entryKey, value;
        if (found.key < 0 && entry(lines[i].text, entryKey, value) && detail::equalsNoCase(entryKey, key))
            found.key = i;
    }
    return found;
}

}  // namespace

std::string readProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& fallback) {
    std::string bytes, mark;
    {
        std::lock_guard<std::mutex> guard(profileLock());
        if (readFile(nativePath(file), bytes, mark) != FileRead::read) return fallback;
    }
    const std::vector<Line> lines = splitLines(bytes);
    const Location found = locate(lines, trim(section), trim(key));
    if (found.key < 0) return fallback;
    std::string entryKey, value;
    entry(lines[found.key].text, entryKey, value);
    return unquote(trim(value));
}

bool writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& rawValue) {
    const std::string native = nativePath(file);
    const std::string sectionName = trim(detail::blankControlCharacters(section));
    const std::string keyName = trim(detail::blankControlCharacters(key));
    const std::string value = detail::blankControlCharacters(rawValue);
    if (keyName.empty() || detail::writeFailureInjected(native)) return false;

    std::lock_guard<std::mutex> guard(profileLock());
    std::string bytes, mark;
    // A missing file is created; one that exists but cannot be read is
    // left as it is: writing it would lose every other key it holds.
    if (readFile(native, bytes, mark) == FileRead::unreadable) return false;
    std::vector<Line> lines = splitLines(bytes);
    const Location found = locate(lines, sectionName, keyName);

    if (found.key >= 0) {
        // Keep the key as the file spells it; only the value changes.
        std::string entryKey, oldValue;
        entry(lines[found.key].text, entryKey, oldValue);
        lines[found.key].text = entryKey + "=" + value;
        lines[found.key].end = "\r\n";
    } else if (found.section >= 0) {
        Line& previous = lines[found.lastContentLine];
        if (previous.end.empty()) previous.end = "\r\n";
        lines.insert(lines.begin() + found.lastContentLine + 1, Line{keyName + "=" + value, "\r\n"});
    } else {
        if (!lines.empty() && lines.back().end.empty()) lines.back().end = "\r\n";
        lines.push_back({"[" + sectionName + "]", "\r\n"});
        lines.push_back({keyName + "=" + value, "\r\n"});
    }

    std::string out = mark;
    out.reserve(mark.size() + bytes.size() + keyName.size() + value.size() + sectionName.size() + 8);
    for (const Line& line : lines) out += line.text + line.end;
    return replaceFileContents(file, out);
}

}  // namespace korvan::platform
