// The bytes GetResult0 hands to the host, in plain text and in HTML, and the
// score it publishes.
#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "engine/contest_state.h"
#include "engine/qso_search.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "plugin/exports.h"
#include "report/statistics_report.h"
#include "report_fixture.h"
#include "scratch_folder.h"

using namespace korvan;

namespace {

const std::string kTextHeading =
    "\t\tKorvan Contest 18.03.2017\r\n\t\t   Contestant: UA3TEST \r\n\tQSOs\tPoints\tDXCC\tKDA\tCW\tSSB\r\n";

const std::string kHtmlStart =
    "<html><head><style>table{ width:100%; }table, th, td{ border: 1px solid black; border-collapse: collapse; }"
    "th, td{ padding: 1px; text-align: middle; }th,td{ background-color: #fffac6; color: black}</style></head>"
    "<body><center><b>   Korvan Contest 18.03.2017</b></center><center>Contestant:  <b>UA3TEST</center></b><table>"
    "<tr><th> Band</th><th> QSOs</th><th> Points</th><th> DXCC</th><th> KDA</th><th> CW</th><th> SSB</th></tr>";

std::string htmlRow(const std::string& label, int a, int b, int c, int d, int e, int f) {
    std::string row = "<tr><th> <center>" + label + "</center></th>";
    for (int value : {a, b, c, d, e, f}) row += "<td><center>" + std::to_string(value) + "</center></td>";
    return row + "</tr>";
}

class ReportOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& state = contestState();
        state.ownCall = "UA3TEST";
        state.ownPrefix = "UA";
        state.ownContinent = "EU";
        state.contestDate = "18.03.2017";
        state.badQsoFileName = "BadQSO_StatsKORVAN_18_03_2017.txt";
    }
    void store(std::vector<std::string> bands, std::vector<CInfo> qsos) {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().workedBands = std::move(bands);
        clearQsos(contestState());
        for (CInfo& q : qsos) storeQso(contestState(), std::move(q));
    }
    static std::string result() { return computeAndRenderResult(); }
    static std::string claimed() {
        return platform::readProfileString(settingsFile, "Settings", "Claimed", "<absent>");
    }
    ScratchFolder folder_;
};

TEST_F(ReportOutputTest, EmptyLogInBothRenderings) {
    EXPECT_EQ(kTextHeading +
                  "Total\t 0\t 0\t 0\t 0\t 0\t 0\r\nDupe\t 0\r\nBad QSO\t 0\r\n"
                  "Score: 0 * (0 + 0) = 0\r\n"
                  "Hourly (10min) QSO rate:     0 (0) QSOs/hour\r\n"
                  "Hourly (10min) pts rate:     0 (0) pts/hour\r\n"
                  "Last QSO points:     0",
              result());
    EXPECT_EQ("0", claimed());

    extendedOutput = 1;
    EXPECT_EQ(kHtmlStart + htmlRow("Total", 0, 0, 0, 0, 0, 0) +
                  "<tr><th> <center>Dupe</center></th><td><center>0</center></td><td colspan=8> </td></tr>"
                  "<tr><th> <center>Bad QSO</center></th><td><center>0</center></td><td colspan=8> </td></tr>"
                  "<tr><th>Score:</th><td colspan=9><center>0 * (0 + 0) = 0</center></td></tr>"
                  "<tr><th>Last QSO points:</small></th><td colspan=9><center>    0</center></td></tr>"
                  "<th colspan=10><center>Rate</center></th></tr>"
                  "<tr><th> Hourly (10min/1 hour) QSO rate: </th><td colspan=9><center>    0 /0</center></td></tr>"
                  "<tr><th> Hourly (10min/1 hour) pts rate: </th><td colspan=9><center>    0 /0</center></td></tr>"
                  "</table></body></html>",
              result());
}

TEST_F(ReportOutputTest, OneCountedSsbQso) {
    store({"20m"}, {qso("W1AW", "20m", "SSB", "K", "NA")});
    EXPECT_EQ(kTextHeading +
                  "20m\t 1\t 5\t 1\t 0\t 0\t 1\r\n"
                  "Total\t 1\t 5\t 1\t 0\t 0\t 1\r\nDupe\t 0\r\nBad QSO\t 0\r\n"
                  "Score: 5 * (1 + 0) = 5\r\n"
                  "Hourly (10min) QSO rate:     1 (6) QSOs/hour\r\n"
                  "Hourly (10min) pts rate:     5 (30) pts/hour\r\n"
                  "Last QSO points:     5",
              result());
    EXPECT_EQ("5", claimed());

    extendedOutput = 1;
    EXPECT_EQ(kHtmlStart + htmlRow("20m", 1, 5, 1, 0, 0, 1) + htmlRow("Total", 1, 5, 1, 0, 0, 1) +
                  "<tr><th> <center>Dupe</center></th><td><center>0</center></td><td colspan=8> </td></tr>"
                  "<tr><th> <center>Bad QSO</center></th><td><center>0</center></td><td colspan=8> </td></tr>"
                  "<tr><th>Score:</th><td colspan=9><center>5 * (1 + 0) = 5</center></td></tr>"
                  "<tr><th>Last QSO points:</small></th><td colspan=9><center>    5</center></td></tr>"
                  "<th colspan=10><center>Rate</center></th></tr>"
                  "<tr><th> Hourly (10min/1 hour) QSO rate: </th><td colspan=9><center>    1 /6</center></td></tr>"
                  "<tr><th> Hourly (10min/1 hour) pts rate: </th><td colspan=9><center>    5 /30</center></td></tr>"
                  "</table></body></html>",
              result());
}

TEST_F(ReportOutputTest, RatesBandOrderAndBadCountsInBothRenderings) {
    // 12 QSOs on 20m within the hour before the last, 3 of them within ten
    // minutes; 40m and 10m QSOs are as recent but on other bands.
    std::vector<CInfo> qsos{qso("OLD", "20m", "CW", "K", "NA", at(10, 59, 59)),
                            qso("JA1A", "10m", "CW", "JA", "AS", at(11, 58)),
                            qso("DL9A", "40m", "CW", "DL", "EU", at(11, 59))};
    for (int i = 0; i < 9; ++i) qsos.push_back(qso("W" + std::to_string(i), "20m", "CW", "K", "NA", at(11, 5 + i)));
    qsos.push_back(qso("DL1A", "20m", "SSB", "DL", "EU", at(11, 51)));
    CInfo dupe = qso("DL1A", "20m", "SSB", "DL", "EU", at(11, 55));
    dupe.invalid = dupe.dupe = 1;
    qsos.push_back(dupe);
    CInfo bad = qso("UN7A", "20m", "CW", "UN", "AS", at(11, 56));
    bad.invalid = bad.badCode = 1;
    qsos.push_back(bad);
    qsos.push_back(qso("UN7B", "20m", "CW", "UN", "AS", at(11, 58), "A01"));
    qsos.push_back(qso("UA9A", "20m", "CW", "UA", "AS", at(12, 0)));
    store({"10m", "20m", "40m"}, qsos);
    // Header, a wrong-band line, a KDA line (counted) and a dupe line (not).
    ScratchFolder::write("BadQSO_StatsKORVAN_18_03_2017.txt",
                         "KORVAN CONTEST UBN file \r\n"
                         "QSO:  1830  CW  2017-03-18 1100  UA3TEST  599  001  G4A  599  005   WRONG BAND !!!\r\n"
                         "QSO:  14025  CW  2017-03-18 1156  UA3TEST  599  014  UN7A  599  A00  A00  KDA Code is not "
                         "acceptable !!!\r\n"
                         "QSO:  14025  SSB  2017-03-18 1155  UA3TEST  59  013  DL1A  59  011   DUPE !!!\r\n");

    // 20m: 9 x 5 + 3 + 10 + 2 + 5 (OLD, outside the hour) = 65 points,
    // DXCC K, DL, UN, UA; the hour: 12 QSOs, 60 points; ten minutes: DL1A,
    // UN7B, UA9A = 3 QSOs, 15 points.
    const std::string text = result();
    EXPECT_EQ(kTextHeading +
                  "40m\t 1\t 3\t 1\t 0\t 1\t 0\r\n"
                  "20m\t 13\t 65\t 4\t 1\t 12\t 1\r\n"
                  "10m\t 1\t 5\t 1\t 0\t 1\t 0\r\n"
                  "Total\t 15\t 73\t 6\t 1\t 14\t 1\r\nDupe\t 1\r\nBad QSO\t 1\r\n"
                  "Score: 73 * (6 + 1) = 511\r\n"
                  "Hourly (10min) QSO rate:    12 (18) QSOs/hour\r\n"
                  "Hourly (10min) pts rate:    60 (90) pts/hour\r\n"
                  "Last QSO points:     2",
              text);

    extendedOutput = 1;
    const std::string html = result();
    EXPECT_NE(std::string::npos, html.find(htmlRow("40m", 1, 3, 1, 0, 1, 0) + htmlRow("20m", 13, 65, 4, 1, 12, 1) +
                                           htmlRow("10m", 1, 5, 1, 0, 1, 0) + htmlRow("Total", 15, 73, 6, 1, 14, 1)));
    // The HTML counts the lines of the bad-QSO file, the text the flags.
    EXPECT_NE(std::string::npos,
              html.find("<tr><th> <center>Bad QSO</center></th><td><center>2</center></td><td colspan=8> </td></tr>"));
    EXPECT_NE(std::string::npos, html.find("<center>73 * (6 + 1) = 511</center>"));
    EXPECT_NE(std::string::npos, html.find("QSO rate: </th><td colspan=9><center>   12 /18</center>"));
    EXPECT_NE(std::string::npos, html.find("pts rate: </th><td colspan=9><center>   60 /90</center>"));
    EXPECT_NE(std::string::npos, html.find("<center>    2</center>"));
    EXPECT_EQ("511", claimed());
    std::lock_guard<std::mutex> guard(stateLock());
    EXPECT_EQ((std::vector<std::string>{"40m", "20m", "10m"}), contestState().workedBands);
}

TEST_F(ReportOutputTest, ScoreBeyondThirtyTwoBitsIsPrintedAndStoredWhole) {
    std::vector<CInfo> qsos;
    for (int i = 0; i < 30000; ++i) qsos.push_back(qso("K" + std::to_string(i), "20m", "CW", "P" + std::to_string(i), "NA"));
    store({"20m"}, std::move(qsos));
    EXPECT_NE(std::string::npos, result().find("\r\nScore: 150000 * (30000 + 0) = 4500000000\r\n"));
    EXPECT_EQ("4500000000", claimed());
    {
        std::lock_guard<std::mutex> guard(stateLock());
        EXPECT_EQ(std::int64_t{4500000000}, contestState().claimedScore);
    }
    extendedOutput = 1;
    EXPECT_NE(std::string::npos, result().find("<center>150000 * (30000 + 0) = 4500000000</center>"));
}

TEST_F(ReportOutputTest, LongTextsAndPercentSignsAreCopiedAsTheyAre) {
    const std::string band(300, 'x');
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().ownCall = "UA3%s%n%d";
    }
    store({band}, {});
    const std::string text = result();
    EXPECT_NE(std::string::npos, text.find("\t\t   Contestant: UA3%s%n%d \r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\n" + band + "\t 0\t 0\t 0\t 0\t 0\t 0\r\nTotal"));
    extendedOutput = 1;
    EXPECT_NE(std::string::npos, result().find(htmlRow(band, 0, 0, 0, 0, 0, 0) + htmlRow("Total", 0, 0, 0, 0, 0, 0)));
}

// The settings file is rewritten only when the value changed since this
// process wrote it, or the file changed since (here: the key edited).
TEST_F(ReportOutputTest, ClaimedIsWrittenWhenTheValueOrTheFileChanged) {
    store({"20m"}, {qso("W1AW", "20m", "SSB", "K", "NA")});
    result();
    EXPECT_EQ("5", claimed());
    const platform::FileStamp written = platform::fileStamp(settingsFile);
    ASSERT_TRUE(written.exists);
    result();
    EXPECT_EQ(written, platform::fileStamp(settingsFile));  // not written again

    ASSERT_TRUE(platform::writeProfileString(settingsFile, "Settings", "Claimed", "17"));
    result();
    EXPECT_EQ("5", claimed());
    store({"20m"}, {qso("W1AW", "20m", "SSB", "K", "NA"), qso("W2AW", "20m", "SSB", "K", "NA")});
    result();
    EXPECT_EQ("10", claimed());
}

TEST_F(ReportOutputTest, ThroughTheExportedFunctions) {
    store({"20m"}, {qso("W1AW", "20m", "SSB", "K", "NA")});
    int status = 0;
    const char* text = GetResult0(&status);
    EXPECT_EQ(-1, status);
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(0, std::string(text).rfind("\t\tKorvan Contest", 0));
    // setVersion switches to HTML for every later call; the contest content
    // may change in between.
    setVersion("Vexa 2.0");
    status = 0;
    EXPECT_EQ(0, std::string(GetResult0(&status)).rfind("<html>", 0));
    EXPECT_EQ(-1, status);
    store({}, {});
    EXPECT_EQ(0, std::string(GetResult0(nullptr)).rfind("<html>", 0));
}

}  // namespace
