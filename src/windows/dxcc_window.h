#pragma once
// The DXCC window: its whole client area, less a 5-pixel margin, is the
// owner-drawn info button. With no callsign entered in the host the button
// shows the DXCC prefixes worked on the current band; with one entered, when
// and how that station was worked on each band.
#include "platform/canvas.h"
#include "platform/dialog.h"
#include "windows/operator_view.h"

namespace korvan {

class OperatorWindows;

// Paints the info button from the view the last refresh made.
class InfoButton {
public:
    // The whole item rectangle, whatever was asked for.
    static void paint(platform::Canvas& canvas, const platform::Rect& item, const OperatorView& view);
};

class DxccWindow : public platform::Dialog {
public:
    explicit DxccWindow(OperatorWindows& owner);

protected:
    bool onInitDialog() override;
    // Enter does nothing; Esc hides the window (the modeless default).
    void onOK() override {}
    void onSetCursor() override;
    void onSize(int clientWidth, int clientHeight) override;
    void onDrawItem(int controlId, platform::Canvas& canvas, const platform::Rect& itemRect,
                    unsigned itemState) override;

private:
    OperatorWindows& owner_;
};

}  // namespace korvan
