// korvan-host live: the script, the host object's journal and waits, the
// observations, and a whole run against the stand-in plug-in, whose call
// check of "HOST" calls the host object as the plug-in's windows do.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "live_command.h"
#include "live_observation.h"
#include "live_script.h"
#include "live_state.h"
#include "log_error.h"

namespace fs = std::filesystem;
using namespace korvan::host;
using namespace std::chrono_literals;

namespace {

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const auto noWait = [](std::chrono::milliseconds) {};
const auto sleepWait = [](std::chrono::milliseconds time) { std::this_thread::sleep_for(time); };

}  // namespace

TEST(LiveScript, ReadsEveryStepAndNamesTheLineOfABadOne) {
    auto steps = parseScript("# a comment\n\nfreq 14025000.5\ncall UN7ABC  # the worked call\ncall-none\ncall-int -3\n"
                             "add 2\nadd all\nclick ontop\nkey dxcc esc\nwait-window kda hidden\nreads 2\nsleep 0\n"
                             "expect <SP1> checking UN7XYZ 20m CW\n",
                             "s.txt");
    ASSERT_EQ(steps.size(), 12u);
    EXPECT_EQ(steps[0].kind, ScriptStep::frequency);
    EXPECT_DOUBLE_EQ(steps[0].number, 14025000.5);
    EXPECT_EQ(steps[1].line, 4u);
    EXPECT_EQ(steps[1].words, std::vector<std::string>{"UN7ABC"});
    EXPECT_EQ(steps[1].text, "call UN7ABC");
    EXPECT_EQ(steps[2].words, std::vector<std::string>{""});
    EXPECT_TRUE(steps[3].integerAnswer);
    EXPECT_EQ(steps[3].number, -3);
    EXPECT_EQ(steps[5].number, 0);  // all
    EXPECT_EQ(panelControlId(steps[6].words[0]), 1107);
    EXPECT_EQ(steps[11].words.size(), 5u);

    for (const char* bad : {"frequency 5", "add 0", "add 1.5", "freq -1", "click close", "key panel space",
                            "wait-window panel gone", "expect", "expect <SP1> check A 20m CW",
                            "expect <SP1> checking A 20m", "reads two", "observe a b"}) {
        try {
            parseScript(std::string("sleep 1\n") + bad + "\n", "s.txt");
            ADD_FAILURE() << bad << " was accepted";
        } catch (const InputError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("s.txt:2: ", 0), 0u) << e.what();
        }
    }
}

TEST(LiveHostObject, JournalsEachCallWithItsPhaseUntilDisconnected) {
    HostObjectState state;
    double hertz = -1;
    QsoItemAnswer answer;
    EXPECT_TRUE(state.command("<MODE:CW>"));
    state.setFrequency(14025000);
    EXPECT_TRUE(state.frequency(hertz));
    EXPECT_EQ(hertz, 14025000);
    state.setQsoItem({QsoItemAnswer::integer, "", 7});
    EXPECT_TRUE(state.qsoItem(5, answer));
    EXPECT_EQ(answer.kind, QsoItemAnswer::integer);
    state.refuse("7 flags 1 arguments 0");
    state.disconnect();
    EXPECT_FALSE(state.command("<SP1>"));
    EXPECT_FALSE(state.frequency(hertz));
    EXPECT_FALSE(state.qsoItem(5, answer));

    std::vector<std::string> lines;
    for (const JournalLine& line : state.journal()) lines.push_back(formatJournalLine(line));
    EXPECT_EQ(lines, (std::vector<std::string>{"0 command <MODE:CW>", "1 frequency", "2 item 5",
                                               "2 refused 7 flags 1 arguments 0"}));
}

TEST(LiveHostObject, EachExpectationTakesAFreshCommandAndReadsCountOnFromTheLastWait) {
    HostObjectState state;
    double hertz;
    state.command("<MODE:CW>");
    state.command("<BAUDRATE:27>");
    state.command("<MODE:CW>");
    EXPECT_TRUE(state.expectCommand("<BAUDRATE:27>", 0ms, noWait));
    EXPECT_TRUE(state.expectCommand("<MODE:CW>", 0ms, noWait));  // the one after the rate
    EXPECT_FALSE(state.expectCommand("<MODE:CW>", 30ms, sleepWait));
    EXPECT_FALSE(state.expectCommand("<BAUDRATE:27>", 0ms, noWait));  // already taken

    // A command from another thread ends the wait.
    std::thread later([&] {
        std::this_thread::sleep_for(20ms);
        state.command("<MODE:SSB>");
    });
    EXPECT_TRUE(state.expectCommand("<MODE:SSB>", 5000ms, sleepWait));
    later.join();

    state.frequency(hertz);
    state.frequency(hertz);
    EXPECT_TRUE(state.expectReads(1, 0ms, noWait));
    EXPECT_TRUE(state.expectReads(1, 0ms, noWait));
    EXPECT_FALSE(state.expectReads(1, 0ms, noWait));

    EXPECT_EQ(state.takeNewCommands().size(), 4u);
    state.command("<SP1>");
    EXPECT_EQ(state.takeNewCommands(), std::vector<std::string>{"<SP1>"});
}

TEST(LiveObservation, ReadsTheHeadlessWindowsAndWritesOneLine) {
    auto windows = parseWindowList(
        "[{\"kind\": \"kda\", \"title\": \"K\", \"visible\": false, \"topmost\": true, \"checks\": {}},"
        " {\"kind\": \"panel\", \"title\": \"\\u0423\\\"x\\\\\", \"extra\": [1, {\"a\": null}], \"visible\": true,"
        "  \"topmost\": false, \"checks\": {\"KDA area\": 1, \"DXCC\": 0}}]");
    sortWindows(windows);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].kind, "panel");
    EXPECT_EQ(windows[0].title, "\xD0\xA3\"x\\");
    EXPECT_EQ(windows[0].checks, (std::vector<std::pair<std::string, int>>{{"KDA area", 1}, {"DXCC", 0}}));
    EXPECT_FALSE(windows[1].visible);
    EXPECT_TRUE(windows[1].topmost);
    EXPECT_THROW(parseWindowList("[{\"kind\": }]"), std::runtime_error);

    windows[1].placement = WindowView::Placement{10, -50, 300, 200};
    windows[1].controls = {{1003, {1, 2, 3, 4}}};
    EXPECT_EQ(observationLine("a", {"<SP1>"}, windows, {{"Claimed", "5"}, {"setup_Mode", "\xC0"}}),
              "{\"label\": \"a\", \"commands\": [\"<SP1>\"], \"windows\": ["
              "{\"kind\": \"panel\", \"title\": \"\xD0\xA3\\\"x\\\\\", \"visible\": true, \"topmost\": false, "
              "\"checks\": {\"KDA area\": 1, \"DXCC\": 0}}, "
              "{\"kind\": \"kda\", \"title\": \"K\", \"left\": 10, \"top\": -50, \"width\": 300, \"height\": 200, "
              "\"visible\": false, \"topmost\": true, \"checks\": {}, \"controls\": {\"1003\": [1, 2, 3, 4]}}], "
              "\"settings\": {\"Claimed\": \"5\", \"setup_Mode\": \"\xC3\x80\"}}");
}

TEST(LiveObservation, SettingsAreTheWholeSettingsSectionSortedByKey) {
    const fs::path file = fs::temp_directory_path() / "korvan-live-settings-test.ini";
    std::ofstream(file, std::ios::binary) << "[Other]\r\nStart=9\r\n[ settings ]\r\nStart=1\r\n; note\r\n"
                                             "Name = \"A B\" \r\nClaimed=5\r\n[Next]\r\nMaster=1\r\n";
    EXPECT_EQ(readSettingsSection(file.string()),
              (std::vector<std::pair<std::string, std::string>>{{"Claimed", "5"}, {"Name", "A B"}, {"Start", "1"}}));
    fs::remove(file);
    EXPECT_TRUE(readSettingsSection(file.string()).empty());
}

class LiveRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        start_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("korvan-live-test-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "cty.dat") << "Kazakhstan: 17: 30: AS: 48.17: -65.18: -5.0: UN:\n    UN,UO,UP,UQ;\n";
        std::ofstream(dir_ / "log.adi")
            << "<EOH>\n<CALL:6>UN7ABC<BAND:3>20m<MODE:2>CW<QSO_DATE:8>20260321<TIME_ON:4>1200"
               "<SRX_STRING:3>A01<STATION_CALLSIGN:6>UN0KVN<EOR>\n";
    }
    void TearDown() override {
        fs::current_path(start_);
        fs::remove_all(dir_);
    }
    int run(const std::string& script, std::vector<std::string> extra = {}) {
        std::ofstream(dir_ / "script.txt") << script;
        std::vector<std::string> args{"live", (dir_ / "log.adi").string(), "--plugin", KORVAN_FAKE_PLUGIN,
                                      "--cty", (dir_ / "cty.dat").string(), "--workdir", (dir_ / "work").string(),
                                      "--script", (dir_ / "script.txt").string(),
                                      "--journal", (dir_ / "journal.txt").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        out_.str("");
        err_.str("");
        return runLiveCommand(args, Defaults{"no-such-plugin.so", "", ""}, out_, err_);
    }
    fs::path start_, dir_;
    std::ostringstream out_, err_;
};

TEST_F(LiveRunTest, ThePlugInReachesTheHostObjectUntilItGoesAway) {
    ASSERT_EQ(run("check HOST 20m CW\nfreq 14025000\ncall UN7ABC\ncheck HOST 20m CW\ncall-none\ncall-int 3\n"
                  "check HOST 20m CW\ndisconnect\ncheck HOST 20m CW\n"),
              0)
        << err_.str();
    EXPECT_EQ(out_.str(),
              "check HOST 20m CW: 1 0 0 0 0 1 \n"
              "check HOST 20m CW: 1 0 0 14025000 0 1 UN7ABC\n"
              "check HOST 20m CW: 1 0 0 14025000 0 0 \n"
              "check HOST 20m CW: 1 no host\n");
    EXPECT_EQ(readFile(dir_ / "journal.txt"),
              "0 command <SP1>\n0 frequency\n0 item 5\n2 command <SP1>\n2 frequency\n2 item 5\n"
              "4 command <SP1>\n4 frequency\n4 item 5\n");
}

TEST_F(LiveRunTest, WithoutARunningHostThePlugInFindsNoObject) {
    for (const char* automation : {"not-running", "absent"}) {
        ASSERT_EQ(run("check HOST 20m CW\n", {"--automation", automation}), 0) << err_.str();
        EXPECT_EQ(out_.str(), "check HOST 20m CW: 1 no host\n") << automation;
        EXPECT_EQ(readFile(dir_ / "journal.txt"), "") << automation;
    }
}

TEST_F(LiveRunTest, AStepThatTimesOutEndsTheRunNamingItAndKeepsTheJournal) {
    EXPECT_EQ(run("check HOST 20m CW\n\nexpect <MODE:SSB>\nobserve never\n",
                  {"--step-limit", "50", "--observe", (dir_ / "o.jsonl").string()}),
              1);
    EXPECT_NE(err_.str().find("script.txt:3: step \"expect <MODE:SSB>\" timed out"), std::string::npos) << err_.str();
    EXPECT_EQ(readFile(dir_ / "journal.txt"), "0 command <SP1>\n0 frequency\n0 item 5\n");
    EXPECT_EQ(readFile(dir_ / "o.jsonl"), "");

    // A checking wait checks at once and again while it waits; the fake
    // plug-in sends <SP1> at each check.
    EXPECT_EQ(run("expect <MODE:SSB> checking HOST 20m CW\n", {"--step-limit", "300"}), 1);
    const std::string journal = readFile(dir_ / "journal.txt");
    std::size_t commands = 0;
    for (std::size_t at = journal.find("command <SP1>"); at != std::string::npos;
         at = journal.find("command <SP1>", at + 1))
        ++commands;
    EXPECT_GE(commands, 2u) << journal;
    EXPECT_EQ(out_.str(), "");  // the checks' answers are not printed

    EXPECT_EQ(run("add 2\n"), 1);  // the log has one QSO
    EXPECT_NE(err_.str().find("script.txt:1: step \"add 2\" asks for more QSOs"), std::string::npos) << err_.str();
}

TEST_F(LiveRunTest, CommandLineMistakesAreUsageErrors) {
    EXPECT_EQ(run("observe x\n"), 2);  // observations need --observe
    EXPECT_NE(err_.str().find("--observe FILE"), std::string::npos);
    EXPECT_EQ(run("sleep 1\n", {"--apartment", "gui"}), 2);
    EXPECT_EQ(run("sleep 1\n", {"--automation", "maybe"}), 2);
    EXPECT_EQ(run("sleep 1\n", {"--no-such-option"}), 2);
}
