#include "windows/dxcc_window.h"

#include <algorithm>

#include "resources/resource.h"
#include "windows/operator_windows.h"
#include "windows/window_placement.h"

namespace korvan {

namespace {

constexpr platform::Color kBandViewBackground = platform::rgb(255, 250, 198);
constexpr platform::Color kWorkedWithBackground = platform::rgb(255, 255, 198);
constexpr platform::Color kCurrentBandTint = platform::rgb(198, 255, 255);
constexpr int kMargin = 5;

// The prefixes (sorted by the refresh) flowing left to right in steps of 40
// pixels and 15 pixels down, from (5, 15).
void paintBandView(platform::Canvas& canvas, const platform::Rect& item, const std::vector<std::string>& prefixes) {
    int x = 5;
    int y = 15;
    for (const std::string& prefix : prefixes) {
        canvas.drawTextAt(x, y, prefix);
        x += 40;
        if (x > item.right - 40) {
            x = 5;
            y += 15;
        }
    }
}

// A header and one row per band from 80 m to 10 m (the 160 m slot has no
// row), rows h = bottom / 7 pixels apart; the current band's row tinted.
void paintWorkedWithView(platform::Canvas& canvas, const platform::Rect& item, const OperatorView& view) {
    canvas.fillRect(item, kWorkedWithBackground);
    const int h = item.bottom / 7;
    if (isBandSlot(view.bandSlot)) {
        const platform::Rect band{0, (view.bandSlot + 1) * h + 7, item.right, (view.bandSlot + 2) * h - 1};
        if (!band.empty()) canvas.fillRect(band, kCurrentBandTint);
    }
    canvas.drawTextAt(180, 15, view.callsign);
    canvas.drawTextAt(100, 38, "CW");
    canvas.drawTextAt(180, 38, "SSB");
    canvas.drawTextAt(273, 38, "Obl/NR");
    for (int slot = 1; slot < kBandSlotCount; ++slot) {
        const int y = (slot + 1) * h + 10;
        const WorkedWithRow& row = view.workedWith[static_cast<std::size_t>(slot)];
        canvas.drawTextAt(20, y, kBandSlots[static_cast<std::size_t>(slot)].label);
        canvas.drawTextAt(100, y, row.cwTime);
        canvas.drawTextAt(180, y, row.ssbTime);
        canvas.drawTextAt(280, y, row.exchange);
    }
}

}  // namespace

void InfoButton::paint(platform::Canvas& canvas, const platform::Rect& item, const OperatorView& view) {
    if (view.callsign.empty()) {
        canvas.fillRect(item, kBandViewBackground);
        if (isBandSlot(view.bandSlot)) paintBandView(canvas, item, view.bandPrefixes);
    } else {
        paintWorkedWithView(canvas, item, view);
    }
}

DxccWindow::DxccWindow(OperatorWindows& owner) : platform::Dialog(IDD_DXCC), owner_(owner) {}

bool DxccWindow::onInitDialog() {
    // Painted into memory and shown with one copy: the button repaints after
    // every refresh and must not flicker.
    makeOwnerDrawn(IDC_DXCC_INFO, true);
    platform::Dialog::onInitDialog();
    WindowMemory& memory = owner_.memory();
    memory.rememberedLeft = readSettingsNumber("dxcc_x");
    memory.rememberedTop = readSettingsNumber("dxcc_y");
    if (memory.rememberedLeft == 0) memory.rememberedLeft = 10;
    if (memory.rememberedTop == 0) memory.rememberedTop = 400;
    moveTo(memory.rememberedLeft, memory.rememberedTop);
    if (memory.keepWindowsOnTop != 0) makeTopmost();
    setLargeIcon(IDI_KORVAN);
    disableCloseItem();
    return true;
}

void DxccWindow::onSetCursor() { saveWindowPosition(*this, owner_.memory(), "dxcc_x", "dxcc_y"); }

void DxccWindow::onSize(int clientWidth, int clientHeight) {
    if (!hasControl(IDC_DXCC_INFO)) return;
    // A window smaller than the margins leaves an empty button, never one of
    // negative size.
    const int right = std::max(kMargin, clientWidth - kMargin);
    const int bottom = std::max(kMargin, clientHeight - kMargin);
    moveControl(IDC_DXCC_INFO, {kMargin, kMargin, right, bottom});
    redrawControl(IDC_DXCC_INFO);
}

void DxccWindow::onDrawItem(int controlId, platform::Canvas& canvas, const platform::Rect& itemRect, unsigned) {
    if (controlId == IDC_DXCC_INFO) InfoButton::paint(canvas, itemRect, owner_.view());
}

}  // namespace korvan
