// The export run as the host drives it: the reset's editor hook, then
// statistics requests that each write the whole log and show "Output".
#include "cabrillo/cabrillo_export.h"
#include "cabrillo_test_support.h"
#include "engine/qso_search.h"
#include "plugin/exports.h"
#include "unprivileged.h"

using namespace korvan;

namespace {

CInfo qso(const std::string& call, const std::string& mode, int frequencyKHz, int minute, int dupe = 0,
          int badCode = 0) {
    CInfo info;
    info.call = call;
    info.prefix = "DL";
    info.continent = "EU";
    info.band = "40m";
    info.mode = mode;
    info.frequencyKHz = frequencyKHz;
    info.rstSent = mode == "CW" ? "599" : "59";
    info.rstReceived = info.rstSent;
    info.exchangeSent = "001";
    info.exchangeReceived = "012";
    info.dupe = dupe;
    info.badCode = badCode;
    info.invalid = dupe || badCode;
    info.qsoTime = COleDateTime::fromParts(2017, 3, 18, 7, minute);
    return info;
}

std::size_t qsoLineCount(const std::string& log) {
    std::size_t count = 0;
    for (std::size_t at = log.find("\r\nQSO: "); at != std::string::npos; at = log.find("\r\nQSO: ", at + 1))
        ++count;
    return count;
}

// Replaces the stored QSOs the way the engine changes them.
void storeQsos(ContestState& state, std::vector<CInfo> qsos) {
    clearQsos(state);
    for (CInfo& q : qsos) storeQso(state, std::move(q));
}

}  // namespace

TEST_F(CabrilloTest, EveryStoredQsoGoesToTheLogOnceWithItsModeCode) {
    ASSERT_TRUE(confirmHeader("OWNCALL"));
    setState([](ContestState& state) {
        storeQsos(state, {qso("DXCALL", "CW", 7012, 5), qso("DXCALL", "CW", 7012, 6, 1),
                          qso("UNCALL", "SSB", 7080, 7, 0, 1), qso("RTCALL", "RTTY", 7040, 8)});
        state.claimedScore = 42;
    });
    runCabrilloExport();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "File produced: OWNCALL.cbr");
    EXPECT_EQ(boxes[0].caption, "Output");
    EXPECT_EQ(boxes[0].style, 0x40u);
    const std::string log = fileText("OWNCALL.cbr");
    EXPECT_NE(log.find("\r\nCLAIMED-SCORE: 42\r\n"), std::string::npos);
    // Dupes and bad codes are exported like any other QSO.
    EXPECT_NE(log.find("\r\nE-MAIL: \r\n"
                       "QSO:  7012 CW 2017-03-18 0705 OWNCALL       599 001    DXCALL        599 012\r\n"
                       "QSO:  7012 CW 2017-03-18 0706 OWNCALL       599 001    DXCALL        599 012\r\n"
                       "QSO:  7080 PH 2017-03-18 0707 OWNCALL       59  001    UNCALL        59  012\r\n"
                       "QSO:  7040 ?? 2017-03-18 0708 OWNCALL       59  001    RTCALL        59  012\r\n"
                       "END-OF-LOG:\r\n"),
              std::string::npos);
}

TEST_F(CabrilloTest, RepeatedStatisticsRequestsWriteEachQsoOnce) {
    ASSERT_TRUE(confirmHeader("OWNCALL"));
    setState([](ContestState& state) {
        storeQsos(state, {qso("DXCALL", "CW", 7012, 5), qso("DXCALL", "CW", 7012, 6, 1), qso("UNCALL", "SSB", 7080, 7)});
    });
    int status = 0;
    GetResult0(&status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(qsoLineCount(fileText("OWNCALL.cbr")), 3u);

    setState([](ContestState& state) { storeQso(state, qso("NEWCALL", "CW", 7015, 9)); });
    status = 0;
    GetResult0(&status);
    EXPECT_EQ(status, -1);
    const std::string log = fileText("OWNCALL.cbr");
    EXPECT_EQ(qsoLineCount(log), 4u);
    std::int64_t score = -1;
    setState([&score](ContestState& state) { score = state.claimedScore; });
    EXPECT_NE(log.find("\r\nCLAIMED-SCORE: " + std::to_string(score) + "\r\n"), std::string::npos);

    ASSERT_EQ(boxes.size(), 2u);
    for (const ShownBox& box : boxes) {
        EXPECT_EQ(box.text, "File produced: OWNCALL.cbr");
        EXPECT_EQ(box.caption, "Output");
    }
}

TEST_F(CabrilloTest, UnwritableLogIsShownAsNotProducedInTheOutputBox) {
    ASSERT_TRUE(confirmHeader("OWNCALL"));
    setState([](ContestState& state) { storeQsos(state, {qso("DXCALL", "CW", 7012, 5)}); });
    platform::setWriteFailureForTesting(
        [](const std::string& path) { return path.find(".cbr") != std::string::npos; });
    int status = 0;
    GetResult0(&status);
    EXPECT_EQ(status, -1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "File not produced: OWNCALL.cbr");
    EXPECT_FALSE(fileThere("OWNCALL.cbr"));
}

// The folder would let anyone rename over the log; its own bits say no.
TEST_F(CabrilloTest, AWriteProtectedLogIsNotReplaced) {
    namespace fs = std::filesystem;
    ASSERT_TRUE(confirmHeader("OWNCALL"));
    setState([](ContestState& state) { storeQsos(state, {qso("DXCALL", "CW", 7012, 5)}); });
    ScratchFolder::write(folder.path() / "OWNCALL.cbr", "submitted\r\n");
    fs::permissions(folder.path() / "OWNCALL.cbr", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    unprivileged::openFolderToCheckUser(folder.path());
    EXPECT_TRUE(unprivileged::check([this] {
        int status = 0;
        GetResult0(&status);
        return boxes.size() == 1 && boxes[0].text == "File not produced: OWNCALL.cbr";
    }));
    EXPECT_EQ(fileText("OWNCALL.cbr"), "submitted\r\n");
}

TEST_F(CabrilloTest, CancelledEditorMeansNoLogAndNoBoxForTheRestOfTheRun) {
    EXPECT_FALSE(cancelHeader("OWNCALL"));
    setState([](ContestState& state) { storeQsos(state, {qso("DXCALL", "CW", 7012, 5)}); });
    int status = 0;
    GetResult0(&status);
    GetResult0(&status);
    EXPECT_EQ(status, -1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(fileThere("OWNCALL.cbr"));
}

TEST_F(CabrilloTest, ExportHookRunsTheEditorForTheResetsOwnCall) {
    platform::headless::setModalScript(IDD_CABRILLO, [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_NAME, "From the hook");
        platform::headless::clickButton(editor, platform::kIdOk);
    });
    runExportHeaderEditor("OWNCALL/P", contestMoment(), contestMoment());
    EXPECT_EQ(cabrilloLog().fileCallsign, "OWNCALL_P");
    EXPECT_EQ(setting("Name"), "From the hook");
    EXPECT_EQ(exportRun(), 1);
}
