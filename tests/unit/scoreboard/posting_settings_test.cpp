// The live score's settings and the status it leaves: defaults and
// fallbacks, which URLs post, what the operator reads afterwards.
#include <gtest/gtest.h>

#include <map>

#include "platform/files.h"
#include "scoreboard/posting_settings.h"
#include "scoreboard/posting_status.h"
#include "scratch_folder.h"

using namespace korvan;

namespace korvan {
namespace {

// Section "|" key -> value.
using Stored = std::map<std::string, std::string>;

SettingReader reader(const Stored& stored) {
    return [stored](const char* section, const char* key) {
        const auto it = stored.find(std::string(section) + "|" + key);
        return it == stored.end() ? std::string() : it->second;
    };
}

// Posting on to a good URL, with one key set to value.
PostingSettings settingsWith(const std::string& key, const std::string& value) {
    Stored stored{{"ScoreReporting|Enabled", "1"}, {"ScoreReporting|Url", "http://board.example/post"}};
    stored["ScoreReporting|" + key] = value;
    return parsePostingSettings(reader(stored), true);
}

TEST(PostingSettingsTest, MissingSectionMeansOffWithTheDefaults) {
    const PostingSettings settings = parsePostingSettings(reader({}), true);
    EXPECT_FALSE(settings.enabled);
    EXPECT_FALSE(settings.posting());
    EXPECT_EQ("KORVAN", settings.contest);
    EXPECT_EQ(2u, settings.intervalMinutes);
    EXPECT_EQ(PostBody::form, settings.body);
    EXPECT_EQ(10u, settings.timeoutSeconds);
    EXPECT_EQ("", settings.refusal);
}

TEST(PostingSettingsTest, MalformedValuesFallBackToTheirDefaults) {
    for (const char* enabled : {"yes", "2", "01", "true", ""})
        EXPECT_FALSE(settingsWith("Enabled", enabled).enabled) << enabled;
    for (const char* interval : {"0", "-1", "abc", "1.5", "1441", "99999999999"})
        EXPECT_EQ(2u, settingsWith("IntervalMinutes", interval).intervalMinutes) << interval;
    EXPECT_EQ(1u, settingsWith("IntervalMinutes", "1").intervalMinutes);
    EXPECT_EQ(1440u, settingsWith("IntervalMinutes", "1440").intervalMinutes);
    for (const char* timeout : {"0", "301", "ten"})
        EXPECT_EQ(10u, settingsWith("TimeoutSeconds", timeout).timeoutSeconds) << timeout;
    EXPECT_EQ(30u, settingsWith("TimeoutSeconds", "30").timeoutSeconds);
    EXPECT_EQ(PostBody::xml, settingsWith("Body", "XML").body);
    EXPECT_EQ(PostBody::form, settingsWith("Body", "json").body);
    EXPECT_EQ("KORVAN", settingsWith("Contest", "").contest);
    EXPECT_EQ("KORVAN-DX", settingsWith("Contest", "KORVAN-DX").contest);
    EXPECT_TRUE(settingsWith("Contest", "").posting());
}

TEST(PostingSettingsTest, OnlyHttpUrlsPostAndTheStatusSaysWhy) {
    for (const char* url : {"http://board.example/post", "HTTPS://board.example", "http://127.0.0.1:8080/x?k=1",
                            "https://user:pw@board.example/p", "http://[::1]:8080/"})
        EXPECT_TRUE(isHttpUrl(url)) << url;
    for (const char* url : {"ftp://board.example/", "http://", "http:///x", "http://:80/", "http://h:0/",
                            "http://h:8o/", "http://h/a b", "http://h/\r\n", "board.example/post", "mailto:x@y"})
        EXPECT_FALSE(isHttpUrl(url)) << url;

    EXPECT_EQ("Url is not an http or https address", settingsWith("Url", "ftp://board.example/").refusal);
    EXPECT_EQ("no Url is set", settingsWith("Url", "").refusal);
    EXPECT_FALSE(settingsWith("Url", "ftp://board.example/").posting());
    const PostingSettings noHttp =
        parsePostingSettings(reader({{"ScoreReporting|Enabled", "1"}, {"ScoreReporting|Url", "http://b/"}}), false);
    EXPECT_EQ("this build has no HTTP support", noHttp.refusal);
}

TEST(PostingSettingsTest, StatusUrlsKeepNoSecret) {
    EXPECT_EQ("https://board.example:8443/live/post",
              urlWithoutSecrets("https://op:pw@board.example:8443/live/post?key=S&x=1#frag"));
    EXPECT_EQ("http://board.example", urlWithoutSecrets("http://board.example?key=S"));
    EXPECT_EQ("http://board.example/a@b", urlWithoutSecrets("http://board.example/a@b#x@y"));
}

TEST(PostingSettingsTest, StationTakesTheStoredHeaderAndTheHeaderDefaults) {
    const StationDetails plain = parseStationDetails(reader({}), "KORVAN", "UN7ZZ", "UN");
    EXPECT_EQ("UN7ZZ", plain.operators);
    EXPECT_EQ("SINGLE-OP", plain.categoryOperator);
    EXPECT_EQ("HIGH", plain.categoryPower);
    EXPECT_EQ("ALL", plain.categoryBand);
    EXPECT_EQ("MIXED", plain.categoryMode);
    EXPECT_EQ("ONE", plain.categoryTransmitter);
    EXPECT_EQ("NON-ASSISTED", plain.categoryAssisted);
    EXPECT_EQ("UN", plain.dxccCountry);

    const StationDetails stored = parseStationDetails(
        reader({{"Settings|Operators", "UN7ZZ UN7YY"}, {"Settings|Category", "MULTI-OP"}, {"Settings|Power", "LOW"},
                {"Settings|Band", "20M"}, {"Settings|Club", "Steppe DX"}, {"Settings|Loc", "KR"},
                {"ScoreReporting|Club", "not this one"}}),
        "KORVAN-DX", "UN7ZZ", "UN");
    EXPECT_EQ("KORVAN-DX", stored.contest);
    EXPECT_EQ("UN7ZZ UN7YY", stored.operators);
    EXPECT_EQ("MULTI-OP", stored.categoryOperator);
    EXPECT_EQ("LOW", stored.categoryPower);
    EXPECT_EQ("20M", stored.categoryBand);
    EXPECT_EQ("Steppe DX", stored.club);
    EXPECT_EQ("KR", stored.location);
}

TEST(PostingStatusTest, OutcomesInWords) {
    using platform::HttpAnswer;
    using platform::HttpFailure;
    EXPECT_EQ("HTTP 200: Score taken", outcomeText({200, HttpFailure::none, "Score taken\r\nrank 3\n"}, 10));
    EXPECT_EQ("HTTP 204", outcomeText({204, HttpFailure::none, ""}, 10));
    EXPECT_EQ("HTTP 500: Internal Server Error", outcomeText({500, HttpFailure::none, "Internal Server Error"}, 10));
    EXPECT_EQ("HTTP 302 (a redirect, not followed: set Url to the new address)",
              outcomeText({302, HttpFailure::none, ""}, 10));
    EXPECT_EQ("HTTP 200, but the connection closed in the middle of the answer",
              outcomeText({200, HttpFailure::closedMidAnswer, "partial"}, 10));
    EXPECT_EQ("failed: no whole answer within 10 s", outcomeText({0, HttpFailure::timedOut, ""}, 10));
    EXPECT_EQ("failed: no connection to the server (refused or unreachable)",
              outcomeText({0, HttpFailure::connectionFailed, ""}, 10));
    EXPECT_EQ("failed: the server's certificate was not accepted",
              outcomeText({0, HttpFailure::certificateRejected, ""}, 10));
    EXPECT_EQ("failed: this build has no HTTP support", outcomeText({0, HttpFailure::unavailable, ""}, 10));
    // An error the platform could not sort keeps its number for the operator.
    EXPECT_EQ("failed: network error 56", outcomeText({0, HttpFailure::other, "", 56}, 10));
}

TEST(PostingStatusTest, AnswerLineIsItsFirstLineCutTo90Characters) {
    EXPECT_EQ("OK rank 3", answerFirstLine("OK\x01 rank 3\x7f\nsecond"));
    EXPECT_EQ(std::string(90, 'x'), answerFirstLine(std::string(500, 'x')));
    // 90 characters of two bytes each, never half a character.
    std::string cyrillic;
    for (int i = 0; i < 100; ++i) cyrillic += "\xD0\x96";
    EXPECT_EQ(cyrillic.substr(0, 180), answerFirstLine(cyrillic));
    EXPECT_EQ("", answerFirstLine("\r\nsecond"));
}

TEST(PostingStatusTest, LogKeepsItsLast500Lines) {
    ScratchFolder folder;
    std::string old;
    for (int i = 1; i <= 510; ++i) old += "line " + std::to_string(i) + "\r\n";
    ScratchFolder::write(folder.path() / "Plugins" / "ScoreReporting.log", old);
    ASSERT_TRUE(appendToPostingLog(kPostingLogFile, "newest"));
    std::vector<std::string> lines;
    ASSERT_TRUE(::platform::readAllLines(kPostingLogFile, lines));
    ASSERT_EQ(500u, lines.size());
    EXPECT_EQ("line 12", lines.front());
    EXPECT_EQ("newest", lines.back());
    EXPECT_EQ(0u, ScratchFolder::read(folder.path() / "Plugins" / "ScoreReporting.log").rfind("line 12\r\nline 13\r\n", 0));
}

TEST(PostingStatusTest, UnwritableLogKeepsItsOldLines) {
    ScratchFolder folder;
    ScratchFolder::write(folder.path() / "Plugins" / "ScoreReporting.log", "old\r\n");
    ::platform::setWriteFailureForTesting([](const std::string&) { return true; });
    EXPECT_FALSE(appendToPostingLog(kPostingLogFile, "new"));
    ::platform::setWriteFailureForTesting(nullptr);
    EXPECT_EQ("old\r\n", ScratchFolder::read(folder.path() / "Plugins" / "ScoreReporting.log"));
}

}  // namespace
}  // namespace korvan
