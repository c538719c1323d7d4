#include "windows/operator_windows.h"

#include <atomic>
#include <mutex>

#include "engine/contest_state.h"
#include "platform/window_messages.h"
#include "windows/dxcc_window.h"
#include "windows/kda_window.h"
#include "windows/setup_panel.h"
#include "windows/window_thread.h"

namespace korvan {

namespace {

// Sends the open window WM_CLOSE and forgets it. The object is deleted only
// once no slot points to it (the host's thread reads the slots under the
// state lock).
template <typename Window>
void closeWindow(std::atomic<platform::Dialog*>& slot, std::unique_ptr<Window>& object) {
    if (platform::Dialog* open = slot.load())
        if (platform::WindowHandle window = open->window()) platform::sendCloseMessage(window);
    std::unique_ptr<Window> closed = std::move(object);
    {
        std::lock_guard<std::mutex> guard(stateLock());
        slot.store(nullptr);
    }
    closed.reset();
}

template <typename Window>
void openWindow(std::atomic<platform::Dialog*>& slot, std::unique_ptr<Window>& object, OperatorWindows& owner) {
    // A window closed by the host's thread left its object behind.
    closeWindow(slot, object);
    auto made = std::make_unique<Window>(owner);
    {
        std::lock_guard<std::mutex> guard(stateLock());
        slot.store(made.get());
    }
    object = std::move(made);
    object->createModeless();
    object->show();
}

}  // namespace

OperatorWindows::OperatorWindows(WindowMemory memory) : memory_(std::move(memory)) {
    view_.callsign = memory_.currentCallsign;
    view_.bandSlot = memory_.currentBandSlot;
}

OperatorWindows::~OperatorWindows() {
    try {
        closeOperatorWindows();
    } catch (...) {
    }
}

platform::Dialog* OperatorWindows::makePanel(PanelFactory make) {
    panel_ = make ? make(*this) : makeSetupPanel(*this);
    return panel_.get();
}

bool OperatorWindows::isOpen(OperatorWindow which) const {
    return (which == OperatorWindow::kda ? kdaWindow : dxccWindow).load() != nullptr;
}

void OperatorWindows::open(OperatorWindow which) {
    if (which == OperatorWindow::kda)
        openWindow(kdaWindow, kda_, *this);
    else
        openWindow(dxccWindow, dxcc_, *this);
}

void OperatorWindows::close(OperatorWindow which) {
    if (which == OperatorWindow::kda)
        closeWindow(kdaWindow, kda_);
    else
        closeWindow(dxccWindow, dxcc_);
}

void OperatorWindows::closeOperatorWindows() {
    close(OperatorWindow::dxcc);
    close(OperatorWindow::kda);
}

KdaAreaWindow* OperatorWindows::kdaIfOpen() const { return kdaWindow.load() ? kda_.get() : nullptr; }

DxccWindow* OperatorWindows::dxccIfOpen() const { return dxccWindow.load() ? dxcc_.get() : nullptr; }

}  // namespace korvan
