// The info button of the DXCC window through the recording canvas: the
// band view's order and flow, the worked-with view's rows and highlight.
#include <gtest/gtest.h>

#include "live_windows_support.h"
#include "platform/headless/testing.h"
#include "platform/profile.h"
#include "platform/recording_canvas.h"
#include "resources/resource.h"
#include "scratch_folder.h"

using namespace korvan;

namespace {

using platform::CanvasOperation;
using platform::rgb;
namespace headless = platform::headless;

struct Text {
    int x, y;
    std::string text;
    bool operator==(const Text&) const = default;
};

std::vector<Text> textsOf(const platform::RecordingCanvas& canvas) {
    std::vector<Text> texts;
    for (const CanvasOperation& op : canvas.operations())
        if (op.kind == CanvasOperation::Kind::drawTextAt) texts.push_back({op.x, op.y, op.text});
    return texts;
}

std::vector<CanvasOperation> fillsOf(const platform::RecordingCanvas& canvas) {
    std::vector<CanvasOperation> fills;
    for (const CanvasOperation& op : canvas.operations())
        if (op.kind == CanvasOperation::Kind::fillRect) fills.push_back(op);
    return fills;
}

class InfoButtonTest : public ::testing::Test {
protected:
    void paint(const platform::Rect& item) {
        canvas.clear();
        InfoButton::paint(canvas, item, view);
    }

    ScratchFolder folder;
    OperatorView view;
    platform::RecordingCanvas canvas;
};

TEST_F(InfoButtonTest, BandViewFlowsThePrefixesInAscendingByteOrder) {
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().bandDxccLists[3] = {"UA", "DL", "K", "EA", "9A", "ua", "OH", "SP", "\xC0X"};
    }
    updateOperatorView(view, "", 3, {.bandPrefixes = true});
    paint({0, 0, 300, 100});
    ASSERT_EQ(1u, fillsOf(canvas).size());
    EXPECT_EQ(rgb(255, 250, 198), fillsOf(canvas)[0].color);
    EXPECT_EQ((std::vector<Text>{{5, 15, "9A"},
                                 {45, 15, "DL"},
                                 {85, 15, "EA"},
                                 {125, 15, "K"},
                                 {165, 15, "OH"},
                                 {205, 15, "SP"},
                                 {245, 15, "UA"},
                                 {5, 30, "ua"},
                                 {45, 30, "\xC0X"}}),
              textsOf(canvas));
    // The sort ran on a copy: the host's thread owns the stored list.
    std::lock_guard<std::mutex> guard(stateLock());
    EXPECT_EQ("UA", contestState().bandDxccLists[3].front());
}

TEST_F(InfoButtonTest, BandViewWithoutABandIsOnlyTheBackground) {
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().bandDxccLists[3] = {"DL"};
    }
    updateOperatorView(view, "", -1, {.bandPrefixes = true});
    paint({0, 0, 300, 100});
    ASSERT_EQ(1u, canvas.operations().size());
    EXPECT_EQ(rgb(255, 250, 198), canvas.operations()[0].color);
}

TEST_F(InfoButtonTest, WorkedWithViewDrawsRowsOneSeventhApartAndTintsTheCurrentBand) {
    view.callsign = "UNTEST";
    view.bandSlot = 3;
    view.workedWith.fill({"   -", "   -", "   -"});
    view.workedWith[3] = {"10:02", "11:15", "C06"};
    const platform::Rect button{0, 0, 390, 190};  // h = 27
    paint(button);
    const auto fills = fillsOf(canvas);
    ASSERT_EQ(2u, fills.size());
    EXPECT_EQ(button, fills[0].rect);
    EXPECT_EQ(rgb(255, 255, 198), fills[0].color);
    EXPECT_EQ((platform::Rect{0, 4 * 27 + 7, 390, 5 * 27 - 1}), fills[1].rect);
    EXPECT_EQ(rgb(198, 255, 255), fills[1].color);

    const auto texts = textsOf(canvas);
    ASSERT_EQ(4u + 5u * 4u, texts.size());
    EXPECT_EQ((std::vector<Text>{{180, 15, "UNTEST"}, {100, 38, "CW"}, {180, 38, "SSB"}, {273, 38, "Obl/NR"}}),
              std::vector<Text>(texts.begin(), texts.begin() + 4));
    EXPECT_EQ((std::vector<Text>{{20, 2 * 27 + 10, "80m"}, {100, 2 * 27 + 10, "   -"}}),
              std::vector<Text>(texts.begin() + 4, texts.begin() + 6));
    const int y20 = 4 * 27 + 10;
    EXPECT_EQ((std::vector<Text>{{20, y20, "20m"}, {100, y20, "10:02"}, {180, y20, "11:15"}, {280, y20, "C06"}}),
              std::vector<Text>(texts.begin() + 12, texts.begin() + 16));
    EXPECT_EQ((Text{20, 6 * 27 + 10, "10m"}), texts[20]);

    // 160 m: tinted above the 80 m row, where no row is drawn; no band: no
    // tint.
    view.bandSlot = 0;
    paint(button);
    EXPECT_EQ((platform::Rect{0, 27 + 7, 390, 2 * 27 - 1}), fillsOf(canvas)[1].rect);
    view.bandSlot = -1;
    paint(button);
    EXPECT_EQ(1u, fillsOf(canvas).size());
}

TEST_F(InfoButtonTest, WindowKeepsItsButtonFivePixelsInsideAndPaintsItOffScreen) {
    platform::writeProfileString(settingsFile, settingsSection, "dxcc_y", "-50");
    WindowMemory memory;
    memory.currentCallsign = "UNTEST";
    memory.currentBandSlot = 3;
    OperatorWindows windows(memory);
    DxccWindow window(windows);
    ASSERT_TRUE(window.createModeless());
    EXPECT_EQ("DXCC", window.title());
    EXPECT_FALSE(window.isVisible());  // until its creator shows it
    EXPECT_EQ(10, window.windowRect().left);  // no key: the default
    EXPECT_EQ(-50, window.windowRect().top);
    EXPECT_EQ(10, windows.memory().rememberedLeft);
    EXPECT_FALSE(window.isTopmost());
    EXPECT_TRUE(headless::isOwnerDrawn(window, IDC_DXCC_INFO));
    EXPECT_TRUE(headless::paintsOffscreen(window, IDC_DXCC_INFO));
    EXPECT_EQ(IDI_KORVAN, headless::largeIcon(window));
    EXPECT_TRUE(headless::closeItemDisabled(window));

    // Before any refresh the button paints the remembered callsign and band.
    headless::resizeClient(window, 400, 200);
    EXPECT_EQ((platform::Rect{5, 5, 395, 195}), window.controlRect(IDC_DXCC_INFO));
    const auto painted = headless::paintControl(window, IDC_DXCC_INFO);
    ASSERT_GE(painted.size(), 2u);
    EXPECT_EQ((platform::Rect{0, 0, 390, 190}), painted[0].rect);
    EXPECT_EQ((platform::Rect{0, 4 * 27 + 7, 390, 5 * 27 - 1}), painted[1].rect);  // h = 27

    // Smaller than its margins: an empty button, never a negative one.
    headless::resizeClient(window, 6, 3);
    EXPECT_TRUE(window.controlRect(IDC_DXCC_INFO).empty());
    EXPECT_GE(window.controlRect(IDC_DXCC_INFO).width(), 0);
}

}  // namespace
