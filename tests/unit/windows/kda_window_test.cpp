// The KDA area grid: which boxes a band's list of codes ticks.
#include <gtest/gtest.h>

#include <string>

#include "windows/kda_window.h"
#include "windows/operator_windows.h"

using namespace korvan;

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
    OperatorWindows windows;
    KdaAreaWindow grid(windows);
    grid.rebuildMarks({"C05", "I13", "A01"});
    EXPECT_EQ((std::vector<std::string>{"A01", "C05", "I13"}), tickedCodes(grid.marks()));

    // Codes outside the grid (J22, lower case, other lengths, numbers beyond
    // a letter's range) mark nothing;
    // a code listed twice ticks its box once.
    grid.rebuildMarks({"J22", "c05", "C051", "C5", "A07", "C00", "Q19", "M11", "Q19", ""});
    EXPECT_EQ((std::vector<std::string>{"M11", "Q19"}), tickedCodes(grid.marks()));

    grid.rebuildMarks({});
    EXPECT_TRUE(tickedCodes(grid.marks()).empty());
}

}  // namespace

#include "platform/headless/testing.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "scratch_folder.h"

namespace {

namespace headless = platform::headless;

int boxOf(const char* code) {
    for (std::size_t k = 0; k < areaGridCodes.size(); ++k)
        if (std::string(areaGridCodes[k]) == code) return IDC_OBLAST_FIRST_BOX + static_cast<int>(k) + (k >= 197);
    return 0;
}

TEST(KdaWindow, OpensWhereItWasLeftWithoutADefaultAndSavesItsMoves) {
    ScratchFolder folder;
    OperatorWindows windows;
    {
        KdaAreaWindow never(windows);
        ASSERT_TRUE(never.createModeless());
        EXPECT_EQ(0, never.windowRect().left);  // no key: (0, 0), not the panel's default
        EXPECT_EQ(0, never.windowRect().top);
        EXPECT_FALSE(never.isTopmost());
    }
    platform::writeProfileString(settingsFile, settingsSection, "oblast_x", "-1920");
    platform::writeProfileString(settingsFile, settingsSection, "oblast_y", "100");
    windows.memory().keepWindowsOnTop = 1;
    KdaAreaWindow grid(windows);
    ASSERT_TRUE(grid.createModeless());
    EXPECT_EQ("KDA", grid.title());
    EXPECT_TRUE(grid.isVisible());
    EXPECT_EQ(-1920, grid.windowRect().left);
    EXPECT_EQ(100, grid.windowRect().top);
    EXPECT_TRUE(grid.isTopmost());
    EXPECT_EQ(IDI_KORVAN, headless::largeIcon(grid));
    EXPECT_TRUE(headless::closeItemDisabled(grid));
    const auto colors = headless::askControlColors(grid, boxOf("A01"));
    ASSERT_TRUE(colors.has_value());
    EXPECT_EQ(platform::rgb(0, 0, 0), colors->text);
    EXPECT_EQ(platform::rgb(255, 250, 198), colors->textBackground);
    EXPECT_EQ(platform::rgb(255, 250, 198), colors->brush);

    grid.moveTo(-1900, 120);
    ASSERT_TRUE(headless::moveMouseOver(grid));
    headless::pumpMessages();
    EXPECT_EQ("-1900", platform::readProfileString(settingsFile, settingsSection, "oblast_x", ""));
    EXPECT_EQ("120", platform::readProfileString(settingsFile, settingsSection, "oblast_y", ""));
    EXPECT_EQ(-1900, windows.memory().rememberedLeft);
}

TEST(KdaWindow, BoxesShowTheMarksAndEscOnlyHidesTheWindow) {
    ScratchFolder folder;
    OperatorWindows windows;
    KdaAreaWindow grid(windows);
    ASSERT_TRUE(grid.createModeless());
    grid.rebuildMarks({"C05", "Q19", "M12"});
    // Boxes ticked and unticked by the operator: the next rebuild overrides
    // them even where the marks did not change.
    ASSERT_TRUE(headless::pressControl(grid, boxOf("B02")));
    ASSERT_TRUE(headless::pressControl(grid, boxOf("C05")));
    headless::pumpMessages();
    ASSERT_EQ(1, grid.checkState(boxOf("B02")));
    ASSERT_EQ(0, grid.checkState(boxOf("C05")));
    grid.rebuildMarks({"C05", "Q19", "M12"});
    for (const char* code : {"C05", "Q19", "M12"}) EXPECT_EQ(1, grid.checkState(boxOf(code))) << code;
    EXPECT_EQ("M012", grid.controlText(boxOf("M12")));
    EXPECT_EQ(0, grid.checkState(boxOf("B02")));

    ASSERT_TRUE(headless::pressKey(grid, headless::Key::enter));
    headless::pumpMessages();
    EXPECT_TRUE(grid.isVisible());
    ASSERT_TRUE(headless::pressKey(grid, headless::Key::escape));
    headless::pumpMessages();
    EXPECT_FALSE(grid.isVisible());
    ASSERT_NE(nullptr, grid.window());  // hidden, still there to be updated
    grid.rebuildMarks({});
    EXPECT_EQ(0, grid.checkState(boxOf("C05")));
}

}  // namespace
