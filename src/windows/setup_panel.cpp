#include "windows/setup_panel.h"

#include <mutex>

#include "engine/contest_state.h"
#include "platform/profile.h"
#include "platform/window_messages.h"
#include "resources/resource.h"
#include "windows/host_link.h"
#include "windows/operator_windows.h"
#include "windows/window_placement.h"
#include "windows/window_thread.h"

namespace {

// Refreshes posted while one waits are done by the waiting one.
constexpr int kRefreshTag = 1;

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

SetupPanel::SetupPanel() : platform::Dialog(IDD_SETUP) {}

SetupPanel::~SetupPanel() {
    try {
        closeOperatorWindows();
    } catch (...) {
    }
}

bool SetupPanel::onInitDialog() {
    bool focusFirstControl = true;
    handlers_.run([&] { focusFirstControl = initialise(); });
    return focusFirstControl;
}

bool SetupPanel::initialise() {
    // The still-zero members go into the check boxes.
    platform::Dialog::onInitDialog();

    rememberedLeft = readSettingsNumber("Setup_x");
    rememberedTop = readSettingsNumber("Setup_y");
    viewDxcc = readSettingsNumber("setup_view_DXCC");
    viewKda = readSettingsNumber("setup_view_KDA");
    // A stored 0 cannot be told from a missing position.
    if (rememberedLeft == 0) rememberedLeft = 10;
    if (rememberedTop == 0) rememberedTop = 400;

    cwButton.attachButton(IDC_SETUP_CW, *this, kModeFace, kModeLabel, kModeDisabledLabel);
    cwButton.redraw();
    ssbButton.attachButton(IDC_SETUP_SSB, *this, kModeFace, kModeLabel, kModeDisabledLabel);
    ssbButton.redraw();

    panelBrush = kPanelTint;

    // Always topmost, whatever the "Window on top" box says.
    moveTo(rememberedLeft, rememberedTop);
    makeTopmost();
    setLargeIcon(IDI_KORVAN);

    acquireHostObject();

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
    sendHostCommand("<MODE:CW>");
    sendHostCommand("<BAUDRATE:27>");
    cwButton.setFaceColor(kChosenModeFace);
    ssbButton.setFaceColor(kModeFace);
    ssbButton.setLabelColor(kModeLabel);
}

void SetupPanel::showSsb() {
    sendHostCommand("<MODE:SSB>");
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
    handlers_.run([this] {
        closeOperatorWindows();
        platform::Dialog::onCancel();
    });
}

void SetupPanel::onCommand(int controlId, int notifyCode) {
    if (notifyCode != kBnClicked) return;
    switch (controlId) {
        case IDC_SETUP_CW:
            handlers_.run([this] { chooseCw(); });
            break;
        case IDC_SETUP_SSB:
            handlers_.run([this] { chooseSsb(); });
            break;
        case IDC_SETUP_VIEW_KDA:
            handlers_.run([this] { toggleWindow(kdaWindow, kdaObject_, viewKda, &makeKdaWindow, "setup_view_KDA"); });
            break;
        case IDC_SETUP_VIEW_DXCC:
            handlers_.run(
                [this] { toggleWindow(dxccWindow, dxccObject_, viewDxcc, &makeDxccWindow, "setup_view_DXCC"); });
            break;
        case IDC_SETUP_ON_TOP:
            handlers_.run([this] { toggleOnTop(); });
            break;
        default:
            break;
    }
}

bool SetupPanel::onUserMessage(unsigned message) {
    if (message != WM_STATS_REFRESH) return false;
    handlers_.run([this] { refreshDisplays(); }, kRefreshTag);
    return true;
}

void SetupPanel::openWantedWindows() {
    if (viewDxcc != 0 && !dxccWindow.load()) openDxccWindow();
    if (viewKda != 0 && !kdaWindow.load()) openKdaWindow();
}

void SetupPanel::openKdaWindow() { openWindow(kdaWindow, kdaObject_, &makeKdaWindow); }

void SetupPanel::openDxccWindow() { openWindow(dxccWindow, dxccObject_, &makeDxccWindow); }

void SetupPanel::onSetCursor() { saveWindowPosition(*this, "Setup_x", "Setup_y"); }

std::optional<platform::ControlColors> SetupPanel::onControlColor(int) {
    if (!panelBrush) return std::nullopt;
    return platform::ControlColors{platform::rgb(0, 0, 0), kPanelTextBackground, *panelBrush};
}

void SetupPanel::onDrawItem(int controlId, platform::Canvas& canvas, const platform::Rect& itemRect, unsigned itemState) {
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

// Whether the window exists decides, not the check box.
void SetupPanel::toggleWindow(std::atomic<platform::Dialog*>& slot, std::unique_ptr<platform::Dialog>& object,
                         std::int32_t& view, MakeWindow make, const char* key) {
    if (slot.load()) {
        closeWindow(slot, object);
        view = 0;
        writeSetting(key, "0");
        return;
    }
    openWindow(slot, object, make);
    view = 1;
    postToSelf(WM_STATS_REFRESH);
    writeSetting(key, "1");
}

void SetupPanel::toggleOnTop() {
    onTopChecked = onTopChecked == 0 ? 1 : 0;
    keepWindowsOnTop = onTopChecked;
    writeSetting("setup_window_on_top", onTopChecked == 1 ? "1" : "0");
    // The refresh reopens the wanted windows with the new choice.
    closeWindow(dxccWindow, dxccObject_);
    closeWindow(kdaWindow, kdaObject_);
    updateData(false);
    postToSelf(WM_STATS_REFRESH);
}

void SetupPanel::openWindow(std::atomic<platform::Dialog*>& slot, std::unique_ptr<platform::Dialog>& object,
                       MakeWindow make) {
    // A window closed by the host's thread left its object behind.
    closeWindow(slot, object);
    std::unique_ptr<platform::Dialog> made = make();
    {
        std::lock_guard<std::mutex> guard(stateLock());
        slot.store(made.get());
    }
    object = std::move(made);
    object->createModeless();
    object->show();
}

// Sends the open window WM_CLOSE and forgets it. The object is deleted
// only once no slot points to it (the host's thread reads the slots under
// the state lock).
void SetupPanel::closeWindow(std::atomic<platform::Dialog*>& slot, std::unique_ptr<platform::Dialog>& object) {
    if (platform::Dialog* open = slot.load())
        if (platform::WindowHandle window = open->window()) platform::sendCloseMessage(window);
    std::unique_ptr<platform::Dialog> closed = std::move(object);
    {
        std::lock_guard<std::mutex> guard(stateLock());
        slot.store(nullptr);
    }
    closed.reset();
}

void SetupPanel::closeOperatorWindows() {
    closeWindow(dxccWindow, dxccObject_);
    closeWindow(kdaWindow, kdaObject_);
}

std::unique_ptr<platform::Dialog> makeSetupPanel() { return std::make_unique<SetupPanel>(); }
