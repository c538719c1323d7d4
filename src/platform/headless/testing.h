#pragma once
// The headless backend's test interface (only tests include it): act as
// the operator, answer a modal dialog by script, run the thread's messages
// as an outgoing host call would, paint a control now, and read what only
// the headless windows keep (paintings, counters, icon, code pages).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/posix/text_code_page.h"
#include "platform/recording_canvas.h"

namespace korvan::platform::headless {

// Dispatches the messages queued for the calling thread's windows, then
// paints the invalidated owner-drawn controls; as the message loop that an
// outgoing COM call runs on Windows. Returns how many messages ran.
int pumpMessages();

// What the operator does in a modal dialog of this template once it has
// been initialised (edit fields, click OK or Cancel), run on the dialog's
// thread in place of the host stand-in's answer; a script that does
// nothing keeps the dialog open. An empty function removes the script.
using ModalScript = std::function<void(Dialog&)>;
void setModalScript(int templateId, ModalScript script);

// Delivers a button click as the platform would (WM_COMMAND, posted).
void clickButton(const Dialog& dialog, int controlId);

// The operator's actions, posted to the dialog's window (false when it has
// no window or no such control). Pressing an automatic check box changes
// its state before the click reaches the dialog.
enum class Key { escape, enter };
bool pressControl(const Dialog& dialog, int controlId);
bool pressKey(const Dialog& dialog, Key key);
// The mouse moves over the window (the set-cursor notification).
bool moveMouseOver(const Dialog& dialog);

// On the dialog's thread: paints an owner-drawn control now with the item
// state given; the operations drawn (empty when it is not owner-drawn).
std::vector<CanvasOperation> paintControl(Dialog& dialog, int controlId, unsigned itemState = 0);
// On the dialog's thread: the colours the dialog answers when the platform
// paints its background (controlId 0) or a static text or check box.
std::optional<ControlColors> askControlColors(Dialog& dialog, int controlId);
// The operations of the control's last painting.
std::vector<CanvasOperation> lastPainting(const Dialog& dialog, int controlId);

struct ControlCounters {
    int invalidations = 0;  // invalidateControl
    int redraws = 0;        // redrawControl
    int paints = 0;         // paintings of an owner-drawn control
};
ControlCounters controlCounters(const Dialog& dialog, int controlId);
bool isOwnerDrawn(const Dialog& dialog, int controlId);
bool paintsOffscreen(const Dialog& dialog, int controlId);

int largeIcon(const Dialog& dialog);  // 0: none set
bool closeItemDisabled(const Dialog& dialog);
bool isModeless(const Dialog& dialog);

// Texts keep their bytes; these say in which code page, and give them as
// UTF-8.
TextCodePage titleCodePage(const Dialog& dialog);
TextCodePage controlCodePage(const Dialog& dialog, int controlId);
std::string titleUtf8(const Dialog& dialog);
std::string controlTextUtf8(const Dialog& dialog, int controlId);

// On the dialog's thread: the client area takes the new size (as when the
// operator drags the frame) and onSize is delivered.
void resizeClient(Dialog& dialog, int width, int height);

// Pixels per dialog unit of the headless templates: a dialog unit is
// kDialogUnitX / 4 pixels wide and kDialogUnitY / 8 pixels high (the base
// units of the 8-point MS Sans Serif font). The window's frame adds
// kFrameWidth on every side and kCaptionHeight above the client area.
constexpr int kDialogUnitX = 6;
constexpr int kDialogUnitY = 13;
constexpr int kFrameWidth = 3;
constexpr int kCaptionHeight = 20;

}  // namespace korvan::platform::headless
