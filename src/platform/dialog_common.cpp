// The platform-independent part of the dialog framework: data exchange,
// the default handlers and the routing of messages to them.
#include "platform/dialog.h"
#include "platform/file_access_internal.h"

namespace korvan::platform {
namespace {

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (detail::lowerAscii(text[i]) != detail::lowerAscii(prefix[i])) return false;
    return true;
}

}  // namespace

void DataExchange::text(int controlId, std::string& value) {
    if (saving_)
        value = dialog_.controlText(controlId);
    else
        dialog_.setControlText(controlId, value);
}

void DataExchange::check(int controlId, int& value) {
    if (saving_)
        value = dialog_.checkState(controlId);
    else
        dialog_.setCheckState(controlId, value);
}

void DataExchange::comboText(int controlId, std::string& value) {
    if (saving_) {
        value = dialog_.controlText(controlId);
        return;
    }
    // As the list box's prefix search does: the first entry, in the order
    // shown, that begins with the value.
    const std::vector<std::string> entries = dialog_.comboEntries(controlId);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (startsWithNoCase(entries[i], value)) {
            dialog_.setComboSelection(controlId, static_cast<int>(i));
            return;
        }
    }
    dialog_.setControlText(controlId, value);
}

void Dialog::updateData(bool saving) {
    DataExchange exchange(*this, saving);
    doDataExchange(exchange);
}

bool Dialog::onInitDialog() {
    updateData(false);
    return true;
}

void Dialog::doDataExchange(DataExchange&) {}

void Dialog::onOK() {
    updateData(true);
    endDialog(kIdOk);
}

void Dialog::onCancel() { endDialog(kIdCancel); }

void Dialog::onCommand(int, int) {}

bool Dialog::onUserMessage(unsigned) { return false; }

void Dialog::onSetCursor() {}

std::optional<ControlColors> Dialog::onControlColor(int) { return std::nullopt; }

void Dialog::onDrawItem(int, Canvas&, const Rect&, unsigned) {}

void Dialog::onSize(int, int) {}

bool Dialog::dispatchInit() { return onInitDialog(); }

bool Dialog::dispatchMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == kWmClose) {
        onCancel();
        return true;
    }
    if (message == kWmCommand) {
        const int id = static_cast<int>(wParam & 0xFFFF);
        const int code = static_cast<int>((wParam >> 16) & 0xFFFF);
        if (id == kIdOk)
            onOK();
        else if (id == kIdCancel)
            onCancel();
        else
            onCommand(id, code);
        return true;
    }
    if (message >= kWmUser) return onUserMessage(message);
    return false;
}

}  // namespace korvan::platform
