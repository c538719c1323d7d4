#include "engine/bad_qso_file.h"

#include <string_view>

#include "engine/contest_rules.h"
#include "platform/files.h"

namespace korvan::badqso {

namespace {
const std::string kFieldGap = "  ";
const std::string kLineEnd = "\r\n";
const std::string kLineStart = "QSO:  ";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The length of the date-time ("%Y-%m-%d %H%M") at the start of the text
// when a field gap follows it, else 0.
std::size_t dateTimeLength(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isDigit(text[at])) ++at;
    if (at == 0) return 0;
    for (const char expected : std::string_view("-dd-dd dddd")) {
        if (at >= text.size()) return 0;
        const char c = text[at++];
        if (expected == 'd' ? !isDigit(c) : c != expected) return 0;
    }
    return text.substr(at).starts_with(kFieldGap) ? at : 0;
}

}  // namespace

// The date-time field of a line that describeQso wrote: after the line's
// start and the frequency (digits) comes the mode, the host's text, which
// may hold blanks, then the date-time. So the field is the first text of a
// date-time's shape after the frequency that starts after a field gap.
// Empty for a line of another shape.
std::string_view dateTimeField(std::string_view line) {
    if (!line.starts_with(kLineStart)) return {};
    std::size_t at = kLineStart.size();
    while (at < line.size() && isDigit(line[at])) ++at;
    for (at = line.find(kFieldGap, at); at != std::string_view::npos; at = line.find(kFieldGap, at + 1)) {
        const std::string_view rest = line.substr(at + kFieldGap.size());
        if (const std::size_t length = dateTimeLength(rest)) return rest.substr(0, length);
    }
    return {};
}

std::string fileNameFor(const COleDateTime& contestDate) {
    return "BadQSO_StatsKORVAN_" + contestDate.Format("%d_%m_%Y") + ".txt";
}

std::string describeQso(const QsoArguments& qso, const std::string& dateText, const std::string& message,
                        const std::string* normalisedCode) {
    std::string line = kLineStart;
    line += std::to_string(qso.frequencyHz / 1000u);
    for (const std::string* field : {&qso.mode, &dateText, &qso.ownCall, &qso.rstSent, &qso.exchangeSent,
                                     &qso.call, &qso.rstReceived, &qso.exchangeReceived}) {
        line += kFieldGap;
        line += blankControlCharacters(*field);
    }
    if (normalisedCode) {
        line += kFieldGap;
        line += blankControlCharacters(*normalisedCode);
    }
    line += message;
    return line;
}

void create(const std::string& fileName) {
    if (fileName.empty()) return;
    platform::writeWhole(fileName, kResetHeader + kLineEnd, platform::WriteMode::truncate);
}

void appendLines(const std::string& fileName, const std::vector<std::string>& lines) {
    if (fileName.empty() || lines.empty()) return;
    // One write for all the lines of the QSO: the file gains them all or,
    // on a full disk, none (not part of a line that the next one would
    // continue).
    std::string bytes;
    for (const std::string& line : lines) bytes += line + kLineEnd;
    platform::writeWhole(fileName, bytes, platform::WriteMode::append);
}

bool describesQso(const std::string& line, const std::string& call, const std::string& dateText) {
    // The call as describeQso wrote it; the time only in its own field: a
    // frequency or a serial number of the same digits is another QSO's.
    return line.find(kFieldGap + blankControlCharacters(call) + kFieldGap) != std::string::npos &&
           dateTimeField(line) == dateText;
}

bool rewriteWithout(const std::string& fileName, const std::string& call, const std::string& dateText,
                    std::vector<std::string>& kept) {
    kept.clear();
    if (fileName.empty()) return false;
    std::string content = std::string(kRewriteHeader) + kLineEnd;
    {
        // Closed before the rewrite: Windows cannot replace an open file.
        platform::LineReader reader(fileName);
        if (!reader.isOpen()) return false;
        std::string line;
        for (bool header = true; reader.next(line); header = false) {
            if (header || describesQso(line, call, dateText)) continue;
            content += line;
            content += kLineEnd;
            kept.push_back(line);
        }
    }
    return platform::replaceFileContents(fileName, content);
}

}  // namespace korvan::badqso
