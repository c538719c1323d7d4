#pragma once
// A tiny dialog framework. Dialog logic (the plug-in's windows) is written
// once against this class; Windows runs it on the real dialog templates of
// the library's resources, POSIX runs it headless on the portable templates
// of resources/dialog_templates.h so that tests can read and drive it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window_messages.h"

namespace platform {

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

// What a headless (POSIX) modal run does after initialisation when no test
// script is registered for the template.
enum class HeadlessRun { untilClosed, confirmAtOnce };

class Dialog {
public:
    explicit Dialog(int templateId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the window and runs it modally on the calling thread. Returns
    // the value given to endDialog (kIdOk, kIdCancel, ...), or -1 when the
    // window could not be created.
    int runModal();
    void endDialog(int result);

    int templateId() const { return templateId_; }
    // Null until the window exists and after it is gone.
    WindowHandle window() const;

    // Runs doDataExchange in the given direction.
    void updateData(bool saving);

    std::string title() const;
    void setTitle(const std::string& text);
    std::string controlText(int controlId) const;
    void setControlText(int controlId, const std::string& text);
    int checkState(int controlId) const;
    void setCheckState(int controlId, int state);
    // Entries of a combo box's list as shown (sorted boxes sorted).
    std::vector<std::string> comboEntries(int controlId) const;
    int comboSelection(int controlId) const;  // -1: nothing selected
    void setComboSelection(int controlId, int index);

    // Delivers a button click as the platform would (WM_COMMAND, posted).
    void clickButton(int controlId);

protected:
    // Default: updateData(false) and true (focus to the first tab stop).
    virtual bool onInitDialog();
    virtual void doDataExchange(DataExchange& exchange);
    // Default: updateData(true), endDialog(kIdOk).
    virtual void onOK();
    // Default: endDialog(kIdCancel). Escape and the close box come here.
    virtual void onCancel();
    virtual void onCommand(int controlId, int notifyCode);
    // Messages other than commands and WM_CLOSE; true when handled.
    virtual bool onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    virtual HeadlessRun headlessRun() const { return HeadlessRun::untilClosed; }

public:
    // Framework entry points, called by the platform's message dispatch.
    bool dispatchInit();
    // true when the message was handled (WM_CLOSE and WM_COMMAND always are).
    bool dispatchMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    struct Impl;
    Impl& impl() { return *impl_; }

private:
    int templateId_;
    std::unique_ptr<Impl> impl_;
};

// Headless runs only: a test registers what the "operator" does once the
// dialog of this template has been initialised (edit fields, click OK or
// Cancel). The script runs on the dialog's thread. An empty function
// removes the script.
using HeadlessScript = std::function<void(Dialog&)>;
void setHeadlessScript(int templateId, HeadlessScript script);

}  // namespace platform
