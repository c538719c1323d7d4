// GDI painting. Every pen and brush is made for one operation, selected for
// it only, the previous object selected back, and deleted; colours changed
// in the context (text, background, background mode) are restored.
#include "platform/win32/gdi_canvas.h"

#include <algorithm>

namespace korvan::platform::win32 {
namespace {

RECT toRect(const Rect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

// A text length as GDI takes it (an int; a negative one would mean "up to
// the terminating zero").
int gdiLength(const std::string& text) { return static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF)); }

// A rectangle filled with the context's background colour, as MFC's
// FillSolidRect does (no brush involved).
void fillSolid(HDC dc, LONG left, LONG top, LONG right, LONG bottom, COLORREF color) {
    if (right <= left || bottom <= top) return;
    const COLORREF previous = SetBkColor(dc, color);
    const RECT strip{left, top, right, bottom};
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &strip, nullptr, 0, nullptr);
    SetBkColor(dc, previous);
}

}  // namespace

void GdiCanvas::fillRect(const Rect& rect, Color color) {
    HBRUSH brush = CreateSolidBrush(color);
    if (!brush) return;
    const RECT area = toRect(rect);
    FillRect(dc_, &area, brush);
    DeleteObject(brush);
}

void GdiCanvas::draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) {
    // The four strips of CDC::Draw3dRect: top and left in the first colour,
    // right and bottom in the second, the corners shared as it shares them.
    const LONG l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    fillSolid(dc_, l, t, r - 1, t + 1, topLeft);
    fillSolid(dc_, l, t, l + 1, b - 1, topLeft);
    fillSolid(dc_, r - 1, t, r, b, bottomRight);
    fillSolid(dc_, l, b - 1, r, b, bottomRight);
}

void GdiCanvas::drawEllipse(const Rect& rect, const Pen& pen, Color gapColor) {
    HPEN gdiPen = CreatePen(pen.style == PenStyle::dotted ? PS_DOT : PS_SOLID, pen.width, pen.color);
    if (!gdiPen) return;
    const HGDIOBJ previousPen = SelectObject(dc_, gdiPen);
    const HGDIOBJ previousBrush = SelectObject(dc_, GetStockObject(NULL_BRUSH));
    // A dotted line's gaps are painted in the background colour when the
    // background mode is opaque.
    const int previousMode = SetBkMode(dc_, OPAQUE);
    const COLORREF previousBackground = SetBkColor(dc_, gapColor);
    Ellipse(dc_, rect.left, rect.top, rect.right, rect.bottom);
    SetBkColor(dc_, previousBackground);
    SetBkMode(dc_, previousMode);
    SelectObject(dc_, previousBrush);
    SelectObject(dc_, previousPen);
    DeleteObject(gdiPen);
}

void GdiCanvas::drawTextCentered(const Rect& rect, const std::string& text, Color color) {
    const COLORREF previousColor = SetTextColor(dc_, color);
    const int previousMode = SetBkMode(dc_, TRANSPARENT);
    RECT area = toRect(rect);
    DrawTextA(dc_, text.c_str(), gdiLength(text), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetBkMode(dc_, previousMode);
    SetTextColor(dc_, previousColor);
}

void GdiCanvas::drawTextAt(int x, int y, const std::string& text) {
    const COLORREF previousColor = SetTextColor(dc_, RGB(0, 0, 0));
    const int previousMode = SetBkMode(dc_, TRANSPARENT);
    TextOutA(dc_, x, y, text.c_str(), gdiLength(text));
    SetBkMode(dc_, previousMode);
    SetTextColor(dc_, previousColor);
}

void GdiCanvas::drawFocusRect(const Rect& rect) {
    const RECT area = toRect(rect);
    DrawFocusRect(dc_, &area);
}

OffscreenPaint::OffscreenPaint(HDC target) : target_(target) {
    if (!target_ || GetDeviceCaps(target_, TECHNOLOGY) == DT_RASPRINTER) return;
    if (GetClipBox(target_, &area_) == ERROR || area_.right <= area_.left || area_.bottom <= area_.top) return;
    memory_ = CreateCompatibleDC(target_);
    if (!memory_) return;
    bitmap_ = CreateCompatibleBitmap(target_, area_.right - area_.left, area_.bottom - area_.top);
    if (!bitmap_) {
        DeleteDC(memory_);
        memory_ = nullptr;
        return;
    }
    previousBitmap_ = SelectObject(memory_, bitmap_);
    // Painting uses the target's coordinates.
    SetWindowOrgEx(memory_, area_.left, area_.top, nullptr);
}

OffscreenPaint::~OffscreenPaint() {
    if (!memory_) return;
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, memory_, area_.left,
           area_.top, SRCCOPY);
    SelectObject(memory_, previousBitmap_);
    DeleteObject(bitmap_);
    DeleteDC(memory_);
}

}  // namespace korvan::platform::win32
