// korvan-host end to end against a stand-in plug-in that journals the
// arguments of every call, so the argument positions can be checked.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "command_line.h"
#include "host_commands.h"

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

class HostCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        start_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("korvan-host-test-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(dir_);
        write("cty.dat", kCty);
        write("log.adi", kAdif);
        write("kda.dom", "UN7ABC  A01\n");
    }
    void TearDown() override {
        fs::current_path(start_);
        fs::remove_all(dir_);
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    static std::string read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

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

    fs::path start_, dir_;
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

    ASSERT_EQ(run({"remove", path("log.adi"), "--call", "UN7ABC", "--band", "40m", "--mode", "CW", "--time",
                   "2026-03-21 1200"}),
              0);
    EXPECT_NE(err_.str().find("has no QSO with UN7ABC on 40m in CW at 2026-03-21 1200"), std::string::npos);
    EXPECT_NE(out_.str().find("remove own=RU9KVN call=UN7ABC time=46102.500000/0"), std::string::npos);
}

TEST_F(HostCommandTest, ExitCodesTellFailuresApart) {
    write("bad.adi", "<EOH>\n<CALL:4>K1AA<EOR>\n");
    EXPECT_EQ(run({"score", path("bad.adi")}), 1);
    EXPECT_EQ(err_.str(), "korvan-host: " + path("bad.adi") + ":2: expected QSO_DATE as YYYYMMDD, found \"\"\n");
    EXPECT_EQ(run({"score", path("missing.adi")}), 1);
    EXPECT_EQ(run({"score", path("log.adi"), "--kda", path("missing.dom")}), 1);
    EXPECT_EQ(run({"score", path("log.adi"), "--cty", path("missing.dat")}), 1);

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
    EXPECT_NE(out_.str().find("freq=1830000 mode=RTTY"), std::string::npos);
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
}
