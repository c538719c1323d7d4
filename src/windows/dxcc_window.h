#pragma once
// The DXCC window: its whole client area, less a 5-pixel margin, is the
// owner-drawn info button. With no callsign entered in the host the button
// shows the DXCC prefixes worked on the current band; with one entered, when
// and how that station was worked on each band.
#include <array>
#include <string>
#include <vector>

#include "engine/contest_state.h"
#include "platform/canvas.h"
#include "platform/dialog.h"

class OperatorWindows;
struct WindowMemory;

// What one paint of the info button shows, copied under the state lock so
// that the drawing itself runs without it.
struct InfoButtonView {
    std::string callsign;                 // currentCallsign
    int bandSlot = -1;                    // currentBandSlot
    std::vector<std::string> prefixes;    // the band's DXCC list (band view)
    std::array<std::array<std::string, 4>, kBandSlotCount> rows;  // worked-with view
};

// Paints the info button from the current state.
class CCqWwInfoButton {
public:
    // The remembered callsign and band with the state's lists; takes the
    // state lock.
    static InfoButtonView currentView(const WindowMemory& memory);
    // The whole item rectangle, whatever was asked for.
    static void paint(platform::Canvas& canvas, const platform::Rect& item, InfoButtonView view);
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
    CCqWwInfoButton infoButton;
};
