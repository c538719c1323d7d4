#include "engine/bad_line_count.h"

#include <limits>

namespace korvan::badqso {

namespace {

void addCounted(std::int32_t& count, const std::string& line) {
    if (isCountedLine(line) && count < std::numeric_limits<std::int32_t>::max()) ++count;
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
        return;
    }
    for (const std::string& line : lines) addCounted(known.count, line);
    known.stamp = after;
}

std::int32_t currentCount(KnownLineCount& known, const std::string& fileName) {
    const platform::FileStamp stamp = platform::fileStamp(fileName);
    if (known.known && known.fileName == fileName && known.stamp == stamp) return known.count;
    const std::int32_t count = countLines(fileName);
    const bool endsWithLineEnd = platform::endsWithLineEnd(fileName);
    const platform::FileStamp after = platform::fileStamp(fileName);
    known.fileName = fileName;
    known.stamp = after;
    known.count = count;
    known.known = stamp == after;
    known.endsWithLineEnd = endsWithLineEnd;
    return count;
}

}  // namespace korvan::badqso
