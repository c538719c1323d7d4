// The engine reached through the exported functions, with the host's
// argument positions and with null pointers where texts and dates go.
#include "engine_fixture.h"
#include "plugin/exports.h"

using namespace korvan;

namespace {

int add(const char* call, COleDateTime* time, const char* mode, const char* exchangeReceived, const char* prefix,
        const char* band, const char* ownCall = "UN0OWN", const char* exchangeSent = "001") {
    return AddData0(ownCall, call, time, nullptr, nullptr, nullptr, 0, 14025999, mode, "599", "599", exchangeSent,
                    exchangeReceived, "x", "x", "x", "x", "x", "x", "x", "x", "x", prefix, 0, 0, 0, 0.0, 0.0, "x",
                    "AS", "x", band, "x");
}

int remove(const char* call, COleDateTime* time, const char* mode, const char* band) {
    return RemoveData0(nullptr, call, time, nullptr, nullptr, nullptr, 0, 0, mode, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, 0, 0, 0, 0.0, 0.0, nullptr, nullptr, nullptr, band, nullptr);
}

int check(const char* call, const char* mode, const char* band, char* out) {
    return CheckCallFunc0(call, 0, 0, mode, "x", "x", "x", "x", "x", "x", "x", "x", "x", "UN", 0, 0, 0, 0.0, 0.0,
                          "x", "AS", "x", "x", "x", band, "x", out, nullptr);
}

class ExportsTest : public EngineTest {};

TEST_F(ExportsTest, ArgumentPositionsReachTheEngine) {
    ScratchFolder::write(folder.path() / "Plugins" / "kda.dom", "UN7CD A01\r\n");
    platform::writeProfileString(settingsFile, settingsSection, "Start", "1");
    COleDateTime first = COleDateTime::fromParts(2017, 3, 18, 6, 0);
    COleDateTime second = COleDateTime::fromParts(2017, 3, 19, 12, 0);
    EXPECT_EQ(1, ResetStats0("", 0, "UN0OWN", &first, &second, "x", "x", "x", "x", "x", "x", "x", "x", "x", "UN", 0,
                             0, 0, 0.0, 0.0, "x", "AS", "x"));
    EXPECT_EQ("UN", state().ownPrefix);
    EXPECT_EQ("AS", state().ownContinent);
    EXPECT_EQ("19.03.2017", state().contestDate);

    COleDateTime time = at(9, 42);
    EXPECT_EQ(1, add("UN7AB", &time, "CW", "a01", "UN", "20m"));
    EXPECT_EQ(1, add("UN7AB", &time, "CW", "a01", "UN", "20m"));
    char out[100] = "";
    EXPECT_EQ(0, check("UN7AB", "CW", "20m", out));
    EXPECT_EQ(1, check("UN7CD", "CW", "20m", out));
    EXPECT_STREQ("A01", out);
    EXPECT_EQ(1, StatsIsValidExchg0("A01", nullptr, nullptr, nullptr, 0, 0, 0));
    EXPECT_EQ(
        kResetHeader + "QSO:  14025  CW  2017-03-18 0942  UN0OWN  599  001  UN7AB  599  a01   DUPE !!!\r\n",
        ScratchFolder::read(folder.path() / "BadQSO_StatsKORVAN_19_03_2017.txt"));

    EXPECT_EQ(1, remove("UN7AB", &time, "CW", "20m"));
    EXPECT_EQ(1u, state().qsoList.size());
    EXPECT_EQ(kRewriteHeader, ScratchFolder::read(folder.path() / "BadQSO_StatsKORVAN_19_03_2017.txt"));
}

TEST_F(ExportsTest, NullPointersReadAsEmptyTextsAndNullDates) {
    platform::writeProfileString(settingsFile, settingsSection, "Start", "1");
    EXPECT_EQ(1, ResetStats0(nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0.0, 0.0, nullptr, nullptr,
                             nullptr));
    EXPECT_EQ("", state().contestYear);
    EXPECT_EQ("BadQSO_StatsKORVAN_.txt", state().badQsoFileName);

    EXPECT_EQ(0, add(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));  // "" is no band
    EXPECT_EQ(0, add("DL1ABC", nullptr, "CW", nullptr, "DL", "20m", nullptr, nullptr));
    EXPECT_EQ(1, add("DL1ABC", nullptr, "CW", "015", "DL", "20m", nullptr));
    EXPECT_EQ(kResetHeader +
                  "QSO:  14025        599      599     WRONG BAND !!!\r\n"
                  "QSO:  14025  CW      599    DL1ABC  599     NO RX NUMBER !!!\r\n",
              ScratchFolder::read(folder.path() / "BadQSO_StatsKORVAN_.txt"));

    EXPECT_EQ(2, check(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, check("DL1ABC", "CW", "20m", nullptr));
    EXPECT_EQ(0, StatsIsValidExchg0(nullptr, nullptr, nullptr, nullptr, 0, 0, 0));
    EXPECT_EQ(1, remove(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(1, remove("DL1ABC", nullptr, "CW", "20m"));  // null time matches the null time stored
    EXPECT_TRUE(state().qsoList.empty());
}

}  // namespace
