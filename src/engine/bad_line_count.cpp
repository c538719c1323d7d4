#include "engine/bad_line_count.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "engine/bad_qso_file.h"

namespace korvan::badqso {

namespace {

void addCounted(std::int32_t& count, const std::string& line) {
    if (isCountedLine(line) && count < std::numeric_limits<std::int32_t>::max()) ++count;
}

void forgetLines(KnownLineCount& known) {
    known.asRewritten = false;
    known.linesByDateTime.clear();
}

void keepLine(KnownLineCount& known, const std::string& line) {
    known.linesByDateTime[std::string(dateTimeField(line))].push_back(line);
}

}  // namespace

bool isCountedLine(const std::string& line) {
    const std::size_t dupe = line.find("DUPE");
    const std::size_t ubn = line.find("UBN");
    return !((dupe != std::string::npos && dupe > 0) || (ubn != std::string::npos && ubn > 0));
}

std::int32_t countLines(const std::string& fileName) {
    platform::LineReader reader(fileName);
    if (!reader.isOpen()) return 0;
    std::int32_t count = 0;
    std::string line;
    while (reader.next(line)) addCounted(count, line);
    return count;
}

void noteAppend(KnownLineCount& known, const std::string& fileName, const platform::FileStamp& before,
                const platform::FileStamp& after, const std::vector<std::string>& lines) {
    std::uint64_t bytes = 0;
    for (const std::string& line : lines) bytes += line.size() + 2;
    const bool asSeen = known.known && known.fileName == fileName && known.stamp == before && before.exists &&
                        known.endsWithLineEnd;
    if (!asSeen || !after.exists || after.size != before.size + bytes) {
        known.known = false;
        forgetLines(known);
        return;
    }
    for (const std::string& line : lines) addCounted(known.count, line);
    known.stamp = after;
    if (!known.asRewritten) return;
    // A line end inside a line would make two lines of it when read back.
    for (const std::string& line : lines) {
        if (std::memchr(line.data(), '\n', line.size())) {
            forgetLines(known);
            return;
        }
    }
    try {
        for (const std::string& line : lines) keepLine(known, line);
    } catch (...) {
        forgetLines(known);  // lines known in part are not known
    }
}

std::int32_t currentCount(KnownLineCount& known, const std::string& fileName) {
    const platform::FileStamp stamp = platform::fileStamp(fileName);
    if (known.known && known.fileName == fileName && known.stamp == stamp) return known.count;
    const std::int32_t count = countLines(fileName);
    const bool endsWithLineEnd = platform::endsWithLineEnd(fileName);
    const platform::FileStamp after = platform::fileStamp(fileName);
    forgetLines(known);
    known.fileName = fileName;
    known.stamp = after;
    known.count = count;
    known.known = stamp == after;
    known.endsWithLineEnd = endsWithLineEnd;
    return count;
}

void removeQsoLines(KnownLineCount& known, const std::string& fileName, const std::string& call,
                    const std::string& dateText) {
    if (fileName.empty()) return;
    if (known.known && known.asRewritten && known.fileName == fileName && known.stamp == platform::fileStamp(fileName)) {
        const auto candidates = known.linesByDateTime.find(dateText);
        if (candidates == known.linesByDateTime.end() ||
            std::none_of(candidates->second.begin(), candidates->second.end(),
                         [&](const std::string& line) { return describesQso(line, call, dateText); }))
            return;
    }
    std::vector<std::string> kept;
    if (!rewriteWithout(fileName, call, dateText, kept)) {
        known.known = false;
        forgetLines(known);
        return;
    }
    // The file now holds the rewrite header (not counted) and the kept
    // lines, which read back as they are. Built aside, so that a failure
    // leaves the old knowledge, whose stamp no longer fits the file.
    KnownLineCount rewritten;
    rewritten.fileName = fileName;
    rewritten.stamp = platform::fileStamp(fileName);
    rewritten.known = rewritten.stamp.exists;
    rewritten.endsWithLineEnd = true;
    rewritten.asRewritten = rewritten.known;
    for (const std::string& line : kept) addCounted(rewritten.count, line);
    if (rewritten.asRewritten)
        for (const std::string& line : kept) keepLine(rewritten, line);
    known = std::move(rewritten);
}

}  // namespace korvan::badqso
