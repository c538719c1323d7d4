// korvan-host end to end against a stand-in plug-in that journals the
// arguments of every call, so the argument positions can be checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "command_line.h"
#include "header_preset.h"
#include "host_commands.h"
#include "post_command.h"
#include "host_test_folder.h"

namespace fs = std::filesystem;
using namespace korvan::host;

namespace {

const char* const kCty =
    "Kazakhstan:               17:  30:  AS:   48.17:   -65.18:    -5.0:  UN:\n"
    "    UN,UO,UP,UQ;\n"
    "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
    "    DA,DL;\n"
    "European Russia:          16:  29:  EU:   53.65:   -41.37:    -4.0:  UA:\n"
    "    R,U;\n";

const char* const kAdif =
    "test log\n<EOH>\n"
    "<CALL:6>UN7ABC<BAND:3>20m<FREQ:6>14.025<MODE:2>CW<QSO_DATE:8>20260321<TIME_ON:6>120030"
    "<RST_SENT:3>599<RST_RCVD:3>579<STX_STRING:3>001<SRX_STRING:3>a01<STATION_CALLSIGN:6>RU9KVN<EOR>\n"
    "<CALL:5>DL1AB<FREQ:5>3.799<MODE:3>SSB<QSO_DATE:8>20260322<TIME_ON:4>1159"
    "<RST_SENT:2>59<RST_RCVD:2>59<STX_STRING:3>002<SRX_STRING:3>017<EOR>\n";

class HostCommandTest : public HostTestFolder {
protected:
    void SetUp() override {
        HostTestFolder::SetUp();
        write("cty.dat", kCty);
        write("log.adi", kAdif);
        write("kda.dom", "UN7ABC  A01\n");
    }

    int run(std::vector<std::string> args, bool withDefaults = true) {
        if (withDefaults) {
            // Before the test's own options, so that those win.
            args.insert(args.begin() + 1, {"--plugin", KORVAN_FAKE_PLUGIN, "--cty", path("cty.dat"), "--workdir",
                                     path("work")});
        }
        out_.str("");
        err_.str("");
        return runHostCommand(args, Defaults{"no-such-plugin.so", "", ""}, out_, err_);
    }

    std::ostringstream out_, err_;
};

}  // namespace

TEST_F(HostCommandTest, ScoreFillsTheArgumentPositionsAHostFills) {
    ASSERT_EQ(run({"score", path("log.adi"), "--kda", path("kda.dom")}), 0) << err_.str();
    // 2026-03-21 12:00:30 is day 46102.500347: both contest date-times are
    // the contest's start, the first QSO.
    EXPECT_EQ(out_.str(),
              "reset folder=./ export=0 own=RU9KVN first=46102.500347/0 second=46102.500347/0 pfx=UA cont=EU\n"
              "add own=RU9KVN call=UN7ABC time=46102.500347/0 freq=14025000 mode=CW rsts=599 rstr=579 xs=001 "
              "xr=a01 pfx=UN cont=AS band=20m\n"
              "add own=RU9KVN call=DL1AB time=46103.499306/0 freq=3799000 mode=SSB rsts=59 rstr=59 xs=002 xr=017 "
              "pfx=DL cont=EU band=80m\n");
    EXPECT_EQ(read(dir_ / "work" / "Plugins" / "kda.dom"), "UN7ABC  A01\n");
    EXPECT_EQ(err_.str(), "");
}

TEST_F(HostCommandTest, StationOverridesExportAndHtml) {
    ASSERT_EQ(run({"score", path("log.adi"), "--call", "un0kvn", "--prefix", "UN", "--continent", "as", "--export",
                   "--html", path("stats.html")}),
              0)
        << err_.str();
    EXPECT_EQ(out_.str(), "");
    std::string html = read(dir_ / "stats.html");
    EXPECT_EQ(html.rfind("<html>reset folder=./ export=1 own=UN0KVN ", 0), 0u) << html;
    EXPECT_NE(html.find("pfx=UN cont=AS\n"), std::string::npos);
    EXPECT_NE(html.find("add own=RU9KVN call=UN7ABC"), std::string::npos);  // each QSO keeps its logged own call
}

// A script runs "korvan-host score --export ... && submit UN0KVN.cbr": an
// export that wrote no log must not let it send the stale one.
TEST_F(HostCommandTest, AnExportThatProducesNoLogExitsWithSix) {
    ASSERT_EQ(run({"score", path("log.adi"), "--call", "UN0KVN", "--export"}), 0) << err_.str();
    EXPECT_TRUE(fs::exists(dir_ / "work" / "UN0KVN.cbr"));
    fs::remove(dir_ / "work" / "UN0KVN.cbr");
    fs::create_directory(dir_ / "work" / "UN0KVN.cbr");  // the plug-in cannot write it
    EXPECT_EQ(run({"score", path("log.adi"), "--call", "UN0KVN", "--export"}), 6);
    EXPECT_EQ(err_.str(), "korvan-host: the export run produced no Cabrillo log; an old one is left as it was\n");
    EXPECT_EQ(run({"score", path("log.adi"), "--call", "UN0KVN"}), 0);  // no export asked for
}

TEST_F(HostCommandTest, CheckAsksAboutTheCallAfterTheReplay) {
    ASSERT_EQ(run({"check", "un7abc", "--band", "20M", "--mode", "cw", path("log.adi")}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "UN7ABC 20m CW: new KDA area (2)\nKDA code: K07\n");
}

TEST_F(HostCommandTest, RemoveHandsTheLoggedQsoBack) {
    ASSERT_EQ(run({"remove", path("log.adi"), "--call", "UN7ABC", "--band", "20m", "--mode", "CW", "--time",
                   "2026-03-21 1200"}),
              0)
        << err_.str();
    // The logged time to the second, so the plug-in finds its stored QSO.
    EXPECT_NE(out_.str().find("remove own=RU9KVN call=UN7ABC time=46102.500347/0 freq=14025000 mode=CW"),
              std::string::npos)
        << out_.str();

    // A QSO that is not in the log is an error; the plug-in is not asked.
    ASSERT_EQ(run({"remove", path("log.adi"), "--call", "UN7ABC", "--band", "40m", "--mode", "CW", "--time",
                   "2026-03-21 1200"}),
              1);
    EXPECT_EQ(err_.str(), "korvan-host: " + path("log.adi") +
                              ": has no QSO with UN7ABC on 40m in CW at 2026-03-21 1200; nothing was removed\n");
    EXPECT_EQ(out_.str(), "");
}

TEST_F(HostCommandTest, ExitCodesTellFailuresApart) {
    write("bad.adi", "<EOH>\n<CALL:4>K1AA<EOR>\n");
    EXPECT_EQ(run({"score", path("bad.adi")}), 1);
    EXPECT_EQ(err_.str(), path("bad.adi") + ":2: expected QSO_DATE as YYYYMMDD, found \"\"\n" + "korvan-host: " +
                              path("bad.adi") + ": 1 malformed record; nothing was replayed\n");
    EXPECT_EQ(run({"score", path("missing.adi")}), 1);
    EXPECT_EQ(run({"score", path("log.adi"), "--kda", path("missing.dom")}), 1);
    EXPECT_EQ(run({"score", path("log.adi"), "--cty", path("missing.dat")}), 1);
    // Without --cty: every place looked in is named.
    err_.str("");
    EXPECT_EQ(runHostCommand({"score", path("log.adi"), "--plugin", KORVAN_FAKE_PLUGIN},
                             Defaults{"no-such-plugin.so", "", path("no-system-cty.dat")}, out_, err_),
              1);
    EXPECT_NE(err_.str().find("cty.dat: no country file found (tried \""), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find("cty.dat\", \"" + path("no-system-cty.dat") + "\"); give one with --cty FILE\n"),
              std::string::npos)
        << err_.str();

    EXPECT_EQ(run({"score", path("log.adi"), "--plugin", path("cty.dat")}), 3);  // not a library
    EXPECT_NE(err_.str().find("cannot load the plug-in"), std::string::npos);

    EXPECT_EQ(run({"score"}), 2);
    EXPECT_EQ(run({"frobnicate", path("log.adi")}), 2);
    EXPECT_EQ(run({"score", path("log.adi"), "--bogus"}), 2);
    EXPECT_EQ(run({"check", "UN7ABC", path("log.adi"), "--mode", "CW"}), 2);
    EXPECT_EQ(run({"remove", path("log.adi"), "--call", "UN7ABC", "--band", "20m", "--mode", "CW", "--time",
                   "yesterday"}),
              2);
    EXPECT_EQ(run({"--help"}, false), 0);
}

TEST_F(HostCommandTest, UnknownBandsAreReportedAndStillReplayed) {
    write("odd.cbr",
          "START-OF-LOG: 3.0\r\nCALLSIGN: RU9KVN\r\n"
          "QSO: 7350 CW 2026-03-21 1203 RU9KVN 599 001 DL1AB 599 015\r\n"
          "QSO: 1830 RY 2026-03-21 1204 RU9KVN 599 002 UN7ABC 599 A01\r\nEND-OF-LOG:\r\n");
    ASSERT_EQ(run({"score", path("odd.cbr")}), 0);
    EXPECT_EQ(err_.str(), path("odd.cbr") + ":3: unknown band: 7350 kHz lies in no amateur band\n");
    EXPECT_NE(out_.str().find("call=DL1AB time=46102.502083/0 freq=7350000 mode=CW rsts=599 rstr=599 xs=001 "
                              "xr=015 pfx=DL cont=EU band=\n"),
              std::string::npos)
        << out_.str();
    EXPECT_NE(out_.str().find("freq=1830000 mode=RY"), std::string::npos);
}

TEST_F(HostCommandTest, KdaDirectoryIsReplacedOnEveryRun) {
    ASSERT_EQ(run({"score", path("log.adi"), "--kda", path("kda.dom")}), 0) << err_.str();
    write("kda2.dom", "UN7ABC  B02\n");
    ASSERT_EQ(run({"score", path("log.adi"), "--kda", path("kda2.dom")}), 0) << err_.str();
    EXPECT_EQ(read(dir_ / "work" / "Plugins" / "kda.dom"), "UN7ABC  B02\n");
}

// What the plug-in exports comes from the fields handed to it: a contact
// logged by band only, or without reports, gets what a logger fills in.
TEST_F(HostCommandTest, ExportedFieldsGetTheLoggersDefaults) {
    write("bare.adi",
          "<EOH>\n<CALL:6>UN7ABC<BAND:3>20m<MODE:2>CW<QSO_DATE:8>20260321<TIME_ON:4>1200<STATION_CALLSIGN:6>RU9KVN"
          "<STX:3>001<SRX:3>A01<EOR>\n"
          "<CALL:5>DL1AB<BAND:3>40M<MODE:2>PH<QSO_DATE:8>20260321<TIME_ON:4>1201<STX:3>002<SRX:3>017<EOR>\n");
    ASSERT_EQ(run({"score", path("bare.adi"), "--export"}), 0) << err_.str();
    EXPECT_NE(out_.str().find("call=UN7ABC time=46102.500000/0 freq=14000000 mode=CW rsts=599 rstr=599 "),
              std::string::npos)
        << out_.str();
    EXPECT_NE(out_.str().find("call=DL1AB time=46102.500694/0 freq=7000000 mode=SSB rsts=59 rstr=59 "),
              std::string::npos);
    EXPECT_EQ(err_.str(), "");
}

TEST_F(HostCommandTest, HeaderPresetAnswersTheHeadlessEditor) {
    write("log.cbr",
          "START-OF-LOG: 3.0\r\nCALLSIGN: RU9KVN\r\nCATEGORY-POWER: QRP\r\nCATEGORY-OPERATOR: MULTI-ONE\r\n"
          "NAME: Ivan\r\nSOAPBOX: first\r\nSOAPBOX: second\r\nE-MAIL: ru9kvn@example.org\r\n"
          "QSO: 14025 CW 2026-03-21 1203 RU9KVN 599 001 UN7ABC 599 A01\r\nEND-OF-LOG:\r\n");
    write("header.txt", "# the entry\ncategory-power: low\nCATEGORY-TRANSMITTER: TWO\nCLUB: Steppe DX\n");
    ASSERT_EQ(run({"score", path("log.cbr"), "--export", "--header", path("header.txt")}), 0) << err_.str();
    // The log's lines are carried over, --header wins; ids are the editor's controls.
    EXPECT_NE(out_.str().find("editor 1123=LOW|1122=TWO|1007=Ivan|1004=ru9kvn@example.org|1005=Steppe DX|"
                              "1001=firstRNsecond\n"),
              std::string::npos)
        << out_.str();
    EXPECT_EQ(err_.str(), path("log.cbr") +
                              ": CATEGORY-OPERATOR: \"MULTI-ONE\" is not one of SINGLE-OP, MULTI-OP, CHECKLOG; not "
                              "carried over to the export\n");
    EXPECT_EQ(korvan_host_modal_answer(101, nullptr, 0), 0u);  // the editor's answer is only for the run

    write("header.txt", "POWER: LOW\n");
    EXPECT_EQ(run({"score", path("log.cbr"), "--export", "--header", path("header.txt")}), 1);
    EXPECT_NE(err_.str().find(":1: unknown tag \"POWER\"; the header editor holds CATEGORY-OPERATOR, CATEGORY-POWER, "
                              "CATEGORY-BAND, CATEGORY-MODE, CATEGORY-TRANSMITTER, NAME, ADDRESS, EMAIL, CLUB, "
                              "OPERATORS, SOAPBOX"),
              std::string::npos)
        << err_.str();
    write("header.txt", "\nCATEGORY-BAND: 160M\n");
    EXPECT_EQ(run({"score", path("log.cbr"), "--export", "--header", path("header.txt")}), 1);
    EXPECT_NE(err_.str().find(":2: CATEGORY-BAND: \"160M\" is not one of ALL, 80M, 40M, 20M, 15M, 10M"),
              std::string::npos);
}

TEST_F(HostCommandTest, EveryMalformedRecordIsListedBeforeAnythingIsReplayed) {
    std::string text = "<EOH>\n";
    for (int i = 0; i < 25; ++i) text += "<CALL:4>K1AA<MODE:2>CW<BAND:3>20m<QSO_DATE:8>2026032x<TIME_ON:4>0000<EOR>\n";
    write("bad.adi", text);
    EXPECT_EQ(run({"score", path("bad.adi")}), 1);
    EXPECT_EQ(out_.str(), "");  // no reset, no QSO
    std::istringstream lines(err_.str());
    std::vector<std::string> said;
    for (std::string line; std::getline(lines, line);) said.push_back(line);
    ASSERT_EQ(said.size(), 22u) << err_.str();
    EXPECT_EQ(said[19], path("bad.adi") + ":21: expected QSO_DATE as YYYYMMDD, found \"2026032x\"");
    EXPECT_EQ(said[20], path("bad.adi") + ": 5 more malformed records");
    EXPECT_EQ(said[21], "korvan-host: " + path("bad.adi") + ": 25 malformed records; nothing was replayed");

    write("empty.adi", "header only\n<EOH>\n");
    EXPECT_EQ(run({"score", path("empty.adi")}), 1);
    EXPECT_EQ(err_.str(), "korvan-host: " + path("empty.adi") + ": holds no QSO; there is nothing to score\n");
}

TEST_F(HostCommandTest, WarningsAreSummarisedByKind) {
    std::string text = "<EOH>\n";
    for (int i = 0; i < 5; ++i)
        text += "<CALL:4>XX1X<MODE:4>QQQQ<BAND:3>20m<QSO_DATE:8>20260321<TIME_ON:4>000" + std::to_string(i) +
                "<STATION_CALLSIGN:6>RU9KVN<CONTEST_ID:9>CQ-WW-SSB<EOR>\n";
    write("odd.adi", text);
    ASSERT_EQ(run({"score", path("odd.adi")}), 0) << err_.str();
    const std::string f = path("odd.adi");
    EXPECT_EQ(err_.str(), f + ": this is a log of the contest \"CQ-WW-SSB\", not of the Korvan contest; it is scored "
                              "all the same\n" +
                              f + ":2: unknown mode \"QQQQ\"\n" + f + ":3: unknown mode \"QQQQ\"\n" + f +
                              ":4: unknown mode \"QQQQ\"\n" + f + ":2: no country found for XX1X\n" + f +
                              ": 2 more warnings of the kind \"unknown mode\" (--verbose shows them all)\n");
    ASSERT_EQ(run({"score", path("odd.adi"), "--verbose"}), 0);
    EXPECT_NE(err_.str().find(f + ":6: unknown mode \"QQQQ\"\n"), std::string::npos);
    EXPECT_EQ(err_.str().find("more warnings"), std::string::npos);
}

TEST_F(HostCommandTest, LogFromStandardInputAndFormatFromContent) {
    std::istringstream input(kAdif);
    std::streambuf* saved = std::cin.rdbuf(input.rdbuf());
    int code = run({"score", "-"});
    std::cin.rdbuf(saved);
    ASSERT_EQ(code, 0) << err_.str();
    EXPECT_NE(out_.str().find("call=DL1AB"), std::string::npos);

    write("cabrillo.adi", "START-OF-LOG: 3.0\nQSO: 14025 CW 2026-03-21 1203 RU9KVN 599 001 UN7ABC 599 A01\n");
    ASSERT_EQ(run({"score", path("cabrillo.adi")}), 0) << err_.str();
    EXPECT_EQ(err_.str(), path("cabrillo.adi") + ": this looks like a Cabrillo log; read as one\n");
}

TEST_F(HostCommandTest, InputIsBoundedAndQuotedShort) {
    // A file that never ends is read up to the bound, not until memory runs out.
    EXPECT_EQ(run({"score", "/dev/zero"}), 1);
    EXPECT_EQ(err_.str(), "korvan-host: /dev/zero: log too large: more than 64 MiB\n");
    const std::string band(1000, 'x');
    EXPECT_EQ(run({"check", "UN7ABC", "--band", band, "--mode", "CW", path("log.adi")}), 2);
    EXPECT_EQ(err_.str(), "korvan-host: --band expects an amateur band such as 20m, not \"" + band.substr(0, 80) +
                              "...\" (see korvan-host --help)\n");
}

TEST_F(HostCommandTest, MessagesGiveTheSystemsReasonAndEscapeBinaryBytes) {
    EXPECT_EQ(run({"score", path("missing.adi")}), 1);
    EXPECT_EQ(err_.str(), "korvan-host: " + path("missing.adi") +
                              ": cannot be opened for reading: No such file or directory\n");
    write("binary.cbr", "START-OF-LOG: 3.0\nQSO: 14\xff\x02 CW 2026-03-21 1203 RU9KVN 599 001 UN7ABC 599 A01\n");
    EXPECT_EQ(run({"score", path("binary.cbr")}), 1);
    EXPECT_NE(err_.str().find(":2: the line holds the control character \\x02"), std::string::npos) << err_.str();
    write("binary.cbr", "START-OF-LOG: 3.0\nQSO: 14\xff CW 2026-03-21 1203 RU9KVN 599 001 UN7ABC 599 A01\n");
    EXPECT_EQ(run({"score", path("binary.cbr")}), 1);
    EXPECT_NE(err_.str().find("found \"14\\xFF\""), std::string::npos) << err_.str();
}

TEST_F(HostCommandTest, UsageErrorsAreOneLine) {
    EXPECT_EQ(run({"score", "-x", path("log.adi")}), 2);
    EXPECT_EQ(err_.str(), "korvan-host: unknown option -x (see korvan-host --help)\n");
    // check validates band and mode as the readers do, with the same mode table.
    EXPECT_EQ(run({"check", "UN7ABC", "--band", "11m", "--mode", "CW", path("log.adi")}), 2);
    EXPECT_EQ(err_.str(), "korvan-host: --band expects an amateur band such as 20m, not \"11m\" (see korvan-host --help)\n");
    EXPECT_EQ(run({"check", "UN7ABC", "--band", "20m", "--mode", "XYZ", path("log.adi")}), 2);
    ASSERT_EQ(run({"check", "UN7ABC", "--band", "20m", "--mode", "ph", path("log.adi")}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "UN7ABC 20m SSB: new KDA area (2)\nKDA code: K07\n");
}

TEST_F(HostCommandTest, UnwritableStandardOutputIsAnError) {
    std::ostringstream full;
    full.setstate(std::ios::badbit);  // as a stream over /dev/full ends up
    EXPECT_EQ(runHostCommand({"--help"}, Defaults{}, full, err_), 1);
    EXPECT_EQ(err_.str().rfind("korvan-host: cannot write the standard output", 0), 0u) << err_.str();
}

TEST(CommandLine, OptionsInAnyOrderWithOrWithoutEquals) {
    Options o = parseCommandLine({"remove", "--band=20m", "log.adi", "--call", "K1AA", "--mode", "CW", "--time",
                                  "2026-03-21 0942", "--own-call", "UN0KVN"});
    EXPECT_EQ(o.command, Command::remove);
    EXPECT_EQ(o.logPath, "log.adi");
    EXPECT_EQ(o.workedCall, "K1AA");  // --call names the QSO for remove
    EXPECT_EQ(o.ownCall, "UN0KVN");
    EXPECT_EQ(o.band, "20m");
    EXPECT_THROW(parseCommandLine({"score", "log.adi", "--html"}), UsageError);
    EXPECT_THROW(parseCommandLine({"score", "a.adi", "b.adi"}), UsageError);
    // A call with a line break would reach the settings file.
    EXPECT_THROW(parseCommandLine({"score", "log.adi", "--call", "UN0KVN\r\nSETUP_MODE=SSB"}), UsageError);
    EXPECT_THROW(parseCommandLine({"score", "log.adi", "--own-call=UN0KVN\n[HIJACK]"}), UsageError);
    EXPECT_THROW(parseCommandLine({"remove", "log.adi", "--call", "K1AA\t", "--band", "20m", "--mode", "CW",
                                   "--time", "2026-03-21 0942"}),
                 UsageError);
}

namespace {

TEST(CommandLine, PostNeedsAUrlAndKnowsItsBodies) {
    Options o = parseCommandLine({"post", "log.adi", "--url", "https://board.example/post", "--body=xml",
                                  "--contest", "KORVAN-DX"});
    EXPECT_EQ(o.command, Command::post);
    EXPECT_EQ(o.url, "https://board.example/post");
    EXPECT_EQ(o.body, "xml");
    EXPECT_EQ(o.contest, "KORVAN-DX");
    EXPECT_THROW(parseCommandLine({"post", "log.adi"}), UsageError);
    EXPECT_THROW(parseCommandLine({"post", "log.adi", "--url", "http://b/", "--body", "json"}), UsageError);
    EXPECT_THROW(parseCommandLine({"post", "log.adi", "--url", "http://b/\r\n[Settings]"}), UsageError);
}

TEST_F(HostCommandTest, PostRewritesOnlyItsOwnSection) {
    fs::create_directories(dir_ / "Plugins");
    write("Plugins/Korvan.ini",
          "[Settings]\r\nStart=1\r\n[scorereporting]\r\nTimeoutSeconds=3\r\nurl=http://old/\r\n"
          "LastResult=old\r\n\r\n[Other]\nX=1\n");
    fs::current_path(dir_);
    Options o;
    o.url = "http://board.example/post?key=1";
    o.body = "xml";
    writePostSettings(o);
    EXPECT_EQ(read(dir_ / "Plugins" / "Korvan.ini"),
              "[Settings]\r\nStart=1\r\n[Other]\r\nX=1\r\n[ScoreReporting]\r\nTimeoutSeconds=3\r\nEnabled=1\r\n"
              "Url=http://board.example/post?key=1\r\nLastResult=\r\nBody=xml\r\n");
}

}  // namespace
