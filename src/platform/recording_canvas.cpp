#include "platform/recording_canvas.h"

namespace korvan::platform {

void RecordingCanvas::fillRect(const Rect& rect, Color color) {
    CanvasOperation operation;
    operation.kind = CanvasOperation::Kind::fillRect;
    operation.rect = rect;
    operation.color = color;
    operations_.push_back(std::move(operation));
}

void RecordingCanvas::draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) {
    CanvasOperation operation;
    operation.kind = CanvasOperation::Kind::draw3dRect;
    operation.rect = rect;
    operation.color = topLeft;
    operation.secondColor = bottomRight;
    operations_.push_back(std::move(operation));
}

void RecordingCanvas::drawEllipse(const Rect& rect, const Pen& pen, Color gapColor) {
    CanvasOperation operation;
    operation.kind = CanvasOperation::Kind::drawEllipse;
    operation.rect = rect;
    operation.pen = pen;
    operation.secondColor = gapColor;
    operations_.push_back(std::move(operation));
}

void RecordingCanvas::drawTextCentered(const Rect& rect, const std::string& text, Color color) {
    CanvasOperation operation;
    operation.kind = CanvasOperation::Kind::drawTextCentered;
    operation.rect = rect;
    operation.text = text;
    operation.color = color;
    operations_.push_back(std::move(operation));
}

void RecordingCanvas::drawTextAt(int x, int y, const std::string& text) {
    CanvasOperation operation;
    operation.kind = CanvasOperation::Kind::drawTextAt;
    operation.x = x;
    operation.y = y;
    operation.text = text;
    operations_.push_back(std::move(operation));
}

void RecordingCanvas::drawFocusRect(const Rect& rect) {
    CanvasOperation operation;
    operation.kind = CanvasOperation::Kind::drawFocusRect;
    operation.rect = rect;
    operations_.push_back(std::move(operation));
}

}  // namespace korvan::platform
