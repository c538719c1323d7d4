// The colour buttons and their painters, read back from a recording canvas.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "failing_allocation.h"
#include "platform/dialog.h"
#include "platform/headless/testing.h"
#include "platform/recording_canvas.h"
#include "resources/resource.h"
#include "windows/drawn_button.h"

using namespace korvan;

using platform::CanvasOperation;
using platform::Pen;
using platform::Rect;
using platform::RecordingCanvas;
using platform::paletteRgb;
using platform::rgb;
using Kind = CanvasOperation::Kind;
using Ops = std::vector<CanvasOperation>;
namespace headless = platform::headless;

namespace {

constexpr Rect kItem{0, 0, 48, 24};
constexpr platform::Color kWhite = rgb(255, 255, 255);
constexpr platform::Color kGrey = rgb(128, 128, 128);
constexpr platform::Color kFace = rgb(240, 240, 240);
constexpr platform::Color kGreen = rgb(0, 255, 0);

platform::Color grey(int level) { return paletteRgb(level, level, level); }

CanvasOperation fill(Rect rect, platform::Color color) {
    CanvasOperation op;
    op.kind = Kind::fillRect;
    op.rect = rect;
    op.color = color;
    return op;
}

CanvasOperation edge(Rect rect, platform::Color topLeft, platform::Color bottomRight) {
    CanvasOperation op;
    op.kind = Kind::draw3dRect;
    op.rect = rect;
    op.color = topLeft;
    op.secondColor = bottomRight;
    return op;
}

CanvasOperation focus(Rect rect) {
    CanvasOperation op;
    op.kind = Kind::drawFocusRect;
    op.rect = rect;
    return op;
}

CanvasOperation label(Rect rect, const std::string& text, platform::Color color) {
    CanvasOperation op;
    op.kind = Kind::drawTextCentered;
    op.rect = rect;
    op.text = text;
    op.color = color;
    return op;
}

Ops frameOf(DrawnObject& painter, int depth, Rect rect = kItem) {
    RecordingCanvas canvas;
    painter.drawFrame(canvas, rect, depth);
    return canvas.operations();
}

Ops bodyOf(DrawnObject& painter, unsigned state, Rect rect = kItem) {
    RecordingCanvas canvas;
    painter.drawBody(canvas, rect, state, kFace);
    return canvas.operations();
}

// --- the rectangle painter ------------------------------------------------

TEST(DrawnRect, DepthTwoIsTwoRaisedRingsOfPaletteGreys) {
    DrawnRect painter;
    EXPECT_EQ(frameOf(painter, 2), (Ops{edge(kItem, grey(255), grey(127)), edge(kItem.deflated(1), grey(223), grey(85))}));
    EXPECT_EQ(grey(255), 0x02FFFFFFu);
}

TEST(DrawnRect, NegativeDepthsSwapTheColours) {
    DrawnRect painter;
    EXPECT_EQ(frameOf(painter, -2),
              (Ops{edge(kItem, grey(127), grey(255)), edge(kItem.deflated(1), grey(85), grey(223))}));
}

TEST(DrawnRect, DepthOneIsWhiteAndGrey) {
    DrawnRect painter;
    EXPECT_EQ(frameOf(painter, 1), Ops{edge(kItem, kWhite, kGrey)});
    EXPECT_EQ(frameOf(painter, -1), Ops{edge(kItem, kGrey, kWhite)});
}

TEST(DrawnRect, DeeperFramesFollowTheGreyLevels) {
    DrawnRect painter;
    const Ops three = frameOf(painter, 3);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[2], edge(kItem.deflated(2), grey(63 / 3 + 192), grey(255 / 4)));
}

TEST(DrawnRect, NoFrameForDepthZeroOrTheMostNegative) {
    DrawnRect painter;
    EXPECT_TRUE(frameOf(painter, 0).empty());
    EXPECT_TRUE(frameOf(painter, INT_MIN).empty());
}

TEST(DrawnRect, UnfocusedBodyIsFaceAndRaisedEdge) {
    DrawnRect painter;
    const Ops expected{fill(kItem, kFace), edge(kItem, grey(255), grey(127)),
                       edge(kItem.deflated(1), grey(223), grey(85))};
    EXPECT_EQ(bodyOf(painter, 0), expected);
    // Selected without the focus: the same.
    EXPECT_EQ(bodyOf(painter, platform::kItemSelected), expected);
}

TEST(DrawnRect, FocusedBodyHasTheFocusRectangleTwoPixelsIn) {
    DrawnRect painter;
    EXPECT_EQ(bodyOf(painter, platform::kItemFocus),
              (Ops{fill(kItem, kFace), edge(kItem, grey(255), grey(127)), edge(kItem.deflated(1), grey(223), grey(85)),
                   focus(kItem.deflated(2))}));
}

TEST(DrawnRect, PressedAndFocusedAddsTheSunkenRingOverTheOuterRing) {
    DrawnRect painter;
    EXPECT_EQ(bodyOf(painter, platform::kItemFocus | platform::kItemSelected),
              (Ops{fill(kItem, kFace), edge(kItem, grey(255), grey(127)), edge(kItem.deflated(1), grey(223), grey(85)),
                   edge(kItem, kGrey, kWhite), focus(kItem.deflated(2))}));
}

// --- the button -----------------------------------------------------------

// A dialog with one colour button on the CW control.
class ButtonDialog : public platform::Dialog {
public:
    ButtonDialog() : Dialog(IDD_SETUP) {}
    CAdvancedButton button;

protected:
    void onDrawItem(int id, platform::Canvas& canvas, const Rect& rect, unsigned state) override {
        if (id == button.controlId()) button.paint(canvas, rect, state);
    }
};

void withButton(const std::function<void(ButtonDialog&)>& body) {
    ButtonDialog dialog;
    platform::headless::setModalScript(IDD_SETUP, [&](platform::Dialog&) {
        body(dialog);
        dialog.endDialog(platform::kIdCancel);
    });
    dialog.runModal();
    platform::headless::setModalScript(IDD_SETUP, {});
}

TEST(CAdvancedButton, AttachMakesTheControlOwnerDrawnWithItsColours) {
    withButton([](ButtonDialog& dialog) {
        CAdvancedButton missing;
        EXPECT_FALSE(missing.attachButton(4242, dialog, 1, 2, 3));
        ASSERT_TRUE(dialog.button.attachButton(IDC_SETUP_CW, dialog, kFace, rgb(1, 1, 1), kGrey));
        EXPECT_TRUE(headless::isOwnerDrawn(dialog, IDC_SETUP_CW));
        EXPECT_EQ(dialog.button.faceColor, kFace);
        EXPECT_EQ(dialog.button.labelColor, rgb(1, 1, 1));
        EXPECT_EQ(dialog.button.disabledLabelColor, kGrey);
        // Attaching paints nothing; redraw does, at once.
        EXPECT_EQ(headless::controlCounters(dialog, IDC_SETUP_CW).paints, 0);
        dialog.button.redraw();
        const Ops painted = headless::lastPainting(dialog, IDC_SETUP_CW);
        ASSERT_FALSE(painted.empty());
        EXPECT_EQ(painted.front(), fill(kItem, kFace));
        EXPECT_EQ(painted.back(), label(kItem, "CW", rgb(1, 1, 1)));
    });
}

TEST(CAdvancedButton, AFaceColourChangeRepaintsAtOnce) {
    withButton([](ButtonDialog& dialog) {
        ASSERT_TRUE(dialog.button.attachButton(IDC_SETUP_CW, dialog, kFace, rgb(1, 1, 1), kGrey));
        dialog.button.setFaceColor(kGreen);
        EXPECT_EQ(headless::controlCounters(dialog, IDC_SETUP_CW).redraws, 1);
        const Ops painted = headless::lastPainting(dialog, IDC_SETUP_CW);
        EXPECT_EQ(painted.front(), fill(kItem, kGreen));
        EXPECT_EQ(painted.back(), label(kItem, "CW", rgb(1, 1, 1)));  // caption colour unchanged
        dialog.button.setLabelColor(rgb(9, 9, 9));
        EXPECT_EQ(headless::controlCounters(dialog, IDC_SETUP_CW).redraws, 2);
        EXPECT_EQ(headless::lastPainting(dialog, IDC_SETUP_CW).back(), label(kItem, "CW", rgb(9, 9, 9)));
    });
}

TEST(CAdvancedButton, DisabledCaptionInTheDisabledColour) {
    withButton([](ButtonDialog& dialog) {
        ASSERT_TRUE(dialog.button.attachButton(IDC_SETUP_CW, dialog, kFace, rgb(1, 1, 1), kGrey));
        EXPECT_EQ(headless::paintControl(dialog, IDC_SETUP_CW, platform::kItemDisabled).back(),
                  label(kItem, "CW", kGrey));
        EXPECT_EQ(headless::paintControl(dialog, IDC_SETUP_CW, platform::kItemFocus).back(),
                  label(kItem, "CW", rgb(1, 1, 1)));
    });
}

TEST(CAdvancedButton, ACaptionIsCutAt511Characters) {
    withButton([](ButtonDialog& dialog) {
        ASSERT_TRUE(dialog.button.attachButton(IDC_SETUP_CW, dialog, kFace, rgb(1, 1, 1), kGrey));
        const std::string caption = std::string(511, 'a') + "bcd";
        dialog.setControlText(IDC_SETUP_CW, caption);
        EXPECT_EQ(headless::paintControl(dialog, IDC_SETUP_CW).back().text, std::string(511, 'a'));
        dialog.setControlText(IDC_SETUP_CW, std::string(511, 'x'));
        EXPECT_EQ(headless::paintControl(dialog, IDC_SETUP_CW).back().text, std::string(511, 'x'));
    });
}

// A canvas that counts what it is asked to draw and keeps nothing (so it
// needs no memory of its own).
class CountingCanvas : public platform::Canvas {
public:
    int operations = 0;
    void fillRect(const Rect&, platform::Color) override { ++operations; }
    void draw3dRect(const Rect&, platform::Color, platform::Color) override { ++operations; }
    void drawEllipse(const Rect&, const Pen&, platform::Color) override { ++operations; }
    void drawTextCentered(const Rect&, const std::string&, platform::Color) override { ++operations; }
    void drawTextAt(int, int, const std::string&) override { ++operations; }
    void drawFocusRect(const Rect&) override { ++operations; }
};

// Every paint request of the panel's buttons paints in full also when
// memory has run out: the painter lives on the stack.
TEST(CAdvancedButton, PaintingNeedsNoMemory) {
    CAdvancedButton button;  // not attached: no caption to read
    CountingCanvas canvas;
    bool threw = false;
    failing_allocation::failFrom(0);
    try {
        button.paint(canvas, kItem, platform::kItemFocus | platform::kItemSelected);
    } catch (...) {
        threw = true;
    }
    const bool allocated = failing_allocation::stop();
    EXPECT_FALSE(threw);
    EXPECT_FALSE(allocated);
    EXPECT_EQ(canvas.operations, 6);  // face, two rings, the sunken ring, focus, caption
}

}  // namespace
