// The scoreboard document: the statistics' figures in it, hostile texts
// kept as text, its form encoding, its timestamp.
#include <gtest/gtest.h>

#include <algorithm>

#include "scoreboard/score_document.h"

using namespace korvan;

namespace korvan {
namespace {

report::Statistics twoBands() {
    report::Statistics stats;
    report::BandRow eighty;
    eighty.band = "80m";
    eighty.qsos = 12;
    eighty.points = 40;
    eighty.dxcc = 3;
    eighty.kda = 5;
    report::BandRow twenty;
    twenty.band = "20m";
    twenty.qsos = 7;
    twenty.points = 35;
    twenty.dxcc = 6;
    twenty.kda = 0;
    stats.rows = {eighty, twenty};
    stats.totals.qsos = 19;
    stats.totals.points = 75;
    stats.totals.dxcc = 9;
    stats.totals.kda = 5;
    stats.totals.score = 75 * 14;
    return stats;
}

// 2024-05-01 12:34:56 UTC.
const std::chrono::system_clock::time_point kTaken{std::chrono::seconds(1714566896)};

StationDetails plainStation() {
    StationDetails station;
    station.contest = "KORVAN";
    station.call = "UN7ZZ";
    station.operators = "UN7ZZ UN7YY";
    station.categoryOperator = "MULTI-OP";
    station.categoryMode = "MIXED";
    station.categoryPower = "LOW";
    station.categoryBand = "ALL";
    station.categoryTransmitter = "ONE";
    station.categoryAssisted = "NON-ASSISTED";
    station.club = "Steppe DX";
    station.dxccCountry = "UN";
    station.location = "KR";
    return station;
}

TEST(ScoreDocumentTest, CarriesEveryFigureOfTheStatistics) {
    EXPECT_EQ(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<dynamicresults>\n"
        "<contest>KORVAN</contest>\n"
        "<call>UN7ZZ</call>\n"
        "<ops>UN7ZZ UN7YY</ops>\n"
        "<class ops=\"MULTI-OP\" mode=\"MIXED\" power=\"LOW\" bands=\"ALL\" transmitter=\"ONE\" "
        "assisted=\"NON-ASSISTED\"></class>\n"
        "<club>Steppe DX</club>\n"
        "<soft>Korvan contest statistics</soft>\n"
        "<version>" KORVAN_TEST_VERSION "</version>\n"
        "<qth>\n<dxcccountry>UN</dxcccountry>\n<stprvoth>KR</stprvoth>\n</qth>\n"
        "<breakdown>\n"
        "<qso band=\"80\" mode=\"ALL\">12</qso>\n<mult band=\"80\" mode=\"ALL\">8</mult>\n"
        "<point band=\"80\" mode=\"ALL\">40</point>\n"
        "<qso band=\"20\" mode=\"ALL\">7</qso>\n<mult band=\"20\" mode=\"ALL\">6</mult>\n"
        "<point band=\"20\" mode=\"ALL\">35</point>\n"
        "<qso band=\"total\" mode=\"ALL\">19</qso>\n<mult band=\"total\" mode=\"ALL\">14</mult>\n"
        "<point band=\"total\" mode=\"ALL\">75</point>\n"
        "</breakdown>\n"
        "<score>1050</score>\n"
        "<timestamp>2024-05-01 12:34:56</timestamp>\n"
        "</dynamicresults>\n",
        scoreDocument(plainStation(), snapshotOf(twoBands(), kTaken)));
}

TEST(ScoreDocumentTest, BandsAreNamedByTheirMetresAndOtherTextsStay) {
    report::Statistics stats;
    for (const char* band : {"160m", "80M", "2m", "70cm", "m", "x20m"}) {
        report::BandRow row;
        row.band = band;
        stats.rows.push_back(row);
    }
    const ScoreSnapshot snapshot = snapshotOf(stats, kTaken);
    std::vector<std::string> names;
    for (const BandFigures& band : snapshot.bands) names.push_back(band.band);
    EXPECT_EQ((std::vector<std::string>{"160", "80", "2", "70cm", "m", "x20m"}), names);
}

TEST(ScoreDocumentTest, LargeScoresKeepTheir64Bits) {
    report::Statistics stats;
    stats.totals.score = 9000000000000LL;
    EXPECT_NE(std::string::npos,
              scoreDocument(plainStation(), snapshotOf(stats, kTaken)).find("<score>9000000000000</score>"));
}

TEST(ScoreDocumentTest, HostileTextsStayText) {
    EXPECT_EQ("UN&lt;7&gt; &amp; &quot;A&quot; &apos;B&apos;", xmlText("UN<7> & \"A\" 'B'"));
    // Control characters (CR LF, tab, DEL, the C1 control U+0085) go.
    EXPECT_EQ("AB&lt;/call&gt;C", xmlText("A\r\nB\t\x7f</call>\xC2\x85" "C"));
    // Bytes that are no UTF-8 character go; characters stay.
    EXPECT_EQ("Ab\xD0\x96" "c\xE2\x82\xAC", xmlText("A\xFF" "b\xD0\x96\xC0\xAF" "c\xED\xA0\x80\xE2\x82\xAC\xE2\x82"));

    StationDetails hostile = plainStation();
    hostile.call = "UN7ZZ</call><score>1</score>";
    hostile.categoryPower = "LOW\" assisted=\"ASSISTED";
    hostile.club = "R&D <club>\r\n";
    const std::string document = scoreDocument(hostile, snapshotOf(twoBands(), kTaken));
    EXPECT_NE(std::string::npos, document.find("<call>UN7ZZ&lt;/call&gt;&lt;score&gt;1&lt;/score&gt;</call>\n"));
    EXPECT_NE(std::string::npos, document.find("power=\"LOW&quot; assisted=&quot;ASSISTED\""));
    EXPECT_NE(std::string::npos, document.find("<club>R&amp;D &lt;club&gt;</club>\n"));
    EXPECT_EQ(0, std::count(document.begin(), document.end(), '\r'));
}

TEST(ScoreDocumentTest, FormBodyEncodesEveryByteOutsideTheUnreservedOnes) {
    EXPECT_EQ("xml=a+b%26c%3D%3Cd%3E%0A%25%2B%C3%A9-_.*", formBody("a b&c=<d>\n%+\xC3\xA9-_.*"));
}

TEST(ScoreDocumentTest, TimestampIsUtcCalendarTime) {
    using std::chrono::seconds;
    using std::chrono::system_clock;
    EXPECT_EQ("1970-01-01 00:00:00", utcTimestamp(system_clock::time_point(seconds(0))));
    EXPECT_EQ("2024-02-29 23:59:59", utcTimestamp(system_clock::time_point(seconds(1709251199))));
    // Parts of a second are cut, never rounded up.
    EXPECT_EQ("2024-05-01 12:34:56", utcTimestamp(kTaken + std::chrono::milliseconds(999)));
}

}  // namespace
}  // namespace korvan
