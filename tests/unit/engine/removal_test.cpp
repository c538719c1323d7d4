// RemoveData0: which stored QSO goes, how the bad-QSO file is rewritten,
// and what is emptied when nothing is left.
#include <filesystem>
#include <fstream>

#include "engine_fixture.h"
#include "unprivileged.h"

namespace {

class RemovalTest : public EngineTest {
protected:
    void SetUp() override { resetWithoutPanel(); }
};

TEST_F(RemovalTest, RemovingTheOnlyQsoEmptiesEverySharedList) {
    addQso(qso("DL1ABC"));
    {
        std::lock_guard<std::mutex> guard(stateLock());
        for (int slot = 0; slot < kBandSlotCount; ++slot) {
            state().bandKdaLists[slot] = {"A01"};
            state().bandDxccLists[slot] = {"DL"};
        }
    }
    refreshPending = 0;
    EXPECT_EQ(1, removeQso(qso("DL1ABC")));
    EXPECT_TRUE(state().qsoList.empty());
    EXPECT_TRUE(state().workedBands.empty());
    for (int slot = 0; slot < kBandSlotCount; ++slot) {
        EXPECT_TRUE(state().bandKdaLists[slot].empty());
        EXPECT_TRUE(state().bandDxccLists[slot].empty());
    }
    EXPECT_EQ(1, refreshPending.load());
    EXPECT_EQ(kRewriteHeader, badQsoFile());
}

TEST_F(RemovalTest, WorkedBandsStayWhileAnyQsoIsLeft) {
    QsoArguments on40 = qso("DL2XYZ");
    on40.band = "40m";
    addQso(qso("DL1ABC"));
    addQso(on40);
    removeQso(on40);
    EXPECT_EQ((std::vector<std::string>{"20m", "40m"}), state().workedBands);
}

TEST_F(RemovalTest, RemovesOnlyTheFirstIdenticalQsoAndKeepsFlags) {
    addQso(qso("DL1ABC"));
    addQso(qso("DL1ABC"));
    removeQso(qso("DL1ABC"));
    ASSERT_EQ(1u, state().qsoList.size());
    EXPECT_EQ(1, state().qsoList[0].dupe);
}

TEST_F(RemovalTest, MatchNeedsCallBandModeAndTheSameMoment) {
    addQso(qso("DL1ABC", at(9, 42)));
    addQso(qso("DL2XYZ", at(9, 43)));
    addQso(qso("DL3QRP", at(9, 44)));
    QsoArguments otherMode = qso("DL1ABC", at(9, 42));
    otherMode.mode = "SSB";
    QsoArguments otherBand = qso("DL1ABC", at(9, 42));
    otherBand.band = "40m";
    removeQso(otherMode);
    removeQso(otherBand);
    removeQso(qso("dl1abc", at(9, 42)));
    removeQso(qso("DL1ABC", at(9, 42, 19)));                       // same minute, other day
    removeQso(qso("DL2XYZ", withStatus(DateTimeStatus::invalid)));  // equals nothing
    EXPECT_EQ(3u, state().qsoList.size());

    removeQso(qso("DL2XYZ", at(9, 43)));
    ASSERT_EQ(2u, state().qsoList.size());
    EXPECT_EQ("DL1ABC", state().qsoList[0].call);
    EXPECT_EQ("DL3QRP", state().qsoList[1].call);
}

// --- the rewrite of the bad-QSO file ---

TEST_F(RemovalTest, DropsEveryLineOfTheCallsignInThatMinute) {
    QsoArguments wrongBand = qso("UN7AB", at(9, 42));
    wrongBand.band = "160m";
    addQso(wrongBand);                          // rejected, same call and minute
    addQso(unQso("UN7AB", "A01", at(9, 42)));
    addQso(unQso("UN7AB", "A07", at(9, 42)));   // bad code and dupe: two lines
    addQso(unQso("UN7AB", "A01", at(10, 5)));   // dupe in another minute
    removeQso(unQso("UN7AB", "", at(9, 42)));

    EXPECT_EQ(2u, state().qsoList.size());
    EXPECT_EQ(kRewriteHeader +
                  "QSO:  14025  CW  2017-03-18 1005  UN0OWN  599  001  UN7AB  599  A01   DUPE !!!\r\n",
              badQsoFile());
}

TEST_F(RemovalTest, KeepsLinesWhereTheCallsignIsOnlyPartOfAField) {
    addQso(qso("DL1AB"));
    addQso(qso("DL1AB"));      // its dupe line goes
    addQso(qso("DL1ABC"));
    addQso(qso("DL1ABC"));     // longer call: its line stays
    addQso(qso("XDL1AB"));
    addQso(qso("XDL1AB"));     // call ending in it: its line stays
    removeQso(qso("DL1AB"));
    EXPECT_EQ(kRewriteHeader +
                  "QSO:  14025  CW  2017-03-18 0942  UN0OWN  599  001  DL1ABC  599  015   DUPE !!!\r\n"
                  "QSO:  14025  CW  2017-03-18 0942  UN0OWN  599  001  XDL1AB  599  015   DUPE !!!\r\n",
              badQsoFile());
}

TEST_F(RemovalTest, TheTimeMatchesOnlyTheLinesTimeField) {
    // 10:00 on 1830 kHz and 11:00 with serial 1830: both lines hold
    // " 1830 ", neither is the 18:30 QSO of its call.
    QsoArguments on160 = qso("UA9XX", at(10, 0));
    on160.frequencyHz = 1830000;
    on160.band = "160m";
    QsoArguments serial1830 = qso("UN7XYZ", at(11, 0));
    serial1830.exchangeSent = "1830";
    for (const QsoArguments& logged : {on160, serial1830, qso("UA9XX", at(18, 30)), qso("UN7XYZ", at(18, 30))}) {
        addQso(logged);
        addQso(logged);  // a dupe line each
    }
    removeQso(qso("UA9XX", at(18, 30)));
    removeQso(qso("UN7XYZ", at(18, 30)));

    const std::string file = badQsoFile();
    EXPECT_NE(file.find("QSO:  1830  CW  2017-03-18 1000  UN0OWN  599  001  UA9XX  "), std::string::npos) << file;
    EXPECT_NE(file.find("QSO:  14025  CW  2017-03-18 1100  UN0OWN  599  1830  UN7XYZ  "), std::string::npos) << file;
    EXPECT_EQ(file.find("1830  UN0OWN"), std::string::npos) << file;  // the 18:30 lines went
}

TEST_F(RemovalTest, NoMatchRemovesNothingButStillRewrites) {
    addQso(qso("DL1ABC", at(9, 42)));
    addQso(qso("DL1ABC", at(9, 42)));
    addQso(qso("DL2XYZ", at(9, 50)));
    addQso(qso("DL2XYZ", at(9, 50)));
    // 09:42:30 is no stored moment, but its minute matches the first lines.
    removeQso(qso("DL1ABC", COleDateTime::fromParts(2017, 3, 18, 9, 42, 30)));
    EXPECT_EQ(4u, state().qsoList.size());
    EXPECT_EQ(kRewriteHeader +
                  "QSO:  14025  CW  2017-03-18 0950  UN0OWN  599  001  DL2XYZ  599  015   DUPE !!!\r\n",
              badQsoFile());
}

// Once the file is as a rewrite leaves it, a removal that takes none of its
// lines leaves it alone (a hard link to it stays the same file); a line
// someone else added is still found.
TEST_F(RemovalTest, LeavesTheRewrittenFileAloneWhenNoLineGoes) {
    namespace fs = std::filesystem;
    addQso(qso("DL1ABC", at(9, 42)));
    addQso(qso("DL1ABC", at(9, 42)));  // a dupe line
    addQso(qso("DL2XYZ", at(9, 50)));
    addQso(qso("DL3QRP", at(9, 55)));
    removeQso(qso("DL2XYZ", at(9, 50)));  // no line goes, but the header becomes the rewrite header
    const fs::path file = folder.path() / kBadQsoFile;
    const std::string rewritten = badQsoFile();
    ASSERT_EQ(0u, rewritten.find(kRewriteHeader));
    fs::create_hard_link(file, folder.path() / "link.txt");

    removeQso(qso("DL3QRP", at(9, 55)));
    EXPECT_EQ(2u, fs::hard_link_count(file));
    EXPECT_EQ(rewritten, badQsoFile());

    std::ofstream(file, std::ios::binary | std::ios::app)
        << "QSO:  14025  CW  2017-03-18 1010  UN0OWN  599  001  G4A  599  015   DUPE !!!\r\n";
    removeQso(qso("G4A", at(10, 10)));
    EXPECT_EQ(rewritten, badQsoFile());
    EXPECT_EQ(1u, fs::hard_link_count(file));
    EXPECT_EQ(2u, state().qsoList.size());
}

TEST_F(RemovalTest, LaterAddsAppendAfterTheRewrite) {
    addQso(qso("DL1ABC"));
    removeQso(qso("DL1ABC"));
    QsoArguments wrongMode = qso("DL2XYZ");
    wrongMode.mode = "FT8";
    addQso(wrongMode);
    EXPECT_EQ(kRewriteHeader +
                  "QSO:  14025  FT8  2017-03-18 0942  UN0OWN  599  001  DL2XYZ  599  015   WRONG MODE !!!\r\n",
              badQsoFile());
}

TEST_F(RemovalTest, AWriteProtectedFileKeepsItsLines) {
    namespace fs = std::filesystem;
    addQso(qso("DL1ABC"));
    addQso(qso("DL1ABC"));
    const std::string before = badQsoFile();
    unprivileged::openFolderToCheckUser(folder.path());
    fs::permissions(folder.path() / kBadQsoFile, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(unprivileged::check([this] { return removeQso(qso("DL1ABC")) == 1 && state().qsoList.size() == 1; }));
    EXPECT_EQ(before, badQsoFile());
}

// An unreadable file is left alone rather than cut down to its header.
TEST_F(RemovalTest, MissingFileIsNotRecreated) {
    addQso(qso("DL1ABC"));
    std::filesystem::remove(folder.path() / kBadQsoFile);
    removeQso(qso("DL1ABC"));
    EXPECT_TRUE(state().qsoList.empty());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / kBadQsoFile));
}

TEST(RemovalBeforeReset, ReturnsOneAndWritesNoFile) {
    ScratchFolder folder;
    EXPECT_EQ(1, removeQso(qso("DL1ABC")));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(folder.path()), {}));
}

}  // namespace
