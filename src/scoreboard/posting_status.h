#pragma once
// What the operator sees of the posts: the outcome of the last attempt
// under "LastResult" in section "ScoreReporting", and a log of every
// attempt, "Plugins\ScoreReporting.log", that keeps its last 500 lines.
// Nothing secret goes there: URLs are written without user name,
// password, query and fragment.
#include <chrono>
#include <cstddef>
#include <string>

#include "platform/http_post.h"

namespace korvan {

inline constexpr const char* kPostingLogFile = "Plugins\\ScoreReporting.log";
inline constexpr std::size_t kPostingLogLines = 500;
inline constexpr std::size_t kAnswerLineLength = 90;

// The first line of a server's answer: up to its first line break, control
// characters dropped, cut to 90 characters (never inside a UTF-8 character).
std::string answerFirstLine(const std::string& body);

// The outcome in words: "HTTP 200: <first line>", "HTTP 500: ...",
// "failed: no answer within 10 s", ...
std::string outcomeText(const platform::HttpAnswer& answer, unsigned timeoutSeconds);

// "yyyy-mm-dd hh:mm:ss UTC " and the text.
std::string statusLine(std::chrono::system_clock::time_point when, const std::string& text);

// Adds one line (CR LF) to the log, which keeps its last `keep` lines; the
// file is replaced whole, so a failure leaves the old log. false then.
bool appendToPostingLog(const std::string& logFile, const std::string& line, std::size_t keep = kPostingLogLines);

// Adds the log line and writes the status under LastResult of the
// settings file. Failures are ignored: the status is for the operator's eyes only.
void recordPostingStatus(const std::string& settingsFile, const std::string& lastResult,
                         const std::string& logLine);

}  // namespace korvan
