#include "windows/setup_panel.h"

#include <mutex>

#include "engine/contest_state.h"
#include "platform/profile.h"
#include "platform/window_messages.h"
#include "resources/resource.h"
#include "windows/refresh.h"
#include "windows/window_placement.h"
#include "windows/window_thread.h"

namespace korvan {

namespace {

constexpr int kBnClicked = 0;

// The panel's title (followed by the contest year) and captions.
struct PanelTexts {
    const char* titlePrefix;
    const char* view;
    const char* choiceMode;
    const char* onTop;
    const char* kda;
    const char* dxcc;
    platform::TextCodePage codePage;
};

constexpr PanelTexts kEnglish{"Setup Korvan-", "View", "Choice mode", "Window on top",
                              "KDA area", "DXCC", platform::TextCodePage::ansi};
// Windows-1251 bytes, whatever the system's code page.
constexpr PanelTexts kRussian{
    "\xD3\xF1\xF2\xE0\xED\xEE\xE2\xEA\xE8 Korvan-",          // Установки Korvan-
    "\xCE\xF2\xEE\xE1\xF0\xE0\xE6\xE0\xF2\xFC",               // Отображать
    "\xC2\xFB\xE1\xEE\xF0 \xE2\xE8\xE4\xE0 \xF1\xE2\xFF\xE7\xE8",  // Выбор вида связи
    "\xCF\xEE\xE2\xE5\xF0\xF5 \xEE\xEA\xEE\xED",              // Поверх окон
    "\xD0\xE0\xE9\xEE\xED\xFB \xCA\xC4\xC0",                  // Районы КДА
    "\xD1\xF2\xF0\xE0\xED\xFB DXCC",                          // Страны DXCC
    platform::TextCodePage::windows1251};

void writeSetting(const char* key, const std::string& value) {
    platform::writeProfileString(settingsFile, settingsSection, key, value);
}

}  // namespace

SetupPanel::SetupPanel(OperatorWindows& owner) : platform::Dialog(IDD_SETUP), owner_(owner) {}

bool SetupPanel::onInitDialog() { return initialise(); }

bool SetupPanel::initialise() {
    // The still-zero members go into the check boxes.
    platform::Dialog::onInitDialog();

    WindowMemory& memory = owner_.memory();
    memory.rememberedLeft = readSettingsNumber("Setup_x");
    memory.rememberedTop = readSettingsNumber("Setup_y");
    viewDxcc = readSettingsNumber("setup_view_DXCC");
    viewKda = readSettingsNumber("setup_view_KDA");
    // A stored 0 cannot be told from a missing position.
    if (memory.rememberedLeft == 0) memory.rememberedLeft = 10;
    if (memory.rememberedTop == 0) memory.rememberedTop = 400;

    cwButton.attachButton(IDC_SETUP_CW, *this, kModeFace, kModeLabel, kModeDisabledLabel);
    cwButton.redraw();
    ssbButton.attachButton(IDC_SETUP_SSB, *this, kModeFace, kModeLabel, kModeDisabledLabel);
    ssbButton.redraw();

    panelBrush = kPanelTint;

    // Always topmost, whatever the "Window on top" box says.
    moveTo(memory.rememberedLeft, memory.rememberedTop);
    makeTopmost();
    setLargeIcon(IDI_KORVAN);

    owner_.host().acquire();

    applyStoredMode();
    setTexts();
    updateData(false);
    disableCloseItem();
    postToSelf(WM_STATS_REFRESH);
    return true;
}

void SetupPanel::doDataExchange(platform::DataExchange& exchange) {
    exchange.check(IDC_SETUP_ON_TOP, onTopChecked);
    exchange.check(IDC_SETUP_VIEW_DXCC, viewDxcc);
    exchange.check(IDC_SETUP_VIEW_KDA, viewKda);
}

// "CW" or no stored mode: CW; "SSB": SSB; anything else (such as "ssb"):
// nothing is sent and both buttons stay grey.
void SetupPanel::applyStoredMode() {
    const std::string mode = platform::readProfileString(settingsFile, settingsSection, "setup_Mode", "");
    if (mode == "CW" || mode.empty())
        showCw();
    else if (mode == "SSB")
        showSsb();
}

void SetupPanel::showCw() {
    owner_.host().sendCommand("<MODE:CW>");
    owner_.host().sendCommand("<BAUDRATE:27>");
    cwButton.setFaceColor(kChosenModeFace);
    ssbButton.setFaceColor(kModeFace);
    ssbButton.setLabelColor(kModeLabel);
}

void SetupPanel::showSsb() {
    owner_.host().sendCommand("<MODE:SSB>");
    ssbButton.setFaceColor(kChosenModeFace);
    cwButton.setFaceColor(kModeFace);
    cwButton.setLabelColor(kModeLabel);
}

void SetupPanel::setTexts() {
    std::string year;
    bool russian = false;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        year = contestState().contestYear;
        russian = contestState().russianLabels == 1;
    }
    const PanelTexts& texts = russian ? kRussian : kEnglish;
    setTitle(texts.titlePrefix + year, texts.codePage);
    setControlText(IDC_SETUP_VIEW_LABEL, texts.view, texts.codePage);
    setControlText(IDC_SETUP_CHOICE_LABEL, texts.choiceMode, texts.codePage);
    setControlText(IDC_SETUP_ON_TOP, texts.onTop, texts.codePage);
    setControlText(IDC_SETUP_VIEW_KDA, texts.kda, texts.codePage);
    setControlText(IDC_SETUP_VIEW_DXCC, texts.dxcc, texts.codePage);
}

void SetupPanel::onCancel() {
    owner_.closeOperatorWindows();
    platform::Dialog::onCancel();
}

void SetupPanel::onCommand(int controlId, int notifyCode) {
    if (notifyCode != kBnClicked) return;
    switch (controlId) {
        case IDC_SETUP_CW:
            chooseCw();
            break;
        case IDC_SETUP_SSB:
            chooseSsb();
            break;
        case IDC_SETUP_VIEW_KDA:
            toggleWindow(OperatorWindow::kda, viewKda, "setup_view_KDA");
            break;
        case IDC_SETUP_VIEW_DXCC:
            toggleWindow(OperatorWindow::dxcc, viewDxcc, "setup_view_DXCC");
            break;
        case IDC_SETUP_ON_TOP:
            toggleOnTop();
            break;
        default:
            break;
    }
}

bool SetupPanel::onUserMessage(unsigned message) {
    if (message != WM_STATS_REFRESH) return false;
    refreshOperatorWindows(owner_, {viewKda != 0, viewDxcc != 0});
    return true;
}

void SetupPanel::onSetCursor() { saveWindowPosition(*this, owner_.memory(), "Setup_x", "Setup_y"); }

std::optional<platform::ControlColors> SetupPanel::onControlColor(int) {
    if (!panelBrush) return std::nullopt;
    return platform::ControlColors{platform::rgb(0, 0, 0), kPanelTextBackground, *panelBrush};
}

void SetupPanel::onDrawItem(int controlId, platform::Canvas& canvas, const platform::Rect& itemRect,
                            unsigned itemState) {
    if (controlId == cwButton.controlId())
        cwButton.paint(canvas, itemRect, itemState);
    else if (controlId == ssbButton.controlId())
        ssbButton.paint(canvas, itemRect, itemState);
}

void SetupPanel::chooseCw() {
    showCw();
    writeSetting("setup_Mode", "CW");
}

void SetupPanel::chooseSsb() {
    showSsb();
    writeSetting("setup_Mode", "SSB");
}

void SetupPanel::toggleWindow(OperatorWindow which, std::int32_t& view, const char* key) {
    if (owner_.isOpen(which)) {
        owner_.close(which);
        view = 0;
        writeSetting(key, "0");
        return;
    }
    owner_.open(which);
    view = 1;
    postToSelf(WM_STATS_REFRESH);
    writeSetting(key, "1");
}

void SetupPanel::toggleOnTop() {
    onTopChecked = onTopChecked == 0 ? 1 : 0;
    owner_.memory().keepWindowsOnTop = onTopChecked;
    writeSetting("setup_window_on_top", onTopChecked == 1 ? "1" : "0");
    // The refresh reopens the wanted windows with the new choice.
    owner_.closeOperatorWindows();
    updateData(false);
    postToSelf(WM_STATS_REFRESH);
}

std::unique_ptr<platform::Dialog> makeSetupPanel(OperatorWindows& owner) { return std::make_unique<SetupPanel>(owner); }

}  // namespace korvan
