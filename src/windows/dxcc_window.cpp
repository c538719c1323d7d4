#include "windows/dxcc_window.h"

#include <algorithm>
#include <mutex>

#include "resources/resource.h"
#include "windows/operator_windows.h"
#include "windows/window_placement.h"

namespace {

constexpr platform::Color kBandViewBackground = platform::rgb(255, 250, 198);
constexpr platform::Color kWorkedWithBackground = platform::rgb(255, 255, 198);
constexpr platform::Color kCurrentBandTint = platform::rgb(198, 255, 255);
constexpr int kMargin = 5;

bool isBandSlot(int slot) { return slot >= 0 && slot < kBandSlotCount; }

// The prefixes in ascending byte order, flowing left to right in steps of
// 40 pixels and 15 pixels down, from (5, 15).
void paintBandView(platform::Canvas& canvas, const platform::Rect& item, std::vector<std::string>& prefixes) {
    std::sort(prefixes.begin(), prefixes.end());
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
void paintWorkedWithView(platform::Canvas& canvas, const platform::Rect& item, const InfoButtonView& view) {
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
    for (int k = 2; k <= 6; ++k) {
        const int y = k * h + 10;
        const std::array<std::string, 4>& row = view.rows[static_cast<std::size_t>(k - 1)];
        canvas.drawTextAt(20, y, row[0]);
        canvas.drawTextAt(100, y, row[1]);
        canvas.drawTextAt(180, y, row[2]);
        canvas.drawTextAt(280, y, row[3]);
    }
}

}  // namespace

InfoButtonView CCqWwInfoButton::currentView(const WindowMemory& memory) {
    InfoButtonView view;
    std::lock_guard<std::mutex> guard(stateLock());
    const ContestState& state = contestState();
    view.callsign = memory.currentCallsign;
    view.bandSlot = isBandSlot(memory.currentBandSlot) ? memory.currentBandSlot : -1;
    if (view.callsign.empty()) {
        // A copy: the host's thread rebuilds the stored list at the next
        // statistics request, and the sort must not run on it.
        if (view.bandSlot >= 0) view.prefixes = state.bandDxccLists[static_cast<std::size_t>(view.bandSlot)];
    } else {
        view.rows = state.workedWithRows;
    }
    return view;
}

void CCqWwInfoButton::paint(platform::Canvas& canvas, const platform::Rect& item, InfoButtonView view) {
    if (view.callsign.empty()) {
        canvas.fillRect(item, kBandViewBackground);
        if (isBandSlot(view.bandSlot)) paintBandView(canvas, item, view.prefixes);
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
    if (controlId == IDC_DXCC_INFO) infoButton.paint(canvas, itemRect, CCqWwInfoButton::currentView(owner_.memory()));
}
