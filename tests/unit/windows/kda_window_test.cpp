// The KDA area grid: which boxes a band's list of codes ticks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "windows/kda_window.h"

namespace {

std::vector<std::string> tickedCodes(const AreaMarks& marks) {
    std::vector<std::string> codes;
    for (std::size_t k = 0; k < marks.size(); ++k)
        if (marks[k] == 1)
            codes.push_back(areaGridCodes[k]);
        else
            EXPECT_EQ(0, marks[k]);
    return codes;
}

TEST(KdaMarks, EachCodeTicksOnlyItsOwnBoxAndARebuildStartsFromNothing) {
    oblast grid;
    grid.rebuildMarks({"C05", "I13", "A01"});
    EXPECT_EQ((std::vector<std::string>{"A01", "C05", "I13"}), tickedCodes(grid.marks()));

    // Codes outside the grid (J22, lower case, longer texts) mark nothing;
    // a code listed twice ticks its box once.
    grid.rebuildMarks({"J22", "c05", "C051", "Q19", "M11", "Q19", ""});
    EXPECT_EQ((std::vector<std::string>{"M11", "Q19"}), tickedCodes(grid.marks()));

    grid.rebuildMarks({});
    EXPECT_TRUE(tickedCodes(grid.marks()).empty());
}

TEST(KdaMarks, GridHoldsEveryAreaOnceInGridOrder) {
    EXPECT_EQ("A01", std::string(areaGridCodes.front()));
    EXPECT_EQ("Z03", std::string(areaGridCodes.back()));
    const auto has = [](const char* code) {
        return std::any_of(areaGridCodes.begin(), areaGridCodes.end(),
                           [&](const char* c) { return std::string(c) == code; });
    };
    EXPECT_TRUE(has("J21"));
    EXPECT_FALSE(has("J22"));
    EXPECT_TRUE(has("Q19"));
    EXPECT_TRUE(has("M13"));  // the box captioned "M013"
}

}  // namespace
