#pragma once
// Portable descriptions of the library's dialog templates: what the
// headless (non-Windows) dialogs build their controls from. They mirror
// Stats.rc, which Windows uses.
#include <string>
#include <vector>

namespace korvan::resources {

enum class ControlKind { edit, multiLineEdit, comboBox, sortedComboBox, checkBox, pushButton, staticText };

struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string caption;
    int x, y, width, height;            // dialog units
    std::vector<std::string> comboInit; // list entries from the dialog's initialisation data
    bool ownerDrawn = false;            // BS_OWNERDRAW in the template
};

struct DialogTemplate {
    int id;
    std::string caption;
    int width, height;                  // dialog units
    std::vector<ControlTemplate> controls;
    bool visible = false;               // WS_VISIBLE: a modeless window shows at once
};

// Null when the library has no such template.
const DialogTemplate* findDialogTemplate(int id);

}  // namespace korvan::resources
