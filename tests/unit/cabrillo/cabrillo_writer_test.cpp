// The log file: its name, the QSO line's columns, the header lines byte for
// byte, and what happens when the file cannot be written.
#include "cabrillo_test_support.h"

namespace {

// The header of a log confirmed unchanged for OWNCALL with no stored
// settings, up to and including the CLAIMED-SCORE line.
std::string defaultHeaderUpToScore(const std::string& hostVersion, const std::string& score) {
    return "START-OF-LOG: 3.0\r\n"
           "CREATED-BY: Vexa " + hostVersion + "\r\n"
           "CALLSIGN: OWNCALL\r\n"
           "CONTEST: Korvan\r\n"
           "CATEGORY-BAND: ALL\r\n"
           "CATEGORY-MODE: MIXED\r\n"
           "CATEGORY-OPERATOR: SINGLE-OP\r\n"
           "CATEGORY-POWER: HIGH\r\n"
           "CATEGORY-STATION: FIXED\r\n"
           "CATEGORY-TRANSMITTER: ONE\r\n"
           "OPERATORS: OWNCALL\r\n"
           "LOCATION: \r\n"
           "CLAIMED-SCORE: " + score + "\r\n";
}

const char kDefaultHeaderRest[] =
    "NAME: \r\n"
    "ADDRESS: \r\n"
    "ADDRESS-CITY: \r\n"
    "ADDRESS-POSTALCODE: \r\n"
    "ADDRESS-COUNTRY: \r\n"
    "SOAPBOX: \r\n"
    "E-MAIL: \r\n";

// 1-based column at which the n-th blank-separated field of a line starts.
std::vector<std::size_t> fieldColumns(const std::string& line) {
    std::vector<std::size_t> columns;
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] != ' ' && line[i] != '\r' && line[i] != '\n' && (i == 0 || line[i - 1] == ' '))
            columns.push_back(i + 1);
    return columns;
}

}  // namespace

TEST(ReplaceAll, ReplacesLeftmostOccurrencesWithoutRescanning) {
    EXPECT_EQ(replaceAll("a<CR>b<CR>", "<CR>", "\r"), "a\rb\r");
    EXPECT_EQ(replaceAll("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
    // The inserted text is never searched again.
    EXPECT_EQ(replaceAll("xax", "a", "aa"), "xaax");
    EXPECT_EQ(replaceAll("<CR>", "<CR>", "\r\nSOAPBOX: <CR>"), "\r\nSOAPBOX: <CR>");
    EXPECT_EQ(replaceAll("unchanged", "zz", "y"), "unchanged");
    EXPECT_EQ(replaceAll("same", "a", "a"), "same");
    EXPECT_EQ(replaceAll("", "a", "b"), "");
    EXPECT_EQ(replaceAll("a<LF>", "<LF>", ""), "a");
}

TEST(FileCallsign, SlashesBecomeUnderscoresAndBlanksAreTrimmed) {
    EXPECT_EQ(fileCallsignFor("OWNCALL/P"), "OWNCALL_P");
    EXPECT_EQ(fileCallsignFor("DL/OWNCALL/P"), "DL_OWNCALL_P");
    EXPECT_EQ(fileCallsignFor("OWNCALL\\M"), "OWNCALL_M");
    EXPECT_EQ(fileCallsignFor("  OWN CALL  "), "OWN CALL");
    EXPECT_EQ(fileCallsignFor(""), "KVOR");
    EXPECT_EQ(fileCallsignFor("   "), "KVOR");
    // A lone slash still names a file.
    EXPECT_EQ(fileCallsignFor(" / "), "_");
}

TEST(FileCallsign, CharactersAWindowsFileNameCannotHoldBecomeUnderscores) {
    EXPECT_EQ(fileCallsignFor("A:B*C?D\"E<F>G|H"), "A_B_C_D_E_F_G_H");
    EXPECT_EQ(fileCallsignFor(std::string("OWN\tCALL\x01")), "OWN_CALL_");
    // Replaced before the trimming: a control character at an end stays as "_".
    EXPECT_EQ(fileCallsignFor(" \tOWNCALL"), "_OWNCALL");
    EXPECT_EQ(fileCallsignFor("OWNCALL-1.2"), "OWNCALL-1.2");
}

TEST_F(CabrilloTest, PortableCallsignNamesTheLogFileWithAnUnderscore) {
    ASSERT_TRUE(confirmHeader("OWNCALL/P"));
    EXPECT_EQ(cabrilloLog().writeLog(), "File produced: OWNCALL_P.cbr");
    const std::string text = fileText("OWNCALL_P.cbr");
    EXPECT_NE(text.find("\r\nCALLSIGN: OWNCALL/P\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nOPERATORS: OWNCALL/P\r\n"), std::string::npos);
}

TEST_F(CabrilloTest, BlankCallsignWritesKvorCbr) {
    ASSERT_TRUE(confirmHeader("  "));
    EXPECT_EQ(cabrilloLog().writeLog(), "File produced: KVOR.cbr");
    EXPECT_TRUE(fileThere("KVOR.cbr"));
}

TEST_F(CabrilloTest, CallsignChangedInTheEditorKeepsTheFileName) {
    ASSERT_TRUE(confirmHeader("OWNCALL", [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_CALLSIGN, "NEWCALL");
    }));
    cabrilloLog().addQsoLine("DXCALL", 7012, "CW", contestMoment(), "599", "001", "599", "012");
    EXPECT_EQ(cabrilloLog().writeLog(), "File produced: OWNCALL.cbr");
    const std::string text = fileText("OWNCALL.cbr");
    EXPECT_NE(text.find("\r\nCALLSIGN: NEWCALL\r\n"), std::string::npos);
    EXPECT_NE(text.find(" NEWCALL       599 001    DXCALL "), std::string::npos);
    EXPECT_FALSE(fileThere("NEWCALL.cbr"));
}

TEST_F(CabrilloTest, QsoLineFieldsStartAtTheCabrilloColumns) {
    ASSERT_TRUE(confirmHeader("OWNCALL"));
    cabrilloLog().addQsoLine("DXCALL", 7012, "CW", contestMoment(), "599", "001", "599", "012");
    ASSERT_EQ(cabrilloLog().qsoLines.size(), 1u);
    const std::string& line = cabrilloLog().qsoLines[0];
    EXPECT_EQ(line, "QSO:  7012 CW 2017-03-18 0705 OWNCALL       599 001    DXCALL        599 012\r\n");
    EXPECT_EQ(fieldColumns(line), (std::vector<std::size_t>{1, 7, 12, 15, 26, 31, 45, 49, 56, 70, 74}));
}

TEST_F(CabrilloTest, QsoLineWidthsAreMinimaAndNothingIsCut) {
    ASSERT_TRUE(confirmHeader("OWNCALL"));
    CabrilloLog& log = cabrilloLog();
    log.addQsoLine("DXCALL", 14025, "PH", contestMoment(), "59", "001", "59", "012");
    log.addQsoLine("DXCALL", 144300, "CW", contestMoment(), "599", "001", "599", "012");
    log.addQsoLine("DX1234567890AB", 7012, "??", contestMoment(), "5999", "0012345", "599", "012");
    ASSERT_EQ(log.qsoLines.size(), 3u);
    EXPECT_EQ(log.qsoLines[0], "QSO: 14025 PH 2017-03-18 0705 OWNCALL       59  001    DXCALL        59  012\r\n");
    // Six digits take column 11 and shift everything after one column right.
    EXPECT_EQ(log.qsoLines[1], "QSO: 144300 CW 2017-03-18 0705 OWNCALL       599 001    DXCALL        599 012\r\n");
    EXPECT_EQ(fieldColumns(log.qsoLines[1]), (std::vector<std::size_t>{1, 6, 13, 16, 27, 32, 46, 50, 57, 71, 75}));
    // A 14-character call, a 4-character report and a 7-character exchange
    // are written whole.
    EXPECT_EQ(log.qsoLines[2], "QSO:  7012 ?? 2017-03-18 0705 OWNCALL       5999 0012345 DX1234567890AB 599 012\r\n");
}

TEST_F(CabrilloTest, LongOwnCallsignShiftsTheFieldsAfterIt) {
    ASSERT_TRUE(confirmHeader("OWNCALL1234567/P"));
    cabrilloLog().addQsoLine("DXCALL", 7012, "CW", contestMoment(), "599", "001", "599", "012");
    EXPECT_EQ(cabrilloLog().qsoLines[0],
              "QSO:  7012 CW 2017-03-18 0705 OWNCALL1234567/P 599 001    DXCALL        599 012\r\n");
}

// A field that holds line breaks (an ADIF field counts its bytes, CR LF
// included) must not forge lines, such as a second CLAIMED-SCORE line.
TEST_F(CabrilloTest, ControlCharactersInFieldsAreWrittenAsBlanks) {
    const std::string forged = "\r\nCLAIMED-SCORE: 999999\r\n";
    ASSERT_TRUE(confirmHeader("OWNCALL", [&](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_NAME, "Name" + forged);
        editor.setControlText(IDC_CABRILLO_SOAPBOX, "first\r\nsecond\tword");
    }));
    cabrilloLog().addQsoLine("DL1AA" + forged + "QSO:", 7012, "CW", contestMoment(), "5\n9", "001", "599", "012\x1f");
    cabrilloLog().writeLog();
    const std::string log = fileText("OWNCALL.cbr");
    EXPECT_EQ(log.find("\nCLAIMED-SCORE: 999999"), std::string::npos);
    EXPECT_NE(log.find("\r\nNAME: Name  CLAIMED-SCORE: 999999  \r\n"), std::string::npos);
    // The soapbox's own line breaks still make SOAPBOX lines.
    EXPECT_NE(log.find("\r\nSOAPBOX: first\r\nSOAPBOX: second word\r\n"), std::string::npos);
    EXPECT_NE(log.find("\r\nQSO:  7012 CW 2017-03-18 0705 OWNCALL       5 9 001    "
                       "DL1AA  CLAIMED-SCORE: 999999  QSO: 599 012 \r\nEND-OF-LOG:\r\n"),
              std::string::npos);
}

TEST_F(CabrilloTest, EmptyLogIsTheHeaderFollowedByEndOfLog) {
    setState([](ContestState& state) {
        state.hostVersion = "Vexa";  // no host INI found at the reset
        state.claimedScore = 0;
    });
    ASSERT_TRUE(confirmHeader("OWNCALL"));
    EXPECT_EQ(cabrilloLog().writeLog(), "File produced: OWNCALL.cbr");
    EXPECT_EQ(fileText("OWNCALL.cbr"),
              defaultHeaderUpToScore("Vexa", "0") + kDefaultHeaderRest + "END-OF-LOG:\r\n");
}

TEST_F(CabrilloTest, LogCarriesTheScoreOfTheStatisticsAndTheQsoLinesInOrder) {
    setState([](ContestState& state) { state.claimedScore = 5000000000LL; });
    storeSetting("Claimed", "17");  // shown in the editor, not written to the log
    ASSERT_TRUE(confirmHeader("OWNCALL"));
    cabrilloLog().addQsoLine("FIRST", 7012, "CW", contestMoment(), "599", "001", "599", "012");
    cabrilloLog().addQsoLine("SECOND", 7013, "CW", contestMoment(), "599", "002", "599", "013");
    cabrilloLog().writeLog();
    EXPECT_EQ(fileText("OWNCALL.cbr"),
              defaultHeaderUpToScore("2.19", "5000000000") + kDefaultHeaderRest +
                  "QSO:  7012 CW 2017-03-18 0705 OWNCALL       599 001    FIRST         599 012\r\n"
                  "QSO:  7013 CW 2017-03-18 0705 OWNCALL       599 002    SECOND        599 013\r\n"
                  "END-OF-LOG:\r\n");
}

TEST_F(CabrilloTest, ClubLineFollowsTheScoreOnlyWhenAClubIsGiven) {
    ASSERT_TRUE(confirmHeader("OWNCALL", [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_CLUB, "Korvan Radio Club");
    }));
    cabrilloLog().writeLog();
    EXPECT_EQ(fileText("OWNCALL.cbr"), defaultHeaderUpToScore("2.19", "0") + "CLUB: Korvan Radio Club\r\n" +
                                           kDefaultHeaderRest + "END-OF-LOG:\r\n");

    ASSERT_TRUE(confirmHeader("OWNCALL", [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_CLUB, "");
    }));
    cabrilloLog().writeLog();
    EXPECT_EQ(fileText("OWNCALL.cbr"), defaultHeaderUpToScore("2.19", "0") + kDefaultHeaderRest + "END-OF-LOG:\r\n");
}

TEST_F(CabrilloTest, UnwritableLogIsReportedAndTheOldFileStaysWhole) {
    ASSERT_TRUE(confirmHeader("OWNCALL/P"));
    ScratchFolder::write(folder.path() / "OWNCALL_P.cbr", "previous log\r\n");
    platform::setWriteFailureForTesting(
        [](const std::string& path) { return path.find("OWNCALL_P.cbr") != std::string::npos; });

    cabrilloLog().addQsoLine("DXCALL", 7012, "CW", contestMoment(), "599", "001", "599", "012");
    EXPECT_EQ(cabrilloLog().writeLog(), "File not produced: OWNCALL_P.cbr");
    EXPECT_EQ(fileText("OWNCALL_P.cbr"), "previous log\r\n");
    // No temporary file is left behind either.
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        if (entry.is_regular_file()) ++entries;
    EXPECT_EQ(entries, 1u);

    platform::setWriteFailureForTesting(nullptr);
    EXPECT_EQ(cabrilloLog().writeLog(), "File produced: OWNCALL_P.cbr");
    EXPECT_NE(fileText("OWNCALL_P.cbr").find("DXCALL"), std::string::npos);
}
