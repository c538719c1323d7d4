#pragma once
// Painting through a small canvas: the windows draw their owner-drawn
// controls with these operations only. Win32 draws them with GDI (on the
// screen, or into a memory bitmap that reaches the screen in one copy);
// elsewhere a recording canvas keeps them for tests.
#include <cstdint>
#include <string>

namespace korvan::platform {

// 0x00BBGGRR; 0x02 in the top byte marks a palette-relative colour.
using Color = std::uint32_t;

constexpr Color rgb(int red, int green, int blue) {
    return static_cast<Color>(red & 0xFF) | (static_cast<Color>(green & 0xFF) << 8) |
           (static_cast<Color>(blue & 0xFF) << 16);
}
constexpr Color paletteRgb(int red, int green, int blue) { return 0x02000000u | rgb(red, green, blue); }

// Pixels; right and bottom are outside the rectangle.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    // Shrinks by d on every side (grows for a negative d).
    Rect deflated(int d) const { return {left + d, top + d, right - d, bottom - d}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class PenStyle { solid, dotted };

struct Pen {
    Color color = 0;
    int width = 1;
    PenStyle style = PenStyle::solid;
    friend bool operator==(const Pen&, const Pen&) = default;
};

// Item state bits of an owner-draw request.
constexpr unsigned kItemSelected = 0x0001;
constexpr unsigned kItemDisabled = 0x0004;
constexpr unsigned kItemFocus = 0x0010;

// Every pen and brush an operation needs exists for that operation only:
// it is created, selected, used, the previous object selected back, and
// deleted.
class Canvas {
public:
    virtual ~Canvas() = default;
    // Fills the rectangle with a solid brush of the colour.
    virtual void fillRect(const Rect& rect, Color color) = 0;
    // A one-pixel three-dimensional outline just inside the rectangle: top
    // and left sides in topLeft, bottom and right sides in bottomRight.
    virtual void draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) = 0;
    // The outline of the ellipse inscribed in the rectangle, drawn with the
    // pen; the inside is left as it is. A dotted pen's gaps are painted in
    // gapColor (an opaque background).
    virtual void drawEllipse(const Rect& rect, const Pen& pen, Color gapColor) = 0;
    // One line of text centred horizontally and vertically in the
    // rectangle, on a transparent background, in the colour; the previous
    // text colour is restored afterwards.
    virtual void drawTextCentered(const Rect& rect, const std::string& text, Color color) = 0;
    // Text with its top-left corner at (x, y): default font, black, on a
    // transparent background.
    virtual void drawTextAt(int x, int y, const std::string& text) = 0;
    // The platform's dotted focus rectangle.
    virtual void drawFocusRect(const Rect& rect) = 0;
};

}  // namespace korvan::platform
