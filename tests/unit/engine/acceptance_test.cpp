// AddData0: which QSOs are stored, how they are flagged, and the bad-QSO
// file lines they leave.
#include <cstdio>

#include "engine_fixture.h"
#include "platform/files.h"

using namespace korvan;

namespace {

// The fields of qso("DL1ABC") as a bad-QSO line shows them.
const std::string kDl1abcLine = "QSO:  14025  CW  2017-03-18 0942  UN0OWN  599  001  DL1ABC  599  015";

class AcceptanceTest : public EngineTest {
protected:
    void SetUp() override { resetWithoutPanel(); }
};

TEST_F(AcceptanceTest, StoresAValidQsoWithoutFileLine) {
    QsoArguments q = qso("DL1ABC");
    q.frequencyHz = 14025999;  // truncated, not rounded
    q.continent = "EU";
    EXPECT_EQ(1, addQso(q));
    ASSERT_EQ(1u, state().qsoList.size());
    const CInfo& stored = state().qsoList[0];
    EXPECT_EQ("DL1ABC", stored.call);
    EXPECT_EQ("DL", stored.prefix);
    EXPECT_EQ("EU", stored.continent);
    EXPECT_EQ("20m", stored.band);
    EXPECT_EQ("CW", stored.mode);
    EXPECT_EQ("001", stored.exchangeSent);
    EXPECT_EQ("015", stored.exchangeReceived);
    EXPECT_EQ("", stored.kdaCode);
    EXPECT_EQ(14025, stored.frequencyKHz);
    EXPECT_EQ(0, stored.invalid + stored.badCode + stored.dupe);
    EXPECT_TRUE(sameMoment(at(9, 42), stored.qsoTime));
    EXPECT_EQ(kResetHeader, badQsoFile());
}

TEST_F(AcceptanceTest, RejectsWrongBandBeforeAnythingElse) {
    QsoArguments q = qso("DL1ABC");
    q.band = "160m";
    q.mode = "RTTY";          // also wrong, but the band is checked first
    q.exchangeSent = "";      // also missing
    EXPECT_EQ(0, addQso(q));
    EXPECT_TRUE(state().qsoList.empty());
    EXPECT_TRUE(state().workedBands.empty());
    EXPECT_EQ(kResetHeader +
                  "QSO:  14025  RTTY  2017-03-18 0942  UN0OWN  599    DL1ABC  599  015   WRONG BAND !!!\r\n",
              badQsoFile());
}

TEST_F(AcceptanceTest, WrongModeIsCheckedAfterTheBandEntersWorkedBands) {
    QsoArguments q = qso("DL1ABC");
    q.mode = "RTTY";
    q.exchangeReceived = "";  // also missing, but the mode is checked first
    EXPECT_EQ(0, addQso(q));
    EXPECT_TRUE(state().qsoList.empty());
    EXPECT_EQ(std::vector<std::string>{"20m"}, state().workedBands);
    EXPECT_EQ(kResetHeader +
                  "QSO:  14025  RTTY  2017-03-18 0942  UN0OWN  599  001  DL1ABC  599     WRONG MODE !!!\r\n",
              badQsoFile());
}

TEST_F(AcceptanceTest, MissingExchangeSentOrReceivedIsRejected) {
    QsoArguments noSent = qso("DL1ABC");
    noSent.exchangeSent = "";
    QsoArguments noReceived = qso("DL2XYZ");
    noReceived.exchangeReceived = "";
    EXPECT_EQ(0, addQso(noSent));
    EXPECT_EQ(0, addQso(noReceived));
    EXPECT_TRUE(state().qsoList.empty());
    EXPECT_EQ(kResetHeader +
                  "QSO:  14025  CW  2017-03-18 0942  UN0OWN  599    DL1ABC  599  015   NO RX NUMBER !!!\r\n"
                  "QSO:  14025  CW  2017-03-18 0942  UN0OWN  599  001  DL2XYZ  599     NO RX NUMBER !!!\r\n",
              badQsoFile());
}

TEST_F(AcceptanceTest, BandAndModeIgnoreCaseButWorkedBandsDoNot) {
    QsoArguments capitals = qso("DL1ABC");
    capitals.band = "20M";
    capitals.mode = "cw";
    EXPECT_EQ(1, addQso(capitals));
    EXPECT_EQ(1, addQso(qso("DL2XYZ")));
    EXPECT_EQ(1, addQso(qso("DL3QRP")));
    EXPECT_EQ((std::vector<std::string>{"20M", "20m"}), state().workedBands);
    EXPECT_EQ("20M", state().qsoList[0].band);
    EXPECT_EQ("cw", state().qsoList[0].mode);
}

TEST_F(AcceptanceTest, PrefixesIt9AndIg9AreStoredAsI) {
    for (const char* prefix : {"IT9", "IG9", "it9"}) {
        QsoArguments q = qso(std::string("X") + prefix);
        q.prefix = prefix;
        addQso(q);
    }
    EXPECT_EQ("I", state().qsoList[0].prefix);
    EXPECT_EQ("I", state().qsoList[1].prefix);
    EXPECT_EQ("it9", state().qsoList[2].prefix);
}

TEST_F(AcceptanceTest, NullAndInvalidDateTimesAreHandledAsUsual) {
    EXPECT_EQ(1, addQso(qso("DL1ABC", withStatus(DateTimeStatus::null))));
    EXPECT_EQ(1, addQso(qso("DL1ABC", withStatus(DateTimeStatus::null))));
    EXPECT_EQ(1, addQso(qso("DL2XYZ", withStatus(DateTimeStatus::invalid))));
    EXPECT_EQ(1, addQso(qso("DL2XYZ", withStatus(DateTimeStatus::invalid))));
    EXPECT_EQ(kResetHeader +
                  "QSO:  14025  CW    UN0OWN  599  001  DL1ABC  599  015   DUPE !!!\r\n"
                  "QSO:  14025  CW  Invalid DateTime  UN0OWN  599  001  DL2XYZ  599  015   DUPE !!!\r\n",
              badQsoFile());
}

// --- dupes ---

TEST_F(AcceptanceTest, SameCallBandAndModeIsAStoredDupe) {
    EXPECT_EQ(1, addQso(qso("DL1ABC")));
    EXPECT_EQ(1, addQso(qso("DL1ABC")));
    ASSERT_EQ(2u, state().qsoList.size());
    EXPECT_EQ(0, state().qsoList[0].dupe);
    EXPECT_EQ(1, state().qsoList[1].dupe);
    EXPECT_EQ(1, state().qsoList[1].invalid);
    EXPECT_EQ(0, state().qsoList[1].badCode);
    EXPECT_EQ(kResetHeader + kDl1abcLine + "   DUPE !!!\r\n", badQsoFile());
}

TEST_F(AcceptanceTest, OtherBandOtherModeOrOtherCaseIsNoDupe) {
    QsoArguments otherBand = qso("DL1ABC");
    otherBand.band = "40m";
    QsoArguments otherMode = qso("DL1ABC");
    otherMode.mode = "SSB";
    addQso(qso("DL1ABC"));
    addQso(otherBand);
    addQso(otherMode);
    addQso(qso("dl1abc"));
    for (const CInfo& stored : state().qsoList) EXPECT_EQ(0, stored.dupe) << stored.call << stored.band;
    EXPECT_EQ(kResetHeader, badQsoFile());
}

TEST_F(AcceptanceTest, RepeatingADupeOrABadCodeQsoIsADupe) {
    addQso(unQso("UN7AB", "X99"));  // bad code, stored
    addQso(unQso("UN7AB", "A01"));  // dupe of a bad-code QSO
    addQso(unQso("UN7AB", "A01"));  // dupe of a dupe
    ASSERT_EQ(3u, state().qsoList.size());
    EXPECT_EQ(1, state().qsoList[1].dupe);
    EXPECT_EQ(1, state().qsoList[2].dupe);
    EXPECT_EQ("A01", state().qsoList[2].kdaCode);
}

// --- KDA codes of "UN" stations ---

TEST_F(AcceptanceTest, KdaCodeIsUpperCasedAndTrimmed) {
    EXPECT_EQ(1, addQso(unQso("UN7AB", " a01 ")));
    EXPECT_EQ(1, addQso(unQso("UN7CD", "\tz03")));
    EXPECT_EQ("A01", state().qsoList[0].kdaCode);
    EXPECT_EQ(" a01 ", state().qsoList[0].exchangeReceived);
    EXPECT_EQ("Z03", state().qsoList[1].kdaCode);
    EXPECT_EQ(0, state().qsoList[0].invalid);
    EXPECT_EQ(kResetHeader, badQsoFile());
}

TEST_F(AcceptanceTest, UnacceptableKdaCodeIsStoredFlagged) {
    EXPECT_EQ(1, addQso(unQso("UN7AB", " a00")));
    const CInfo& stored = state().qsoList.at(0);
    EXPECT_EQ(1, stored.invalid);
    EXPECT_EQ(1, stored.badCode);
    EXPECT_EQ(0, stored.dupe);
    EXPECT_EQ("", stored.kdaCode);
    EXPECT_EQ(kResetHeader +
                  "QSO:  14025  CW  2017-03-18 0942  UN0OWN  599  001  UN7AB  599   a00  A00"
                  "  KDA Code is not acceptable !!!\r\n",
              badQsoFile());
}

TEST_F(AcceptanceTest, BadCodeDupeWritesBothLinesInOrder) {
    addQso(unQso("UN7AB", "A01"));
    addQso(unQso("UN7AB", "A07"));
    const CInfo& second = state().qsoList.at(1);
    EXPECT_EQ(1, second.badCode);
    EXPECT_EQ(1, second.dupe);
    const std::string fields = "QSO:  14025  CW  2017-03-18 0942  UN0OWN  599  001  UN7AB  599  A07";
    EXPECT_EQ(kResetHeader + fields + "  A07  KDA Code is not acceptable !!!\r\n" + fields + "   DUPE !!!\r\n",
              badQsoFile());
}

TEST_F(AcceptanceTest, OtherPrefixesKeepTheirExchangeUnexamined) {
    QsoArguments lowerUn = unQso("UN7AB", "A00");
    lowerUn.prefix = "un";
    addQso(qso("DL1ABC"));
    addQso(lowerUn);
    for (const CInfo& stored : state().qsoList) {
        EXPECT_EQ(0, stored.invalid);
        EXPECT_EQ("", stored.kdaCode);
    }
    EXPECT_EQ(kResetHeader, badQsoFile());
}

// --- without a reset ---

// A callsign holding CR LF (an ADIF field counts its bytes) must not add
// lines of its own to the bad-QSO file, and its removal still finds it.
TEST_F(AcceptanceTest, ControlCharactersInFieldsAreWrittenAsBlanks) {
    QsoArguments forged = qso("DL1AA\r\nQSO:  forged\tline");
    forged.rstReceived = "5\n9";
    addQso(forged);
    addQso(forged);
    EXPECT_EQ(kResetHeader +
                  "QSO:  14025  CW  2017-03-18 0942  UN0OWN  599  001  DL1AA  QSO:  forged line  5 9  015"
                  "   DUPE !!!\r\n",
              badQsoFile());
    removeQso(forged);
    EXPECT_EQ(kRewriteHeader, badQsoFile());
}

// On a full disk a QSO's lines go in whole or not at all; a later line
// never continues a cut one.
TEST_F(AcceptanceTest, FullDiskLeavesNoPartOfALine) {
    platform::setWriteFunctionForTesting([](std::FILE* file, const char* bytes, std::size_t size) {
        return std::fwrite(bytes, 1, size / 3, file);
    });
    QsoArguments wrongBand = qso("DL1ABC");
    wrongBand.band = "160m";
    EXPECT_EQ(0, addQso(wrongBand));
    platform::setWriteFunctionForTesting(nullptr);
    EXPECT_EQ(kResetHeader, badQsoFile());
    addQso(wrongBand);
    EXPECT_EQ(kResetHeader + kDl1abcLine + "   WRONG BAND !!!\r\n", badQsoFile());
}

TEST(AcceptanceBeforeReset, StoresWithoutWritingAnyFile) {
    ScratchFolder folder;
    EXPECT_EQ(1, addQso(qso("DL1ABC")));
    EXPECT_EQ(1, addQso(qso("DL1ABC")));
    EXPECT_EQ(1, contestState().qsoList.at(1).dupe);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "Plugins"));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(folder.path()), {}));
}

}  // namespace
