#pragma once
// The canvas over a GDI device context, and its off-screen variant.
#include <windows.h>

#include "platform/canvas.h"

namespace korvan::platform::win32 {

class GdiCanvas : public Canvas {
public:
    explicit GdiCanvas(HDC dc) : dc_(dc) {}
    void fillRect(const Rect& rect, Color color) override;
    void draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) override;
    void drawEllipse(const Rect& rect, const Pen& pen, Color gapColor) override;
    void drawTextCentered(const Rect& rect, const std::string& text, Color color) override;
    void drawTextAt(int x, int y, const std::string& text) override;
    void drawFocusRect(const Rect& rect) override;

private:
    HDC dc_;
};

// Painting off-screen: while it lives, painting goes into a memory bitmap
// of the target's clip box, in the target's coordinates; its end copies the
// bitmap to the target in one step. A printer context, an empty clip box or
// a bitmap that cannot be made leaves painting on the target itself.
class OffscreenPaint {
public:
    explicit OffscreenPaint(HDC target);
    ~OffscreenPaint();
    OffscreenPaint(const OffscreenPaint&) = delete;
    OffscreenPaint& operator=(const OffscreenPaint&) = delete;
    // The context to paint into.
    HDC dc() const { return memory_ ? memory_ : target_; }

private:
    HDC target_;
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    RECT area_{};
};

}  // namespace korvan::platform::win32
