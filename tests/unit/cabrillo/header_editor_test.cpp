// The header editor: what it shows, what it stores under which keys, the
// soapbox's three forms, and cancelling.
#include <cstdlib>
#include <fstream>
#include <regex>

#include "cabrillo/header_editor.h"
#include "cabrillo_test_support.h"
#include "resources/dialog_templates.h"

using namespace korvan;

namespace {

// Key names of the settings file's lines, in file order.
std::vector<std::string> settingsKeys(const std::filesystem::path& file) {
    std::vector<std::string> keys;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) keys.push_back(line.substr(0, equals));
    }
    return keys;
}

const std::filesystem::path kSettings = std::filesystem::path("Plugins") / "Korvan.ini";

}  // namespace

TEST_F(CabrilloTest, ConfirmStoresTheFourteenKeysInOrderAndNothingElse) {
    ASSERT_TRUE(confirmHeader("OWNCALL", [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_NAME, "Ivan Petrov");
        editor.setControlText(IDC_CABRILLO_ADDRESS, "Lenina 1");
        editor.setControlText(IDC_CABRILLO_ADDRESS_CITY, "Almaty");
        editor.setControlText(IDC_CABRILLO_ADDRESS_POSTALCODE, "050000");
        editor.setControlText(IDC_CABRILLO_ADDRESS_COUNTRY, "Korvania");
        editor.setControlText(IDC_CABRILLO_LOCATION, "DX");
        editor.setControlText(IDC_CABRILLO_EMAIL, "op@example.org");
        editor.setControlText(IDC_CABRILLO_CLUB, "KRC");
        editor.setControlText(IDC_CABRILLO_OPERATORS, "OWNCALL OP2");
        editor.setControlText(IDC_CABRILLO_CLAIMED, "999");
        editor.setControlText(IDC_CABRILLO_CATEGORY_STATION, "PORTABLE");
    }));
    EXPECT_EQ(settingsKeys(folder.path() / kSettings),
              (std::vector<std::string>{"Band", "Power", "Operators", "Name", "Address", "Address-City",
                                        "Address-PostalCode", "Address-Country", "Category", "Contest", "Email",
                                        "Club", "SoapBox", "Loc"}));
    EXPECT_EQ(setting("Band"), "ALL");
    EXPECT_EQ(setting("Power"), "HIGH");
    EXPECT_EQ(setting("Operators"), "OWNCALL OP2");
    EXPECT_EQ(setting("Name"), "Ivan Petrov");
    EXPECT_EQ(setting("Address"), "Lenina 1");
    EXPECT_EQ(setting("Address-City"), "Almaty");
    EXPECT_EQ(setting("Address-PostalCode"), "050000");
    EXPECT_EQ(setting("Address-Country"), "Korvania");
    EXPECT_EQ(setting("Category"), "SINGLE-OP");
    EXPECT_EQ(setting("Contest"), "Korvan");
    EXPECT_EQ(setting("Email"), "op@example.org");
    EXPECT_EQ(setting("Club"), "KRC");
    EXPECT_EQ(setting("SoapBox"), "");
    EXPECT_EQ(setting("Loc"), "DX");
    // What the operator types under CLAIMED is neither kept nor stored.
    EXPECT_EQ(setting("Claimed"), "<absent>");
    EXPECT_EQ(cabrilloLog().claimed, "");
    EXPECT_EQ(cabrilloLog().categoryStation, "PORTABLE");
    EXPECT_EQ(cabrilloLog().name, "Ivan Petrov");
}

TEST_F(CabrilloTest, EditorShowsTheStoredValuesAndTheClaimedScore) {
    storeSetting("Name", "Ivan Petrov");
    storeSetting("Address-Country", "Korvania");
    storeSetting("Claimed", "1234");
    storeSetting("Loc", "DX");
    std::map<int, std::string> shown;
    ASSERT_TRUE(confirmHeader("OWNCALL", [&shown](platform::Dialog& editor) {
        for (int id : {IDC_CABRILLO_NAME, IDC_CABRILLO_ADDRESS_COUNTRY, IDC_CABRILLO_CLAIMED, IDC_CABRILLO_LOCATION,
                       IDC_CABRILLO_CALLSIGN, IDC_CABRILLO_EMAIL})
            shown[id] = editor.controlText(id);
    }));
    EXPECT_EQ(shown[IDC_CABRILLO_NAME], "Ivan Petrov");
    EXPECT_EQ(shown[IDC_CABRILLO_ADDRESS_COUNTRY], "Korvania");
    EXPECT_EQ(shown[IDC_CABRILLO_CLAIMED], "1234");
    EXPECT_EQ(shown[IDC_CABRILLO_LOCATION], "DX");
    EXPECT_EQ(shown[IDC_CABRILLO_CALLSIGN], "OWNCALL");
    EXPECT_EQ(shown[IDC_CABRILLO_EMAIL], "");
    EXPECT_EQ(cabrilloLog().claimed, "1234");
}

TEST_F(CabrilloTest, OperatorsDefaultToTheOwnCallOnlyWhileTheKeyIsAbsent) {
    std::string shown;
    const auto readOperators = [&shown](platform::Dialog& editor) {
        shown = editor.controlText(IDC_CABRILLO_OPERATORS);
    };
    ASSERT_TRUE(confirmHeader("OWNCALL", readOperators));
    EXPECT_EQ(shown, "OWNCALL");

    ASSERT_TRUE(confirmHeader("OWNCALL", [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_OPERATORS, "");
    }));
    EXPECT_EQ(setting("Operators"), "");
    ASSERT_TRUE(confirmHeader("OWNCALL", readOperators));
    EXPECT_EQ(shown, "");
    EXPECT_EQ(cabrilloLog().operators, "");
}

TEST_F(CabrilloTest, CategoriesStartFromFixedValuesWhateverIsStored) {
    storeSetting("Band", "160M");
    storeSetting("Power", "LOW");
    storeSetting("Category", "CHECKLOG");
    storeSetting("Contest", "Other contest");
    std::map<int, std::string> shown;
    ASSERT_TRUE(confirmHeader("OWNCALL", [&shown](platform::Dialog& editor) {
        for (int id : {IDC_CABRILLO_CONTEST, IDC_CABRILLO_CATEGORY_OPERATOR, IDC_CABRILLO_CATEGORY_BAND,
                       IDC_CABRILLO_CATEGORY_MODE, IDC_CABRILLO_CATEGORY_POWER, IDC_CABRILLO_CATEGORY_STATION,
                       IDC_CABRILLO_CATEGORY_TRANSMITTER})
            shown[id] = editor.controlText(id);
    }));
    EXPECT_EQ(shown[IDC_CABRILLO_CONTEST], "Korvan");
    EXPECT_EQ(shown[IDC_CABRILLO_CATEGORY_OPERATOR], "SINGLE-OP");
    EXPECT_EQ(shown[IDC_CABRILLO_CATEGORY_BAND], "ALL");
    EXPECT_EQ(shown[IDC_CABRILLO_CATEGORY_MODE], "MIXED");
    EXPECT_EQ(shown[IDC_CABRILLO_CATEGORY_POWER], "HIGH");
    EXPECT_EQ(shown[IDC_CABRILLO_CATEGORY_STATION], "FIXED");
    EXPECT_EQ(shown[IDC_CABRILLO_CATEGORY_TRANSMITTER], "ONE");
    EXPECT_EQ(setting("Band"), "ALL");
    EXPECT_EQ(setting("Power"), "HIGH");
    EXPECT_EQ(setting("Category"), "SINGLE-OP");
    EXPECT_EQ(setting("Contest"), "Korvan");
}

TEST_F(CabrilloTest, BandTypedOutsideTheListIsTakenUnchanged) {
    ASSERT_TRUE(confirmHeader("OWNCALL", [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_CATEGORY_BAND, "160M");
    }));
    EXPECT_EQ(setting("Band"), "160M");
    cabrilloLog().writeLog();
    EXPECT_NE(fileText("OWNCALL.cbr").find("\r\nCATEGORY-BAND: 160M\r\n"), std::string::npos);
}

TEST_F(CabrilloTest, SoapboxOfTwoLinesIsStoredEscapedShownAgainAndLoggedAsTwoLines) {
    ASSERT_TRUE(confirmHeader("OWNCALL", [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_SOAPBOX, "First line\r\nSecond line");
    }));
    EXPECT_EQ(setting("SoapBox"), "First line<CR><LF>Second line");
    cabrilloLog().writeLog();
    EXPECT_NE(fileText("OWNCALL.cbr").find("\r\nSOAPBOX: First line\r\nSOAPBOX: Second line\r\nE-MAIL: \r\n"),
              std::string::npos);

    std::string shown;
    ASSERT_TRUE(confirmHeader("OWNCALL", [&shown](platform::Dialog& editor) {
        shown = editor.controlText(IDC_CABRILLO_SOAPBOX);
    }));
    EXPECT_EQ(shown, "First line\r\nSecond line");
    EXPECT_EQ(setting("SoapBox"), "First line<CR><LF>Second line");
}

TEST_F(CabrilloTest, SoapboxEndingInALineBreakEndsWithAnEmptySoapboxLine) {
    ASSERT_TRUE(confirmHeader("OWNCALL", [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_SOAPBOX, "Only line\r\n");
    }));
    EXPECT_EQ(setting("SoapBox"), "Only line<CR><LF>");
    cabrilloLog().writeLog();
    EXPECT_NE(fileText("OWNCALL.cbr").find("\r\nSOAPBOX: Only line\r\nSOAPBOX: \r\nE-MAIL: \r\n"),
              std::string::npos);
}

TEST_F(CabrilloTest, TypedCrEscapeBecomesALineBreakAndBareLineFeedsDisappearFromTheLog) {
    ASSERT_TRUE(confirmHeader("OWNCALL", [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_SOAPBOX, "one<CR>two\nthree");
    }));
    EXPECT_EQ(setting("SoapBox"), "one<CR>two<LF>three");
    cabrilloLog().writeLog();
    EXPECT_NE(fileText("OWNCALL.cbr").find("\r\nSOAPBOX: one\r\nSOAPBOX: twothree\r\n"), std::string::npos);

    std::string shown;
    ASSERT_TRUE(confirmHeader("OWNCALL", [&shown](platform::Dialog& editor) {
        shown = editor.controlText(IDC_CABRILLO_SOAPBOX);
    }));
    EXPECT_EQ(shown, "one\rtwo\nthree");
}

TEST_F(CabrilloTest, ValuesLongerThanNinetyNineCharactersSurviveTheNextRun) {
    const std::string address(150, 'a');
    std::string soapbox;
    for (int line = 0; line < 12; ++line) soapbox += "Soapbox line " + std::to_string(line) + "\r\n";
    soapbox += "last";
    ASSERT_TRUE(confirmHeader("OWNCALL", [&](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_ADDRESS, address);
        editor.setControlText(IDC_CABRILLO_SOAPBOX, soapbox);
    }));
    std::string shownAddress, shownSoapbox;
    ASSERT_TRUE(confirmHeader("OWNCALL", [&](platform::Dialog& editor) {
        shownAddress = editor.controlText(IDC_CABRILLO_ADDRESS);
        shownSoapbox = editor.controlText(IDC_CABRILLO_SOAPBOX);
    }));
    EXPECT_EQ(shownAddress, address);
    EXPECT_EQ(shownSoapbox, soapbox);
    cabrilloLog().writeLog();
    const std::string text = fileText("OWNCALL.cbr");
    EXPECT_NE(text.find("\r\nADDRESS: " + address + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nSOAPBOX: Soapbox line 11\r\nSOAPBOX: last\r\nE-MAIL: "), std::string::npos);
}

TEST_F(CabrilloTest, ConfirmingEmptiesTheCollectedQsoLines) {
    cabrilloLog().qsoLines = {"QSO: old\r\n"};
    ASSERT_TRUE(confirmHeader("OWNCALL"));
    EXPECT_TRUE(cabrilloLog().qsoLines.empty());
    EXPECT_EQ(exportRun(), 1);
}

TEST_F(CabrilloTest, UnscriptedHeadlessEditorConfirmsUnchanged) {
    platform::headless::setModalScript(IDD_CABRILLO, {});
    EXPECT_TRUE(cabrilloLog().editHeader("OWNCALL"));
    EXPECT_EQ(setting("Operators"), "OWNCALL");
    EXPECT_EQ(exportRun(), 1);
}

TEST_F(CabrilloTest, CancelStoresNothingAndEndsTheExportRun) {
    storeSetting("Name", "Stored name");
    storeSetting("SoapBox", "a<CR><LF>b");
    const std::string settingsBefore = fileText(kSettings.string());
    cabrilloLog().qsoLines = {"QSO: kept\r\n"};

    platform::headless::setModalScript(IDD_CABRILLO, [](platform::Dialog& editor) {
        editor.setControlText(IDC_CABRILLO_NAME, "Typed but cancelled");
        platform::headless::clickButton(editor, platform::kIdCancel);
    });
    EXPECT_FALSE(cabrilloLog().editHeader("OWNCALL/P"));

    EXPECT_EQ(exportRun(), 0);
    EXPECT_EQ(fileText(kSettings.string()), settingsBefore);
    EXPECT_EQ(cabrilloLog().qsoLines, std::vector<std::string>{"QSO: kept\r\n"});
    // The fields keep what was loaded before the editor ran.
    EXPECT_EQ(cabrilloLog().name, "Stored name");
    EXPECT_EQ(cabrilloLog().soapbox, "a\r\nb");
    EXPECT_EQ(cabrilloLog().fileCallsign, "OWNCALL_P");
}

// The portable template that the headless editor runs on must describe the
// same dialog as the Windows resource.
TEST(CabrilloEditorTemplate, MatchesTheWindowsResource) {
    const resources::DialogTemplate* dialog = resources::findDialogTemplate(IDD_CABRILLO);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->caption, "KORVAN CONTEST");
    EXPECT_EQ(dialog->width, 255);
    EXPECT_EQ(dialog->height, 308);

    const std::filesystem::path rc =
        std::filesystem::path(__FILE__).parent_path() / "../../../src/resources/cabrillo_101.rc";
    std::ifstream in(rc);
    ASSERT_TRUE(in) << rc;
    const std::map<std::string, int> ids{
        {"IDC_STATIC", -1}, {"IDOK", 1}, {"IDCANCEL", 2},
        {"IDC_CABRILLO_SOAPBOX", IDC_CABRILLO_SOAPBOX}, {"IDC_CABRILLO_ADDRESS_CITY", IDC_CABRILLO_ADDRESS_CITY},
        {"IDC_CABRILLO_EMAIL", IDC_CABRILLO_EMAIL}, {"IDC_CABRILLO_CLUB", IDC_CABRILLO_CLUB},
        {"IDC_CABRILLO_OPERATORS", IDC_CABRILLO_OPERATORS}, {"IDC_CABRILLO_NAME", IDC_CABRILLO_NAME},
        {"IDC_CABRILLO_CLAIMED", IDC_CABRILLO_CLAIMED}, {"IDC_CABRILLO_CONTEST", IDC_CABRILLO_CONTEST},
        {"IDC_CABRILLO_CALLSIGN", IDC_CABRILLO_CALLSIGN},
        {"IDC_CABRILLO_ADDRESS_POSTALCODE", IDC_CABRILLO_ADDRESS_POSTALCODE},
        {"IDC_CABRILLO_ADDRESS_COUNTRY", IDC_CABRILLO_ADDRESS_COUNTRY},
        {"IDC_CABRILLO_CATEGORY_OPERATOR", IDC_CABRILLO_CATEGORY_OPERATOR},
        {"IDC_CABRILLO_ADDRESS", IDC_CABRILLO_ADDRESS}, {"IDC_CABRILLO_CATEGORY_BAND", IDC_CABRILLO_CATEGORY_BAND},
        {"IDC_CABRILLO_LOCATION", IDC_CABRILLO_LOCATION},
        {"IDC_CABRILLO_CATEGORY_TRANSMITTER", IDC_CABRILLO_CATEGORY_TRANSMITTER},
        {"IDC_CABRILLO_CATEGORY_POWER", IDC_CABRILLO_CATEGORY_POWER},
        {"IDC_CABRILLO_CATEGORY_MODE", IDC_CABRILLO_CATEGORY_MODE},
        {"IDC_CABRILLO_CATEGORY_STATION", IDC_CABRILLO_CATEGORY_STATION}};

    // Controls of the resource, in order, and the list entries of its
    // initialisation data per control.
    const std::regex control(
        R"re(^\s*(LTEXT|EDITTEXT|COMBOBOX|DEFPUSHBUTTON|PUSHBUTTON)\s+(?:"([^"]*)",\s*)?(\w+),\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)(.*)$)re");
    const std::regex entry(R"re(^\s*(IDC_\w+),\s*0x0403,\s*(\d+),\s*0,\s*"([^"\\]*)\\0",\s*$)re");
    std::vector<resources::ControlTemplate> fromRc;
    std::map<int, std::vector<std::string>> entries;
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_match(line, m, control)) {
            resources::ControlKind kind = resources::ControlKind::staticText;
            const std::string type = m[1], style = m[8];
            if (type == "EDITTEXT")
                kind = style.find("ES_MULTILINE") != std::string::npos ? resources::ControlKind::multiLineEdit
                                                                       : resources::ControlKind::edit;
            else if (type == "COMBOBOX")
                kind = style.find("CBS_SORT") != std::string::npos ? resources::ControlKind::sortedComboBox
                                                                   : resources::ControlKind::comboBox;
            else if (type != "LTEXT")
                kind = resources::ControlKind::pushButton;
            ASSERT_TRUE(ids.count(m[3])) << line;
            fromRc.push_back({ids.at(m[3]), kind, m[2], std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[6]),
                              std::stoi(m[7]), {}});
        } else if (std::regex_match(line, m, entry)) {
            EXPECT_EQ(std::stoul(m[2]), m[3].length() + 1) << "length of " << m[3];
            entries[ids.at(m[1])].push_back(m[3]);
        }
    }
    for (auto& item : fromRc)
        if (entries.count(item.id)) item.comboInit = entries[item.id];

    ASSERT_EQ(dialog->controls.size(), fromRc.size());
    for (std::size_t i = 0; i < fromRc.size(); ++i) {
        const resources::ControlTemplate& a = dialog->controls[i];
        const resources::ControlTemplate& b = fromRc[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(a.id));
        EXPECT_EQ(a.id, b.id);
        EXPECT_EQ(a.kind, b.kind);
        EXPECT_EQ(a.caption, b.caption);
        EXPECT_EQ(std::vector<int>({a.x, a.y, a.width, a.height}), std::vector<int>({b.x, b.y, b.width, b.height}));
        EXPECT_EQ(a.comboInit, b.comboInit);
    }
}
