// The fixed rule lists and the KDA directory lookup the engine relies on.
#include <gtest/gtest.h>

#include <limits>

#include "engine/bands.h"
#include "engine/contest_rules.h"
#include "engine/kda_directory.h"

using namespace korvan;

namespace {

TEST(ContestRules, BandListIgnoresCaseAndHasNo160m) {
    EXPECT_TRUE(contestBands.containsNoCase("80m"));
    EXPECT_TRUE(contestBands.containsNoCase("80M"));
    EXPECT_TRUE(contestBands.containsNoCase("10m"));
    EXPECT_FALSE(contestBands.containsNoCase("160m"));
    EXPECT_FALSE(contestBands.containsNoCase(""));
    EXPECT_FALSE(contestBands.containsNoCase("20m "));
    EXPECT_EQ(6, contestBands.size());
}

TEST(BandTable, SlotsByLabelAndByWholeMegahertz) {
    EXPECT_EQ(0, bandSlot("160m"));
    EXPECT_EQ(3, bandSlot("20m"));
    EXPECT_EQ(-1, bandSlot("20M"));  // the statistics' slots are exact
    EXPECT_EQ(-1, bandSlot("6m"));
    EXPECT_EQ(0, bandSlotOfFrequency(1800000.0));
    EXPECT_EQ(1, bandSlotOfFrequency(3999999.0));
    EXPECT_EQ(-1, bandSlotOfFrequency(4000000.0));
    EXPECT_EQ(2, bandSlotOfFrequency(7000000.0));
    EXPECT_EQ(3, bandSlotOfFrequency(14350000.0));
    EXPECT_EQ(4, bandSlotOfFrequency(21000000.0));
    EXPECT_EQ(5, bandSlotOfFrequency(28999999.0));
    EXPECT_EQ(-1, bandSlotOfFrequency(29100000.0));
    EXPECT_EQ(-1, bandSlotOfFrequency(0.0));
    EXPECT_EQ(-1, bandSlotOfFrequency(-14025000.0));
    EXPECT_EQ(-1, bandSlotOfFrequency(1e300));
    EXPECT_EQ(-1, bandSlotOfFrequency(std::numeric_limits<double>::quiet_NaN()));
    // Every accepted band is the label of its own slot: its QSOs feed the
    // lists the windows show on that band.
    for (int slot = 1; slot < kBandSlotCount; ++slot) EXPECT_EQ(slot, bandSlot(contestBands.at(slot)));
}

TEST(ContestRules, ModeListIgnoresCase) {
    EXPECT_TRUE(contestModes.containsNoCase("ssb"));
    EXPECT_TRUE(contestModes.containsNoCase("Cw"));
    EXPECT_FALSE(contestModes.containsNoCase("RTTY"));
}

TEST(ContestRules, KdaCodesAreExact) {
    EXPECT_TRUE(isKdaCode("A06"));
    EXPECT_TRUE(isKdaCode("Z03"));
    EXPECT_TRUE(isKdaCode("J22"));
    EXPECT_FALSE(isKdaCode("A07"));
    EXPECT_FALSE(isKdaCode("a01"));
    EXPECT_FALSE(isKdaCode("599"));
    EXPECT_FALSE(isKdaCode("D01"));
    EXPECT_FALSE(isKdaCode("A01 "));
}

TEST(KdaLookup, ShortCallsignsAndEmptyDirectoryGiveNet) {
    KdaDirectory directory;
    EXPECT_EQ("NET", directory.lookupKdaCode("UN7AB"));
    directory.assign({"K1A Z03", "UN7AB A01"});
    EXPECT_EQ("NET", directory.lookupKdaCode("K1A"));
    EXPECT_EQ("NET", directory.lookupKdaCode(""));
    EXPECT_EQ("NET", directory.lookupKdaCode("UN7XX"));
}

TEST(KdaLookup, FirstLineStartingWithTheCallsignWins) {
    KdaDirectory directory;
    directory.assign({"UNTESTA01", "UNTESTKK02"});
    EXPECT_EQ("A01", directory.lookupKdaCode("UNTEST"));
    EXPECT_EQ("K02", directory.lookupKdaCode("UNTESTK"));
    EXPECT_EQ("NET", directory.lookupKdaCode("untest"));
}

TEST(KdaLookup, LinesShorterThanTheCallsignNeverMatch) {
    KdaDirectory directory;
    directory.assign({"UN7A", "UN7AB"});
    EXPECT_EQ("7AB", directory.lookupKdaCode("UN7AB"));
    EXPECT_EQ("NET", directory.lookupKdaCode("UN7ABC"));
}

}  // namespace
