#include "scoreboard/posting_status.h"

#include <deque>

#include "platform/files.h"
#include "platform/profile.h"
#include "scoreboard/posting_settings.h"
#include "scoreboard/score_document.h"

namespace korvan {
namespace {

using platform::HttpFailure;

std::string failureWords(HttpFailure failure, unsigned timeoutSeconds, int errorCode) {
    switch (failure) {
        case HttpFailure::none: return "";
        case HttpFailure::unavailable: return "this build has no HTTP support";
        case HttpFailure::badAddress: return "the Url cannot be used";
        case HttpFailure::nameNotResolved: return "the server's name is unknown";
        case HttpFailure::connectionFailed: return "no connection to the server (refused or unreachable)";
        case HttpFailure::timedOut: return "no whole answer within " + std::to_string(timeoutSeconds) + " s";
        case HttpFailure::certificateRejected: return "the server's certificate was not accepted";
        case HttpFailure::secureChannelFailed: return "the secure connection to the server failed";
        case HttpFailure::sendFailed: return "the score could not be sent";
        case HttpFailure::closedWithoutAnswer: return "the server closed the connection without answering";
        case HttpFailure::closedMidAnswer: return "the connection closed in the middle of the answer";
        case HttpFailure::notHttp: return "the server's answer is not HTTP";
        case HttpFailure::givenUp: return "given up when the plug-in was unloaded";
        case HttpFailure::other: break;
    }
    return errorCode ? "network error " + std::to_string(errorCode) : "network error";
}

// Where a UTF-8 text may be cut at most `limit` bytes in: never before a
// continuation byte.
std::size_t cutPoint(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

}  // namespace

std::string answerFirstLine(const std::string& body) {
    std::string line;
    for (const char c : body) {
        if (c == '\r' || c == '\n') break;
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) continue;
        line += c;
        if (line.size() > kAnswerLineLength * 4) break;  // enough to cut from
    }
    // Characters, not bytes: count the UTF-8 lead bytes.
    std::size_t characters = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if ((static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) continue;
        if (characters++ == kAnswerLineLength) return line.substr(0, cutPoint(line, i));
    }
    return line;
}

std::string outcomeText(const platform::HttpAnswer& answer, unsigned timeoutSeconds) {
    if (answer.status == 0) return "failed: " + failureWords(answer.failure, timeoutSeconds, answer.errorCode);
    std::string text = "HTTP " + std::to_string(answer.status);
    if (answer.failure != HttpFailure::none) return text + ", but " + failureWords(answer.failure, timeoutSeconds, answer.errorCode);
    if (answer.status >= 300 && answer.status < 400) text += " (a redirect, not followed: set Url to the new address)";
    const std::string first = answerFirstLine(answer.body);
    if (!first.empty()) text += ": " + first;
    return text;
}

std::string statusLine(std::chrono::system_clock::time_point when, const std::string& text) {
    return utcTimestamp(when) + " UTC " + text;
}

bool appendToPostingLog(const std::string& logFile, const std::string& line, std::size_t keep) {
    std::deque<std::string> lines;
    {
        platform::LineReader reader(logFile);
        std::string old;
        while (reader.isOpen() && reader.next(old)) {
            lines.push_back(std::move(old));
            if (keep && lines.size() >= keep) lines.pop_front();
        }
    }
    lines.push_back(line);
    std::string bytes;
    for (const std::string& kept : lines) bytes += kept + "\r\n";
    return platform::replaceFileContents(logFile, bytes);
}

void recordPostingStatus(const std::string& settingsFile, const std::string& lastResult,
                         const std::string& logLine) {
    // The log first: whoever sees the new LastResult finds its line there.
    appendToPostingLog(kPostingLogFile, logLine);
    platform::writeProfileString(settingsFile, kScoreReportingSection, "LastResult", lastResult);
}

}  // namespace korvan
