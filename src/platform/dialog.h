#pragma once
// A tiny dialog framework. Dialog logic (the plug-in's windows) is written
// once against this class; Windows runs it on the real dialog templates of
// the library's resources, other systems on the headless backend
// (platform/headless), which keeps the windows of the portable templates of
// resources/dialog_templates.h in memory.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/window_messages.h"

namespace korvan::platform {

class Dialog;

// Moves values between controls and members: saving == true reads the
// controls into the members (OK), false shows the members in the controls.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}
    bool saving() const { return saving_; }
    void text(int controlId, std::string& value);
    void check(int controlId, int& value);
    // A drop-down combo box with an edit part: when shown, selects the first
    // list entry that begins with the value (ignoring case), else puts the
    // value into the edit part; when saved, gives back the edit part's text.
    void comboText(int controlId, std::string& value);

private:
    Dialog& dialog_;
    bool saving_;
};

// The code page of an 8-bit window text. Texts are in the host's ANSI code
// page; the Russian labels are Windows-1251 whatever the system's code page
// is, and Win32 shows them through the wide-character functions.
enum class TextCodePage { ansi, windows1251 };

// The answer to a control-colour request: the text colour, the colour
// behind the text, and the colour of the brush that paints the rest.
struct ControlColors {
    Color text = 0;
    Color textBackground = 0;
    Color brush = 0;
};

class Dialog {
public:
    explicit Dialog(int templateId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the window and runs it modally on the calling thread. Returns
    // the value given to endDialog (kIdOk, kIdCancel, ...), or -1 when the
    // window could not be created. While it runs, the modeless dialogs of
    // the same thread get their messages and keys too.
    int runModal();
    void endDialog(int result);

    // Creates the window as a modeless dialog of the calling thread (which
    // must run a modal dialog, whose loop serves it) and initialises it. It
    // is visible at once when its template says so, else after show().
    // false when the window could not be created. In a modeless dialog Esc
    // hides the window (onCancel) and WM_CLOSE destroys it.
    bool createModeless();
    void destroyWindow();
    void show();
    void hide();
    bool isVisible() const;

    // Placement, in screen pixels. moveTo keeps the size and the z-order
    // place; makeTopmost neither moves, sizes nor activates.
    Rect windowRect() const;
    void moveTo(int left, int top);
    void makeTopmost();
    bool isTopmost() const;
    Rect clientRect() const;
    bool hasControl(int controlId) const;
    // In client coordinates.
    Rect controlRect(int controlId) const;
    void moveControl(int controlId, const Rect& rect);

    // The large icon from the library's icon resource.
    void setLargeIcon(int iconResourceId);
    // Disables the Close item of the system menu (and so the title bar's
    // close button).
    void disableCloseItem();

    // From now on the control is painted by onDrawItem (the owner-draw style
    // is added to it). With offscreen, every paint goes into a memory bitmap
    // that reaches the screen in one copy (no flicker on frequent repaints).
    // false when the dialog has no such control.
    bool makeOwnerDrawn(int controlId, bool offscreen = false);
    // Asks for a repaint of the control when the thread is idle.
    void invalidateControl(int controlId, bool erase);
    // Invalidates, erases and repaints the control at once.
    void redrawControl(int controlId);

    // Posts a message (kWmUser and above) to this dialog's own window; false
    // when there is no window.
    bool postToSelf(unsigned message);

    int templateId() const { return templateId_; }
    // Null until the window exists and after it is gone.
    WindowHandle window() const;

    // Runs doDataExchange in the given direction.
    void updateData(bool saving);

    std::string title() const;
    void setTitle(const std::string& text, TextCodePage codePage = TextCodePage::ansi);
    std::string controlText(int controlId) const;
    void setControlText(int controlId, const std::string& text, TextCodePage codePage = TextCodePage::ansi);
    int checkState(int controlId) const;
    void setCheckState(int controlId, int state);
    // Entries of a combo box's list as shown (sorted boxes sorted).
    std::vector<std::string> comboEntries(int controlId) const;
    int comboSelection(int controlId) const;  // -1: nothing selected
    void setComboSelection(int controlId, int index);

protected:
    // Default: updateData(false) and true (focus to the first tab stop).
    virtual bool onInitDialog();
    virtual void doDataExchange(DataExchange& exchange);
    // Default: updateData(true), endDialog(kIdOk).
    virtual void onOK();
    // Default: endDialog(kIdCancel). Escape and the close box come here.
    virtual void onCancel();
    virtual void onCommand(int controlId, int notifyCode);
    // Posted messages at kWmUser and above; true when handled.
    virtual bool onUserMessage(unsigned message);
    // The mouse moved over the window or one of its controls; the cursor is
    // set by the default handling afterwards.
    virtual void onSetCursor();
    // Colours for the dialog's own background (controlId 0) and its static
    // texts and check boxes; empty: the platform's defaults.
    virtual std::optional<ControlColors> onControlColor(int controlId);
    // Paints an owner-drawn control: the whole item rectangle, whatever the
    // request asked for.
    virtual void onDrawItem(int controlId, Canvas& canvas, const Rect& itemRect, unsigned itemState);
    // The client area has a new size (after the default handling).
    virtual void onSize(int clientWidth, int clientHeight);

public:
    // Framework entry points, called by the platform's message dispatch.
    bool dispatchInit();
    // true when the message was handled (WM_CLOSE and WM_COMMAND always
    // are; messages at kWmUser and above go to onUserMessage).
    bool dispatchMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void dispatchSetCursor() { onSetCursor(); }
    std::optional<ControlColors> dispatchControlColor(int controlId) { return onControlColor(controlId); }
    void dispatchDrawItem(int controlId, Canvas& canvas, const Rect& itemRect, unsigned itemState) {
        onDrawItem(controlId, canvas, itemRect, itemState);
    }
    void dispatchSize(int clientWidth, int clientHeight) { onSize(clientWidth, clientHeight); }
    struct Impl;
    Impl& impl() { return *impl_; }

private:
    int templateId_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace korvan::platform
