// Who answers a headless modal dialog. No operator sits at a headless
// desktop: a test's script answers it, else the host stand-in's answer
// (korvan_host_modal_answer, see host_stand_in.h), else a dialog with an OK
// button is confirmed as it was initialised. A dialog without one (the
// setup panel) runs until it is closed.
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/headless/headless_window.h"
#include "platform/headless/host_stand_in.h"
#include "platform/headless/testing.h"
#include "resources/dialog_templates.h"

namespace korvan::platform::headless {
namespace {

// Longest answer taken from the host stand-in.
constexpr unsigned kLongestAnswer = 1 << 20;
constexpr char kEntrySeparator = '\x1f';

// Scripts by template id (a plain static: freed with the library).
std::mutex scriptLock;
std::map<int, ModalScript> scripts;

ModalScript scriptFor(int templateId) {
    std::lock_guard<std::mutex> guard(scriptLock);
    const auto found = scripts.find(templateId);
    return found == scripts.end() ? ModalScript() : found->second;
}

// Looked up while the library loads (see host_automation.cpp).
const KorvanHostModalAnswerFunction modalAnswerFunction =
    reinterpret_cast<KorvanHostModalAnswerFunction>(dlsym(RTLD_DEFAULT, KORVAN_HOST_MODAL_ANSWER_SYMBOL));

// The host stand-in's answer for the template; empty when it gives none.
std::string hostAnswer(int templateId) {
    if (!modalAnswerFunction) return {};
    std::vector<char> buffer(256, '\0');
    // The answer may change between the calls; the second size is taken
    // as it comes.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const unsigned length = modalAnswerFunction(templateId, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (length < buffer.size()) return std::string(buffer.data(), std::min<std::size_t>(length, buffer.size() - 1));
        if (length >= kLongestAnswer) return {};
        buffer.assign(length + 1, '\0');
    }
    return {};
}

bool hasOkButton(int templateId) {
    const resources::DialogTemplate* dialog = resources::findDialogTemplate(templateId);
    return dialog && std::any_of(dialog->controls.begin(), dialog->controls.end(), [](const auto& control) {
               return control.id == kIdOk && control.kind == resources::ControlKind::pushButton;
           });
}

// "cancel" presses Cancel; otherwise the "CONTROLID=TEXT" entries are typed
// into their controls and OK is pressed.
void applyAnswer(Dialog& dialog, const std::string& answer) {
    if (answer == "cancel") {
        dialog.dispatchMessage(kWmCommand, kIdCancel, 0);
        return;
    }
    for (std::size_t start = 0; start <= answer.size();) {
        std::size_t end = answer.find(kEntrySeparator, start);
        if (end == std::string::npos) end = answer.size();
        const std::string entry = answer.substr(start, end - start);
        const std::size_t equals = entry.find('=');
        if (equals != std::string::npos)
            dialog.setControlText(std::atoi(entry.substr(0, equals).c_str()), entry.substr(equals + 1));
        start = end + 1;
    }
    dialog.dispatchMessage(kWmCommand, kIdOk, 0);
}

}  // namespace

void answerModalDialog(Dialog& dialog) {
    if (const ModalScript script = scriptFor(dialog.templateId())) {
        script(dialog);
        return;
    }
    const std::string answer = hostAnswer(dialog.templateId());
    if (!answer.empty())
        applyAnswer(dialog, answer);
    else if (hasOkButton(dialog.templateId()))
        dialog.dispatchMessage(kWmCommand, kIdOk, 0);
}

void setModalScript(int templateId, ModalScript script) {
    std::lock_guard<std::mutex> guard(scriptLock);
    if (script)
        scripts[templateId] = std::move(script);
    else
        scripts.erase(templateId);
}

void clickButton(const Dialog& dialog, int controlId) {
    if (WindowHandle handle = dialog.window())
        postMessage(handle, kWmCommand, static_cast<std::uintptr_t>(controlId & 0xFFFF), 0);
}

}  // namespace korvan::platform::headless
