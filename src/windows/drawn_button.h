#pragma once
// Push buttons that paint themselves in colours chosen at run time (the
// setup panel's CW and SSB buttons), and the painter that draws them: a
// rectangle with a raised edge.
#include <string>

#include "platform/canvas.h"
#include "platform/dialog.h"

namespace korvan {

// Item state bits of a paint request: platform::kItemSelected,
// kItemDisabled, kItemFocus.

// A component with a face and a label colour; a colour change repaints it.
class CAdvancedComponent {
public:
    virtual ~CAdvancedComponent() = default;
    virtual void setLabelColor(platform::Color color);
    virtual void setFaceColor(platform::Color color);
    virtual void redraw() = 0;

    platform::Color faceColor = 0;
    platform::Color labelColor = 0;
};

// The painting steps of a button shape. Painters hold no data.
class DrawnObject {
public:
    virtual ~DrawnObject() = default;
    virtual void drawBody(platform::Canvas& canvas, platform::Rect rect, unsigned itemState,
                          platform::Color faceColor) = 0;
    // The caption centred on one line, on a transparent background.
    virtual void drawLabel(platform::Canvas& canvas, platform::Rect rect, const std::string& text,
                           platform::Color labelColor);
    virtual void drawFrame(platform::Canvas& canvas, platform::Rect rect, int depth) = 0;
    virtual void fillFace(platform::Canvas& canvas, platform::Rect rect, platform::Color color) = 0;
    virtual void drawFocus(platform::Canvas& canvas, platform::Rect rect, platform::Color color) = 0;
};

// A rectangular button: face, a raised two-pixel edge, and when focused
// the focus rectangle (and when also pressed a sunken ring).
class DrawnRect : public DrawnObject {
public:
    void drawBody(platform::Canvas& canvas, platform::Rect rect, unsigned itemState,
                  platform::Color faceColor) override;
    // |depth| rings from the outside in; raised for a positive depth,
    // sunken for a negative one.
    void drawFrame(platform::Canvas& canvas, platform::Rect rect, int depth) override;
    void fillFace(platform::Canvas& canvas, platform::Rect rect, platform::Color color) override;
    void drawFocus(platform::Canvas& canvas, platform::Rect rect, platform::Color color) override;
};

// An owner-drawn push button of a dialog. The dialog routes the control's
// paint requests to paint().
class CAdvancedButton : public CAdvancedComponent {
public:
    // Longest caption painted; a longer one is cut.
    static constexpr std::size_t kMaxCaption = 511;

    // Takes over the dialog's control (making it owner-drawn), with the
    // three colours. false when the dialog has no
    // such control.
    bool attachButton(int controlId, platform::Dialog& parent, platform::Color face, platform::Color label,
                      platform::Color disabledLabel);
    // Repaints the control at once.
    void redraw() override;
    // Paints the face, the edge and the caption; needs no memory of its own.
    void paint(platform::Canvas& canvas, const platform::Rect& itemRect, unsigned itemState) const;

    int controlId() const { return controlId_; }

    platform::Color disabledLabelColor = 0;

private:
    platform::Dialog* parent_ = nullptr;
    int controlId_ = 0;
};

}  // namespace korvan
