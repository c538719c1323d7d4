#include "resources/dialog_templates.h"

#include "resources/resource.h"

namespace korvan::resources {
namespace {

// The KDA grid's boxes as data: one loop builds them (210 expanded calls
// took most of this file's compile time).
struct GridBox {
    int id;
    const char* caption;
    int x, y, width;
};
constexpr GridBox kGridBoxes[] = {
#define KDA_GRID_BOX(id, code, caption, x, y, width) {id, caption, x, y, width},
#include "resources/kda_grid.h"
#undef KDA_GRID_BOX
};

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
    DialogTemplate grid{IDD_OBLAST, "KDA", 207, 322, {}, true};
    for (const GridBox& box : kGridBoxes)
        grid.controls.push_back({box.id, ControlKind::checkBox, box.caption, box.x, box.y, box.width, 10, {}});
    templates.push_back(std::move(grid));
    templates.push_back({IDD_DXCC, "DXCC", 271, 135,
                         {{IDC_DXCC_INFO, ControlKind::pushButton, "Button1", 0, 0, 271, 134, {}, true}}});
    // The Cabrillo header editor. Labels have no id of their own (-1).
    const std::vector<std::string> operatorEntries{"SINGLE-OP", "MULTI-OP", "CHECKLOG"};
    const std::vector<std::string> bandEntries{"ALL", "80M", "40M", "20M", "15M", "10M"};
    const std::vector<std::string> modeEntries{"MIXED", "CW", "SSB"};
    const std::vector<std::string> powerEntries{"HIGH", "LOW", "QRP"};
    const std::vector<std::string> stationEntries{"FIXED", "MOBILE", "PORTABLE", "EXPEDITION"};
    const std::vector<std::string> transmitterEntries{"ONE", "TWO", "UNLIMITED"};
    templates.push_back(
        {IDD_CABRILLO, "KORVAN CONTEST", 255, 308,
         {
             {-1, ControlKind::staticText, "CONTEST", 5, 11, 46, 8, {}},
             {IDC_CABRILLO_CONTEST, ControlKind::edit, "", 55, 9, 190, 12, {}},
             {-1, ControlKind::staticText, "CALLSIGN", 5, 25, 46, 8, {}},
             {IDC_CABRILLO_CALLSIGN, ControlKind::edit, "", 55, 23, 88, 12, {}},
             {-1, ControlKind::staticText, "CLAIMED", 150, 25, 32, 8, {}},
             {IDC_CABRILLO_CLAIMED, ControlKind::edit, "", 184, 23, 61, 12, {}},
             {-1, ControlKind::staticText, "CATEGORY-OPERATOR", 5, 40, 88, 8, {}},
             {IDC_CABRILLO_CATEGORY_OPERATOR, ControlKind::comboBox, "", 96, 38, 69, 42, operatorEntries},
             {-1, ControlKind::staticText, "CATEGORY-BAND", 5, 55, 87, 8, {}},
             {IDC_CABRILLO_CATEGORY_BAND, ControlKind::comboBox, "", 95, 53, 70, 88, bandEntries},
             {-1, ControlKind::staticText, "LOCATION", 170, 57, 37, 8, {}},
             {IDC_CABRILLO_LOCATION, ControlKind::edit, "", 209, 55, 36, 13, {}},
             {-1, ControlKind::staticText, "CATEGORY-MODE", 5, 69, 87, 8, {}},
             {IDC_CABRILLO_CATEGORY_MODE, ControlKind::comboBox, "", 95, 67, 70, 48, modeEntries},
             {-1, ControlKind::staticText, "CATEGORY-POWER", 5, 83, 97, 8, {}},
             {IDC_CABRILLO_CATEGORY_POWER, ControlKind::sortedComboBox, "", 105, 81, 59, 48, powerEntries},
             {-1, ControlKind::staticText, "CATEGORY-STATION", 5, 97, 97, 8, {}},
             {IDC_CABRILLO_CATEGORY_STATION, ControlKind::sortedComboBox, "", 105, 95, 59, 63, stationEntries},
             {-1, ControlKind::staticText, "CATEGORY-TRANSMITTER", 5, 111, 99, 8, {}},
             {IDC_CABRILLO_CATEGORY_TRANSMITTER, ControlKind::sortedComboBox, "", 105, 109, 59, 63,
              transmitterEntries},
             {-1, ControlKind::staticText, "NAME", 5, 125, 46, 8, {}},
             {IDC_CABRILLO_NAME, ControlKind::edit, "", 55, 123, 191, 12, {}},
             {-1, ControlKind::staticText, "ADDRESS", 5, 139, 46, 8, {}},
             {IDC_CABRILLO_ADDRESS, ControlKind::edit, "", 55, 137, 191, 12, {}},
             {-1, ControlKind::staticText, "ADDRESS-CITY", 5, 153, 58, 8, {}},
             {IDC_CABRILLO_ADDRESS_CITY, ControlKind::edit, "", 65, 151, 181, 12, {}},
             {-1, ControlKind::staticText, "ADDRESS-POSTALCODE", 5, 167, 90, 8, {}},
             {IDC_CABRILLO_ADDRESS_POSTALCODE, ControlKind::edit, "", 97, 165, 149, 12, {}},
             {-1, ControlKind::staticText, "ADDRESS-COUNTRY", 5, 181, 90, 8, {}},
             {IDC_CABRILLO_ADDRESS_COUNTRY, ControlKind::edit, "", 97, 179, 149, 12, {}},
             {-1, ControlKind::staticText, "OPERATORS", 5, 195, 48, 8, {}},
             {IDC_CABRILLO_OPERATORS, ControlKind::edit, "", 55, 193, 191, 12, {}},
             {-1, ControlKind::staticText, "CLUB", 5, 209, 46, 8, {}},
             {IDC_CABRILLO_CLUB, ControlKind::edit, "", 55, 207, 191, 12, {}},
             {-1, ControlKind::staticText, "SOAPBOX", 5, 223, 46, 8, {}},
             {IDC_CABRILLO_SOAPBOX, ControlKind::multiLineEdit, "", 55, 221, 191, 31, {}},
             {-1, ControlKind::staticText, "E-MAIL", 5, 255, 46, 8, {}},
             {IDC_CABRILLO_EMAIL, ControlKind::edit, "", 55, 253, 191, 12, {}},
             {1, ControlKind::pushButton, "OK", 79, 275, 51, 21, {}},
             {2, ControlKind::pushButton, "CANCEL", 154, 275, 46, 21, {}},
         }});
    return templates;
}

// A plain static, built while the library loads: a function-local one
// would be built at the first dialog, after the unload step's hooks were
// registered, and so destroyed before them, while the window thread they
// end may still read it.
const std::vector<DialogTemplate> dialogTemplates = buildTemplates();

}  // namespace

const DialogTemplate* findDialogTemplate(int id) {
    for (const DialogTemplate& dialog : dialogTemplates)
        if (dialog.id == id) return &dialog;
    return nullptr;
}

}  // namespace korvan::resources
