#include "resources/dialog_templates.h"

#include "resources/resource.h"

namespace resources {
namespace {

std::vector<DialogTemplate> buildTemplates() {
    std::vector<DialogTemplate> templates;
    templates.push_back({IDD_SETUP, "Setup Korvan CONTEST", 186, 68,
                         {
                             {IDC_SETUP_VIEW_KDA, ControlKind::checkBox, "KDA", 102, 22, 64, 10, {}},
                             {IDC_SETUP_VIEW_DXCC, ControlKind::checkBox, "DXCC", 102, 34, 72, 12, {}},
                             {IDC_SETUP_ON_TOP, ControlKind::checkBox, "Window on top", 102, 48, 60, 12, {}},
                             {IDC_SETUP_CW, ControlKind::pushButton, "CW", 19, 32, 32, 15, {}},
                             {IDC_SETUP_SSB, ControlKind::pushButton, "SSB", 59, 32, 32, 15, {}},
                             {IDC_SETUP_VIEW_LABEL, ControlKind::staticText, "View", 118, 10, 54, 9, {}},
                             {IDC_SETUP_CHOICE_LABEL, ControlKind::staticText, "Choice mode", 37, 18, 54, 9, {}},
                         }});
    return templates;
}

}  // namespace

const DialogTemplate* findDialogTemplate(int id) {
    static const std::vector<DialogTemplate> templates = buildTemplates();
    for (const DialogTemplate& dialog : templates)
        if (dialog.id == id) return &dialog;
    return nullptr;
}

}  // namespace resources
