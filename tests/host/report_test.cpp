// korvan-host report with the real plug-in: the figures of a small log
// worked out by hand, the page's score against `score`, and the errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "host_commands.h"
#include "host_test_folder.h"
#include "log_reader.h"
#include "plugin_loader.h"
#include "report_figures.h"
#include "report_replay.h"

namespace fs = std::filesystem;
using namespace korvan::host;

namespace {

const char* const kCty =
    "Kazakhstan:               17:  30:  AS:   48.17:   -65.18:    -5.0:  UN:\n    UN,UO,UP,UQ;\n"
    "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n    DA,DL;\n"
    "European Russia:          16:  29:  EU:   53.65:   -41.37:    -4.0:  UA:\n    R,U;\n"
    "Asiatic Russia:           17:  30:  AS:   55.00:   -83.00:    -7.0:  UA9:\n    UA9,RA9;\n"
    "Italy:                    15:  28:  EU:   42.00:   -12.00:    -1.0:  I:\n    I;\n"
    "Sicily:                   15:  28:  EU:   37.50:   -14.00:    -1.0:  *IT9:\n    IT9;\n"
    "Japan:                    25:  45:  AS:   36.00:  -138.00:    -9.0:  JA:\n    JA;\n";

std::string adifRecord(const std::string& call, const std::string& time, const std::string& band,
                       const std::string& mode, const std::string& sent, const std::string& received) {
    auto field = [](const std::string& name, const std::string& value) {
        return "<" + name + ":" + std::to_string(value.size()) + ">" + value;
    };
    std::string record = field("CALL", call) + field("QSO_DATE", "20260321") + field("TIME_ON", time) +
                         field("BAND", band) + field("MODE", mode) + field("STX_STRING", sent);
    if (!received.empty()) record += field("SRX_STRING", received);
    return record + field("STATION_CALLSIGN", "UN0KVN") + "<EOR>\n";
}

// Fourteen QSOs of UN0KVN (Kazakhstan, Asia): what the plug-in makes of
// each is in the comments; the tests below check the figures worked out
// from them by hand.
std::string handCheckedLog() {
    return "hand-checked log\n<EOH>\n" +
           adifRecord("DL1AA", "1200", "20m", "CW", "001", "001") +     //  1 counted, new DL on 20m, 5 points
           adifRecord("UN7AB", "1201", "20m", "CW", "002", "A01") +     //  2 counted, new UN and A01, 2 points
           adifRecord("UN7AC", "1202", "20m", "SSB", "003", "b07") +    //  3 counted, new B07 (read as capitals)
           adifRecord("DL1AA", "1205", "20m", "CW", "004", "002") +     //  4 dupe of 1
           adifRecord("UN7AD", "1206", "20m", "CW", "005", "X99") +     //  5 bad KDA code
           adifRecord("JA1AA", "1210", "160m", "CW", "006", "007") +    //  6 wrong band
           adifRecord("JA1AB", "1211", "20m", "RTTY", "007", "008") +   //  7 wrong mode
           adifRecord("I1AA", "1220", "40m", "CW", "008", "010") +      //  8 counted, new I on 40m
           adifRecord("IT9AA", "1221", "40m", "CW", "009", "011") +     //  9 counted; the plug-in takes IT9 as I
           adifRecord("UA1AA", "1330", "40m", "SSB", "010", "020") +    // 10 counted after a 69-minute break
           adifRecord("UN7AB", "1331", "40m", "CW", "011", "A01") +     // 11 counted, new UN and A01 on 40m
           adifRecord("DL1AA", "1332", "40m", "CW", "012", "003") +     // 12 counted, new DL on 40m
           adifRecord("UA9AA", "1340", "20m", "CW", "013", "004") +     // 13 counted, new UA9 (Asia, 3 points)
           adifRecord("DL2BB", "1341", "20m", "CW", "014", "");         // 14 no exchange received
}

Qso loggedAt(int day, int hour, int minute) {
    Qso q;
    q.time = makeDateTime({2026, 3, day, hour, minute, 0});
    return q;
}

std::int64_t at(int hour, int minute) { return *qsoSecond(loggedAt(21, hour, minute)); }

class ReportTest : public HostTestFolder {
protected:
    void SetUp() override {
        HostTestFolder::SetUp();
        fs::create_directories(dir_ / "work" / "Plugins");
        write("cty.dat", kCty);
        write("hand.adi", handCheckedLog());
        // A contest start with Start set opens no setup panel.
        write("work/Plugins/Korvan.ini", "[Settings]\r\nStart=1\r\n");
    }

    // The log replayed through the plug-in as the report command does.
    void replay(const std::string& logName) {
        countries_ = CountryFile::parse(kCty, "cty.dat");
        log_ = readLogFile(path(logName));
        for (Qso& q : log_.qsos) {
            auto country = countries_.resolve(q.call);
            q.dxccPrefix = country ? country->prefix : "";
            q.continent = country ? country->continent : "";
        }
        fs::current_path(dir_ / "work");
        PluginLibrary plugin(KORVAN_PLUGIN);
        HostSession session(plugin.api());
        const Station own{"UN0KVN", "UN", "AS"};
        const DateTime start = contestSpan(log_).first;
        session.reset("./", false, own, start, start);
        bins_ = timeBinsFor(log_);
        replay_ = replayForReport(session, log_, badQsoFileName(start), sampleMoments(bins_));
        figures_ = computeFigures({log_, replay_, countries_, own, log_.header, 30}, bins_);
    }

    int run(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--plugin", KORVAN_PLUGIN, "--cty", path("cty.dat"), "--workdir", path("work")});
        out_.str("");
        err_.str("");
        return runHostCommand(args, Defaults{"no-such-plugin.so", "", ""}, out_, err_);
    }

    CountryFile countries_;
    ContactLog log_;
    TimeBins bins_;
    ReportReplay replay_;
    ReportFigures figures_;
    std::ostringstream out_, err_;
};

}  // namespace

TEST_F(ReportTest, VerdictsComeFromThePluginsAnswers) {
    replay("hand.adi");
    const ReportFigures& f = figures_;
    EXPECT_EQ(f.loggedQsos, 14u);
    EXPECT_EQ(f.countedQsos, 9u);
    ASSERT_EQ(f.problems.size(), 5u);
    struct Expected {
        std::size_t qso;
        Verdict verdict;
        const char* reason;
    };
    const Expected expected[] = {{3, Verdict::dupe, "DUPE"},
                                 {4, Verdict::badKda, "KDA Code is not acceptable"},
                                 {5, Verdict::rejected, "WRONG BAND"},
                                 {6, Verdict::rejected, "WRONG MODE"},
                                 {13, Verdict::rejected, "NO RX NUMBER"}};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(f.problems[i].qso, expected[i].qso);
        EXPECT_EQ(f.problems[i].verdict.verdict, expected[i].verdict) << i;
        EXPECT_EQ(f.problems[i].verdict.reason, expected[i].reason);
    }
    EXPECT_EQ(f.problems[0].repeats, std::optional<std::size_t>(0));
    EXPECT_FALSE(f.problems[1].repeats);
    // The plug-in stored the dupe and the bad code, and rejected the rest.
    EXPECT_TRUE(replay_.outcomes[3].stored);
    EXPECT_TRUE(replay_.outcomes[4].stored);
    EXPECT_FALSE(replay_.outcomes[5].stored);
    EXPECT_TRUE(f.mismatches.empty()) << f.mismatches.front();
}

TEST_F(ReportTest, SummaryFiguresOfTheHandCheckedLog) {
    replay("hand.adi");
    const ReportFigures& f = figures_;
    // 20m: QSOs 1, 2, 3, 13 (5 + 2 + 2 + 3 points); 40m: 8 to 12
    // (5 + 5 + 5 + 2 + 5). Score 34 x (7 + 3).
    ASSERT_EQ(f.bands, (std::vector<std::string>{"40m", "20m"}));
    EXPECT_EQ(f.totals.bands[0].qsos, 5);
    EXPECT_EQ(f.totals.bands[0].points, 22);
    EXPECT_EQ(f.totals.bands[1].points, 12);
    EXPECT_EQ(f.totals.total.dxcc, 7);
    EXPECT_EQ(f.totals.total.kda, 3);
    EXPECT_EQ(f.totals.score, 340);
    EXPECT_EQ(f.totals.scoreLine, "Score: 34 * (7 + 3) = 340");
    EXPECT_EQ(f.totals.dupes, 1);

    ASSERT_TRUE(f.active);
    EXPECT_EQ(f.active->from, at(12, 0));
    EXPECT_EQ(f.active->to, at(13, 41));
    ASSERT_EQ(f.breaks.size(), 1u);
    EXPECT_EQ(f.breaks[0].from, at(12, 21));
    EXPECT_EQ(f.breaks[0].to, at(13, 30));
    EXPECT_EQ(f.offTime, 69 * 60);
    EXPECT_EQ(f.onTime, 32 * 60);
    // Counted QSOs at 12:00, 12:01, 12:02 and 13:30, 13:31, 13:32 (13:40 is
    // not within ten minutes of 13:30): the earlier window wins the tie.
    EXPECT_EQ(f.best10.qsos, 3);
    EXPECT_EQ(f.best10.from, at(12, 0));
    EXPECT_EQ(f.best60.qsos, 5);
    EXPECT_EQ(f.best60.from, at(12, 0));
}

TEST_F(ReportTest, FiguresPerHourAndTheMultipliersThePluginCounted) {
    replay("hand.adi");
    const ReportFigures& f = figures_;
    EXPECT_EQ(f.bins.start, at(12, 0));
    EXPECT_EQ(f.bins.count, 2u);
    using Counts = std::vector<std::int64_t>;
    EXPECT_EQ(f.qsosByBand, (std::vector<Counts>{{2, 3}, {3, 1}}));  // 40m, 20m
    EXPECT_EQ(f.qsosByMode, (std::vector<Counts>{{4, 3}, {1, 1}}));  // CW, SSB
    EXPECT_EQ(f.newDxcc, (Counts{3, 4}));
    EXPECT_EQ(f.newKda, (Counts{2, 1}));
    ASSERT_FALSE(f.samples.empty());
    EXPECT_EQ(f.samples.front().qsos, 0);
    EXPECT_EQ(f.samples.back().score, 340);

    // IT9 came right after I on 40m; the plug-in's count did not grow.
    auto names = [](const std::vector<FirstWorked>& list) {
        std::string text;
        for (const FirstWorked& w : list) text += w.multiplier + "@" + std::to_string(w.qso + 1) + " ";
        return text;
    };
    EXPECT_EQ(names(f.multipliers[0].firsts), "I@8 UA@10 UN@11 A01@11 DL@12 ");
    EXPECT_EQ(names(f.multipliers[0].notNew), "IT9@9 ");
    EXPECT_EQ(names(f.multipliers[1].firsts), "DL@1 UN@2 A01@2 B07@3 UA9@13 ");
    EXPECT_EQ(f.multipliers[1].kdaAreas, (std::vector<std::string>{"A01", "B07"}));

    // Bands in time order: 20 x5, 160, 20, 40 x5, 20 x2.
    EXPECT_EQ(f.bandChangeCount, 4);
    EXPECT_EQ(f.bandChanges, (Counts{3, 1}));
    EXPECT_EQ(f.longestRun.band, "20m");
    EXPECT_EQ(f.longestRun.qsos, 5u);
    EXPECT_EQ(f.longestRun.span.to, at(12, 6));
}

TEST_F(ReportTest, StationsRankedByCountThenName) {
    replay("hand.adi");
    const ReportFigures& f = figures_;
    auto rows = [](const std::vector<RankedName>& list) {
        std::string text;
        for (const RankedName& r : list) text += r.name + "/" + r.detail + "=" + std::to_string(r.count) + "; ";
        return text;
    };
    EXPECT_EQ(rows(f.countries),
              "Kazakhstan/UN=3; Fed. Rep. of Germany/DL=2; Asiatic Russia/UA9=1; European Russia/UA=1; Italy/I=1; "
              "Sicily/IT9=1; ");
    EXPECT_EQ(rows(f.continents), "EU/=5; AS/=4; ");
    EXPECT_EQ(rows(f.kdaAreas), "A01/=2; B07/=1; ");
    EXPECT_EQ(rows(f.multiBandStations), "DL1AA/40m 20m=2; UN7AB/40m 20m=2; ");
    EXPECT_EQ(f.stationCount, 7u);
}

TEST_F(ReportTest, ThePagesScoreIsScoresAndTheFileIsReplacedWhole) {
    ASSERT_EQ(run({"score", path("hand.adi")}), 0) << err_.str();
    const std::string scored = out_.str();
    const std::string scoreLine = scored.substr(scored.find("Score:"), scored.find("\r\n", scored.find("Score:")) -
                                                                          scored.find("Score:"));
    write("page.html", "an older page");
    ASSERT_EQ(run({"report", path("hand.adi"), "--out", path("page.html")}), 0) << err_.str();
    EXPECT_EQ(out_.str(), scoreLine + "\nReport: " + path("page.html") + " (9 QSOs counted, 5 not counted)\n");
    const std::string page = read(dir_ / "page.html");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(page.find(scoreLine), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "page.html.part"));
    // Nothing to fetch and nothing to run.
    for (const char* banned : {"<script", "src=", "href=\"http", "url(", "@import"})
        EXPECT_EQ(page.find(banned), std::string::npos) << banned;
    for (const char* id : {"summary", "rates", "multipliers", "stations", "problems", "band-changes"})
        EXPECT_NE(page.find(std::string("<section id=\"") + id + "\">"), std::string::npos) << id;
}

TEST_F(ReportTest, HostileTextsFromTheLogAreEscaped) {
    // A call the page lists as a first worked multiplier, and exchanges it
    // lists as bad KDA codes.
    write("hostile.adi", "hostile\n<EOH>\n" + adifRecord("UN7AB", "1200", "20m", "CW", "001", "A01") +
                             adifRecord("<script>x</script>", "1201", "20m", "CW", "002", "002") +
                             adifRecord("UN7ZZ", "1202", "20m", "CW", "003", "\"><img onerror=x>") +
                             adifRecord("UN7AC", "1203", "20m", "CW", "004", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"));
    ASSERT_EQ(run({"report", path("hostile.adi"), "--out", path("page.html")}), 0) << err_.str();
    const std::string page = read(dir_ / "page.html");
    EXPECT_EQ(page.find("<SCRIPT"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_NE(page.find("&lt;SCRIPT&gt;X&lt;/SCRIPT&gt;"), std::string::npos);
    EXPECT_NE(page.find("&quot;&gt;&lt;img onerror=x&gt;"), std::string::npos);
    EXPECT_NE(page.find("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"), std::string::npos);
}

TEST_F(ReportTest, NothingIsWrittenWhenThereIsNothingToReportOrNoWhereToPutIt) {
    // An unwritable place is found before the plug-in starts a contest.
    EXPECT_EQ(run({"report", path("hand.adi"), "--out", path("no-such-folder/page.html")}), exitBadInput);
    EXPECT_NE(err_.str().find(path("no-such-folder/page.html") + ": cannot be written"), std::string::npos)
        << err_.str();
    EXPECT_FALSE(fs::exists(dir_ / "work" / "BadQSO_StatsKORVAN_21_03_2026.txt"));

    write("page.html", "an older page");
    // Every QSO on 160 m: the plug-in counts none.
    write("top.adi", "160m only\n<EOH>\n" + adifRecord("DL1AA", "1200", "160m", "CW", "001", "001") +
                         adifRecord("DL1AB", "1201", "160m", "CW", "002", "002"));
    EXPECT_EQ(run({"report", path("top.adi"), "--out", path("page.html")}), exitBadInput);
    EXPECT_NE(err_.str().find("holds no QSO that the plug-in counts (2 logged); no report was written"),
              std::string::npos)
        << err_.str();
    EXPECT_EQ(read(dir_ / "page.html"), "an older page");
    EXPECT_FALSE(fs::exists(dir_ / "page.html.part"));

    write("empty.adi", "no QSO\n<EOH>\n");
    EXPECT_EQ(run({"report", path("empty.adi"), "--out", path("page.html")}), exitBadInput);
    EXPECT_NE(err_.str().find("holds no QSO"), std::string::npos) << err_.str();

    EXPECT_EQ(run({"report", path("hand.adi"), "--out", path("work")}), exitBadInput);
    EXPECT_NE(err_.str().find("cannot be written: it is a folder"), std::string::npos) << err_.str();
    EXPECT_EQ(read(dir_ / "page.html"), "an older page");
}

TEST_F(ReportTest, UsageErrors) {
    EXPECT_EQ(run({"report", path("hand.adi"), "--off-time", "0"}), exitUsage);
    EXPECT_NE(err_.str().find("--off-time expects whole minutes from 1 to 10080, not \"0\""), std::string::npos);
    EXPECT_EQ(run({"report", path("hand.adi"), "--off-time", "30m"}), exitUsage);
    EXPECT_EQ(run({"report", path("hand.adi"), "--export"}), exitUsage);
    EXPECT_EQ(run({"report", path("hand.adi"), "--html", "x.html"}), exitUsage);
    EXPECT_EQ(run({"report", path("hand.adi"), path("hand.adi")}), exitUsage);
    EXPECT_NE(err_.str().find("report takes exactly one LOG"), std::string::npos);
}

TEST_F(ReportTest, OffTimeDecidesWhatIsABreak) {
    ASSERT_EQ(run({"report", path("hand.adi"), "--out", path("page.html"), "--off-time", "70"}), 0) << err_.str();
    EXPECT_NE(read(dir_ / "page.html").find("0 min in 0 breaks of at least 70 min"), std::string::npos);
    ASSERT_EQ(run({"report", path("hand.adi"), "--out", path("page.html"), "--off-time", "10"}), 0) << err_.str();
    // 12:21 to 13:30 only: the gaps of 9 minutes (12:11 to 12:20) and 8
    // (13:32 to 13:40) are shorter.
    EXPECT_NE(read(dir_ / "page.html").find("1 h 09 min in 1 break of at least 10 min"), std::string::npos);
    ASSERT_EQ(run({"report", path("hand.adi"), "--out", path("page.html"), "--off-time", "9"}), 0) << err_.str();
    EXPECT_NE(read(dir_ / "page.html").find("1 h 18 min in 2 breaks of at least 9 min"), std::string::npos);
}

TEST(ReportVerdicts, ReadFromTheBadQsoLines) {
    const std::string line = "QSO:  14000  CW  2026-03-21 1205  UN0KVN  599  004  DL1AA  599  002";
    EXPECT_EQ(verdictOf({true, {}}).verdict, Verdict::counted);
    QsoVerdict both = verdictOf({true, {line + "  X99  KDA Code is not acceptable !!!", line + "   DUPE !!!"}});
    EXPECT_EQ(both.verdict, Verdict::dupe);
    EXPECT_EQ(both.reason, "KDA Code is not acceptable; DUPE");
    QsoVerdict silent = verdictOf({false, {}});
    EXPECT_EQ(silent.verdict, Verdict::rejected);
    EXPECT_EQ(silent.reason, "rejected without a line in the bad-QSO file");
    // A line of another form is shown as it stands.
    EXPECT_EQ(verdictOf({false, {"something else"}}).reason, "something else");
}

TEST(ReportStatistics, ReadsThePluginsTextAndRefusesOthers) {
    const auto stats = readStatisticsText(
        "\t\tKorvan Contest 21.03.2026\r\n\t\t   Contestant: UN0KVN \r\n\tQSOs\tPoints\tDXCC\tKDA\tCW\tSSB\r\n"
        "40m\t 5\t 22\t 4\t 1\t 4\t 1\r\nTotal\t 5\t 22\t 4\t 1\t 4\t 1\r\nDupe\t 2\r\nBad QSO\t 3\r\n"
        "Score: 22 * (4 + 1) = 110\r\nHourly (10min) QSO rate:     5 (6) QSOs/hour\r\nLast QSO points:     5");
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->heading, "Korvan Contest 21.03.2026");
    ASSERT_EQ(stats->bands.size(), 1u);
    EXPECT_EQ(stats->bands[0].band, "40m");
    EXPECT_EQ(stats->bands[0].points, 22);
    EXPECT_EQ(stats->total.kda, 1);
    EXPECT_EQ(stats->dupes, 2);
    EXPECT_EQ(stats->badQsos, 3);
    EXPECT_EQ(stats->score, 110);
    EXPECT_FALSE(readStatisticsText("<html><body>Score: 1</body></html>"));
    EXPECT_FALSE(readStatisticsText("Total\t 1\t x\t 1\t 1\t 1\t 1\r\nScore: 1 * (1 + 0) = 1"));
    EXPECT_FALSE(readStatisticsText(""));
}

TEST(ReportTimeBins, HourBinsWidenForLongLogsAndSampleEdges) {
    ContactLog log;
    auto add = [&](int day, int hour) { log.qsos.push_back(loggedAt(day, hour, 30)); };
    add(21, 12);
    add(22, 11);
    TimeBins day = timeBinsFor(log);
    EXPECT_EQ(day.seconds, 3600);
    EXPECT_EQ(day.count, 24u);
    EXPECT_EQ(day.samplesPerBin, 6u);
    const std::vector<std::int64_t> moments = sampleMoments(day);
    ASSERT_EQ(moments.size(), 24u * 6 + 1);
    EXPECT_EQ(moments[6] - moments[0], 3600);
    EXPECT_EQ(moments.back(), day.edge(24));

    add(25, 12);  // 97 hours: 2-hour bins
    TimeBins longer = timeBinsFor(log);
    EXPECT_EQ(longer.seconds, 7200);
    EXPECT_EQ(longer.count, 49u);
    EXPECT_LE(sampleMoments(longer).size(), 241u);
    EXPECT_EQ(timeBinsFor(ContactLog{}).count, 0u);
    EXPECT_TRUE(sampleMoments(TimeBins{}).empty());
}
