#include "windows/drawn_button.h"

#include <climits>
#include <cstdlib>

namespace korvan {

using platform::Canvas;
using platform::Color;
using platform::Rect;

namespace {

constexpr Color kWhite = platform::rgb(255, 255, 255);
constexpr Color kGrey = platform::rgb(128, 128, 128);

Color paletteGrey(int level) {
    level &= 0xFF;
    return platform::paletteRgb(level, level, level);
}

}  // namespace

void CAdvancedComponent::setLabelColor(Color color) {
    labelColor = color;
    redraw();
}

void CAdvancedComponent::setFaceColor(Color color) {
    faceColor = color;
    redraw();
}

void DrawnObject::drawLabel(Canvas& canvas, Rect rect, const std::string& text, Color color) {
    canvas.drawTextCentered(rect, text, color);
}

void DrawnRect::drawBody(Canvas& canvas, Rect rect, unsigned itemState, Color faceColor) {
    fillFace(canvas, rect, faceColor);
    drawFrame(canvas, rect, 2);
    if (!(itemState & platform::kItemFocus)) return;
    // Pressed: a sunken ring over the outer ring of the raised edge.
    if (itemState & platform::kItemSelected) drawFrame(canvas, rect, -1);
    drawFocus(canvas, rect.deflated(2), faceColor);
}

void DrawnRect::drawFrame(Canvas& canvas, Rect rect, int depth) {
    if (depth == 0 || depth == INT_MIN) return;
    const int rings = std::abs(depth);
    for (int ring = 1; ring <= rings; ++ring) {
        Color light = kWhite, dark = kGrey;
        if (rings != 1) {
            light = paletteGrey(63 / ring + 192);
            dark = paletteGrey(255 / (ring + 1));
        }
        if (depth > 0)
            canvas.draw3dRect(rect, light, dark);
        else
            canvas.draw3dRect(rect, dark, light);
        rect = rect.deflated(1);
    }
}

void DrawnRect::fillFace(Canvas& canvas, Rect rect, Color color) { canvas.fillRect(rect, color); }

void DrawnRect::drawFocus(Canvas& canvas, Rect rect, Color) { canvas.drawFocusRect(rect); }

bool CAdvancedButton::attachButton(int controlId, platform::Dialog& parent, Color face, Color label,
                                   Color disabledLabel) {
    if (!parent.makeOwnerDrawn(controlId)) return false;
    parent_ = &parent;
    controlId_ = controlId;
    faceColor = face;
    labelColor = label;
    disabledLabelColor = disabledLabel;
    return true;
}

void CAdvancedButton::redraw() {
    if (parent_) parent_->redrawControl(controlId_);
}

void CAdvancedButton::paint(Canvas& canvas, const Rect& itemRect, unsigned itemState) const {
    DrawnRect painter;
    std::string caption = parent_ ? parent_->controlText(controlId_) : std::string();
    if (caption.size() > kMaxCaption) caption.resize(kMaxCaption);
    painter.drawBody(canvas, itemRect, itemState, faceColor);
    painter.drawLabel(canvas, itemRect, caption,
                       (itemState & platform::kItemDisabled) ? disabledLabelColor : labelColor);
}

}  // namespace korvan
