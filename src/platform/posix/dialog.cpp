// Headless dialogs: the controls of the portable dialog templates held in
// memory, a message queue instead of a window, and test scripts in place of
// the operator. Control state may be read and changed from any thread.
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

#include "platform/dialog.h"
#include "platform/file_access_internal.h"
#include "platform/posix/headless_window.h"
#include "resources/dialog_templates.h"

namespace platform {
namespace {

struct Control {
    resources::ControlKind kind = resources::ControlKind::edit;
    std::string text;
    int check = 0;
    std::vector<std::string> entries;
    int selection = -1;
};

struct ScriptTable {
    std::mutex lock;
    std::map<int, HeadlessScript> scripts;
};

ScriptTable& scriptTable() {
    static ScriptTable* instance = new ScriptTable;
    return *instance;
}

HeadlessScript scriptFor(int templateId) {
    ScriptTable& table = scriptTable();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto found = table.scripts.find(templateId);
    return found == table.scripts.end() ? HeadlessScript() : found->second;
}

bool lessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(detail::lowerAscii(x)) < static_cast<unsigned char>(detail::lowerAscii(y));
    });
}

// Handlers run as the Windows dialog procedure runs them: an exception
// ends at the dispatch and never unwinds the message loop.
template <typename Body>
void guarded(Body body) {
    try {
        body();
    } catch (...) {
    }
}

}  // namespace

struct Dialog::Impl {
    mutable std::mutex lock;
    std::string title;
    std::map<int, Control> controls;
    std::shared_ptr<headless::Window> window;  // under lock
    std::atomic<WindowHandle> handle{nullptr};
    std::atomic<bool> ended{false};
    std::atomic<int> result{0};

    Control* find(int id) {
        const auto found = controls.find(id);
        return found == controls.end() ? nullptr : &found->second;
    }
    const Control* find(int id) const {
        const auto found = controls.find(id);
        return found == controls.end() ? nullptr : &found->second;
    }

    void build(int templateId) {
        std::lock_guard<std::mutex> guard(lock);
        title.clear();
        controls.clear();
        const resources::DialogTemplate* dialog = resources::findDialogTemplate(templateId);
        if (!dialog) return;
        title = dialog->caption;
        for (const resources::ControlTemplate& item : dialog->controls) {
            // As GetDlgItem does, an id names the first control that has it.
            const auto [slot, added] = controls.try_emplace(item.id);
            if (!added) continue;
            Control& control = slot->second;
            control.kind = item.kind;
            switch (item.kind) {
                case resources::ControlKind::comboBox:
                case resources::ControlKind::sortedComboBox:
                    control.entries = item.comboInit;
                    if (item.kind == resources::ControlKind::sortedComboBox)
                        std::stable_sort(control.entries.begin(), control.entries.end(), lessNoCase);
                    break;
                case resources::ControlKind::edit:
                case resources::ControlKind::multiLineEdit:
                    break;  // an edit starts empty
                default:
                    control.text = item.caption;
                    break;
            }
        }
    }
};

Dialog::Dialog(int templateId) : templateId_(templateId), impl_(std::make_unique<Impl>()) {}

Dialog::~Dialog() = default;

int Dialog::runModal() {
    if (impl_->handle.load()) return -1;  // already running
    impl_->build(templateId_);
    impl_->ended.store(false);
    impl_->result.store(0);

    auto window = std::make_shared<headless::Window>(std::this_thread::get_id());
    {
        std::lock_guard<std::mutex> guard(impl_->lock);
        impl_->window = window;
    }
    const WindowHandle handle = headless::registerWindow(window);
    impl_->handle.store(handle);

    guarded([&] { dispatchInit(); });
    if (!impl_->ended.load()) {
        if (HeadlessScript script = scriptFor(templateId_))
            guarded([&] { script(*this); });
        else if (headlessRun() == HeadlessRun::confirmAtOnce)
            guarded([&] { dispatchMessage(kWmCommand, kIdOk, 0); });
    }
    while (!impl_->ended.load()) {
        headless::Message message;
        if (!window->next(message)) continue;
        guarded([&] { dispatchMessage(message.message, message.wParam, message.lParam); });
        window->handled(message.sequence);
    }

    impl_->handle.store(nullptr);
    headless::unregisterWindow(handle);
    window->destroy();
    {
        std::lock_guard<std::mutex> guard(impl_->lock);
        impl_->window.reset();
    }
    return impl_->result.load();
}

void Dialog::endDialog(int result) {
    impl_->result.store(result);
    impl_->ended.store(true);
    std::shared_ptr<headless::Window> window;
    {
        std::lock_guard<std::mutex> guard(impl_->lock);
        window = impl_->window;
    }
    if (window) window->wake();
}

WindowHandle Dialog::window() const { return impl_->handle.load(); }

std::string Dialog::title() const {
    std::lock_guard<std::mutex> guard(impl_->lock);
    return impl_->title;
}

void Dialog::setTitle(const std::string& text, TextCodePage) {
    std::lock_guard<std::mutex> guard(impl_->lock);
    impl_->title = text;
}

std::string Dialog::controlText(int controlId) const {
    std::lock_guard<std::mutex> guard(impl_->lock);
    const Control* control = impl_->find(controlId);
    return control ? control->text : std::string();
}

void Dialog::setControlText(int controlId, const std::string& text, TextCodePage) {
    std::lock_guard<std::mutex> guard(impl_->lock);
    Control* control = impl_->find(controlId);
    if (!control) return;
    control->text = text;
    // Typing over a combo box's edit part leaves no entry selected.
    if (control->selection >= 0 && control->entries[control->selection] != text) control->selection = -1;
}

int Dialog::checkState(int controlId) const {
    std::lock_guard<std::mutex> guard(impl_->lock);
    const Control* control = impl_->find(controlId);
    return control ? control->check : 0;
}

void Dialog::setCheckState(int controlId, int state) {
    std::lock_guard<std::mutex> guard(impl_->lock);
    if (Control* control = impl_->find(controlId)) control->check = state;
}

std::vector<std::string> Dialog::comboEntries(int controlId) const {
    std::lock_guard<std::mutex> guard(impl_->lock);
    const Control* control = impl_->find(controlId);
    return control ? control->entries : std::vector<std::string>();
}

int Dialog::comboSelection(int controlId) const {
    std::lock_guard<std::mutex> guard(impl_->lock);
    const Control* control = impl_->find(controlId);
    return control ? control->selection : -1;
}

void Dialog::setComboSelection(int controlId, int index) {
    std::lock_guard<std::mutex> guard(impl_->lock);
    Control* control = impl_->find(controlId);
    if (!control) return;
    // As a drop-down combo box: the edit part shows the selected entry; an
    // index out of range clears both.
    if (index >= 0 && index < static_cast<int>(control->entries.size())) {
        control->selection = index;
        control->text = control->entries[index];
    } else {
        control->selection = -1;
        control->text.clear();
    }
}

void setHeadlessScript(int templateId, HeadlessScript script) {
    ScriptTable& table = scriptTable();
    std::lock_guard<std::mutex> guard(table.lock);
    if (script)
        table.scripts[templateId] = std::move(script);
    else
        table.scripts.erase(templateId);
}

}  // namespace platform
