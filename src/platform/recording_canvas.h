#pragma once
// A canvas that keeps what was drawn, in order: what headless windows paint
// into and what tests read.
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace korvan::platform {

struct CanvasOperation {
    enum class Kind { fillRect, draw3dRect, drawEllipse, drawTextCentered, drawTextAt, drawFocusRect };
    Kind kind = Kind::fillRect;
    Rect rect;              // fillRect, draw3dRect, drawEllipse, drawTextCentered, drawFocusRect
    int x = 0, y = 0;       // drawTextAt
    Color color = 0;        // fill, text, the 3-D outline's top-left colour
    Color secondColor = 0;  // the 3-D outline's bottom-right colour, an ellipse's gap colour
    Pen pen;                // drawEllipse
    std::string text;       // drawTextCentered, drawTextAt
    friend bool operator==(const CanvasOperation&, const CanvasOperation&) = default;
};

class RecordingCanvas : public Canvas {
public:
    void fillRect(const Rect& rect, Color color) override;
    void draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) override;
    void drawEllipse(const Rect& rect, const Pen& pen, Color gapColor) override;
    void drawTextCentered(const Rect& rect, const std::string& text, Color color) override;
    void drawTextAt(int x, int y, const std::string& text) override;
    void drawFocusRect(const Rect& rect) override;

    const std::vector<CanvasOperation>& operations() const { return operations_; }
    void clear() { operations_.clear(); }

private:
    std::vector<CanvasOperation> operations_;
};

}  // namespace korvan::platform
