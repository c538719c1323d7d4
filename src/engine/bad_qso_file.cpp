#include "engine/bad_qso_file.h"

#include "engine/contest_rules.h"
#include "platform/files.h"

namespace korvan::badqso {

namespace {
const std::string kFieldGap = "  ";
const std::string kLineEnd = "\r\n";
}  // namespace

std::string fileNameFor(const COleDateTime& contestDate) {
    return "BadQSO_StatsKORVAN_" + contestDate.Format("%d_%m_%Y") + ".txt";
}

std::string describeQso(const QsoArguments& qso, const std::string& dateText, const std::string& message,
                        const std::string* normalisedCode) {
    std::string line = "QSO:  ";
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

bool describesQso(const std::string& line, const std::string& call, const std::string& timeKey) {
    // The call as describeQso wrote it.
    return line.find(kFieldGap + blankControlCharacters(call) + kFieldGap) != std::string::npos &&
           line.find(timeKey) != std::string::npos;
}

void removeQsoLines(const std::string& fileName, const std::string& call, const std::string& timeKey) {
    if (fileName.empty()) return;
    std::string content = std::string(kRewriteHeader) + kLineEnd;
    {
        // Closed before the rewrite: Windows cannot replace an open file.
        platform::LineReader reader(fileName);
        if (!reader.isOpen()) return;
        std::string line;
        for (bool header = true; reader.next(line); header = false) {
            if (header || describesQso(line, call, timeKey)) continue;
            content += line;
            content += kLineEnd;
        }
    }
    platform::replaceFileContents(fileName, content);
}

}  // namespace korvan::badqso
