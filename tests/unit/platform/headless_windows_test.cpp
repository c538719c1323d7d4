// The headless windows beyond the modal run: modeless dialogs served by the
// modal dialog's thread, placement, owner drawing, the operator's actions,
// texts in their code page, and what a host stand-in sees of them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "hook_host.h"
#include "platform/dialog.h"
#include "platform/host_automation.h"
#include "platform/headless/testing.h"
#include "platform/headless/host_stand_in.h"
#include "platform/window_messages.h"
#include "resources/resource.h"

using namespace korvan;

using platform::CanvasOperation;
using platform::Dialog;
using platform::Rect;
namespace headless = platform::headless;
using namespace std::chrono_literals;

// The desktop the plug-in hands to a host stand-in (this test program
// exports the function, as korvan-host does).
namespace {
std::atomic<const KorvanHeadlessDesktop*> attachedDesktop{nullptr};
}
extern "C" __attribute__((visibility("default"))) void korvan_host_attach_desktop(const KorvanHeadlessDesktop* desktop) {
    attachedDesktop.store(desktop);
}

namespace {

constexpr unsigned kWmTest = platform::kWmUser + 7;

// A dialog that logs what reaches it.
class Recorder : public Dialog {
public:
    explicit Recorder(int templateId) : Dialog(templateId) {}

    std::vector<std::string> log;
    std::function<void()> onInit;
    platform::Color face = platform::rgb(1, 2, 3);

protected:
    bool onInitDialog() override {
        log.push_back("init");
        if (onInit) onInit();
        return Dialog::onInitDialog();
    }
    void onCancel() override {
        log.push_back("cancel");
        Dialog::onCancel();
    }
    void onOK() override { log.push_back("ok"); }
    void onCommand(int id, int code) override { log.push_back("command " + std::to_string(id)); }
    bool onUserMessage(unsigned message) override {
        log.push_back("user " + std::to_string(message - platform::kWmUser));
        return true;
    }
    void onSetCursor() override { log.push_back("set cursor"); }
    std::optional<platform::ControlColors> onControlColor(int controlId) override {
        return platform::ControlColors{platform::rgb(0, 0, 0), platform::rgb(controlId & 0xFF, 0, 0), face};
    }
    void onDrawItem(int controlId, platform::Canvas& canvas, const Rect& itemRect, unsigned itemState) override {
        canvas.fillRect(itemRect, face);
        canvas.drawTextAt(controlId, static_cast<int>(itemState), "drawn");
    }
    void onSize(int width, int height) override {
        log.push_back("size " + std::to_string(width) + "x" + std::to_string(height));
    }
};

// Runs the panel template modally on the test thread; body runs as its
// script and ends the run.
void runPanel(Recorder& panel, const std::function<void(Dialog&)>& body) {
    platform::headless::setModalScript(IDD_SETUP, [&](Dialog& dialog) {
        body(dialog);
        dialog.endDialog(platform::kIdCancel);
    });
    panel.runModal();
    platform::headless::setModalScript(IDD_SETUP, {});
}

TEST(HeadlessWindows, ModelessDialogsShareTheThreadOfTheModalOne) {
    Recorder panel(IDD_SETUP);
    Recorder kda(IDD_OBLAST);
    Recorder dxcc(IDD_DXCC);
    runPanel(panel, [&](Dialog&) {
        ASSERT_TRUE(kda.createModeless());
        ASSERT_TRUE(dxcc.createModeless());
        EXPECT_FALSE(kda.createModeless());  // it has its window
        EXPECT_TRUE(headless::isModeless(kda));
        EXPECT_FALSE(headless::isModeless(panel));
        // The template says whether a modeless window shows at once.
        EXPECT_TRUE(kda.isVisible());
        EXPECT_FALSE(dxcc.isVisible());
        dxcc.show();
        EXPECT_TRUE(dxcc.isVisible());
        EXPECT_TRUE(panel.isVisible());

        platform::postMessage(kda.window(), platform::kWmUser + 1, 0, 0);
        platform::postMessage(panel.window(), platform::kWmUser + 2, 0, 0);
        platform::postMessage(dxcc.window(), platform::kWmUser + 3, 0, 0);
        platform::headless::clickButton(kda, 1015);
        EXPECT_EQ(headless::pumpMessages(), 4);
    });
    EXPECT_EQ(panel.log, (std::vector<std::string>{"init", "user 2"}));
    EXPECT_EQ(kda.log, (std::vector<std::string>{"init", "user 1", "command 1015"}));
    EXPECT_EQ(dxcc.log, (std::vector<std::string>{"init", "user 3"}));
}

TEST(HeadlessWindows, EscapeHidesAModelessDialogAndCloseDestroysIt) {
    Recorder panel(IDD_SETUP);
    Recorder kda(IDD_OBLAST);
    runPanel(panel, [&](Dialog&) {
        ASSERT_TRUE(kda.createModeless());
        const platform::WindowHandle window = kda.window();
        ASSERT_TRUE(headless::pressKey(kda, headless::Key::escape));
        headless::pumpMessages();
        EXPECT_FALSE(kda.isVisible());
        EXPECT_EQ(kda.window(), window);
        kda.show();
        ASSERT_TRUE(headless::pressKey(kda, headless::Key::enter));
        headless::pumpMessages();
        EXPECT_TRUE(kda.isVisible());

        // Sent from the window's own thread: handled before the call returns.
        platform::sendCloseMessage(window);
        EXPECT_EQ(kda.window(), nullptr);
        EXPECT_FALSE(kda.isVisible());
        EXPECT_FALSE(platform::postMessage(window, kWmTest, 0, 0));
        // The dialog object can make a new window.
        EXPECT_TRUE(kda.createModeless());
    });
    EXPECT_EQ(kda.log, (std::vector<std::string>{"init", "cancel", "ok", "init"}));
    EXPECT_EQ(panel.log, std::vector<std::string>{"init"});
    EXPECT_EQ(panel.window(), nullptr);
}

TEST(HeadlessWindows, EscapeAndEnterInTheModalDialog) {
    Recorder panel(IDD_SETUP);
    platform::headless::setModalScript(IDD_SETUP, [&](Dialog& dialog) {
        headless::pressKey(dialog, headless::Key::enter);
        headless::pressKey(dialog, headless::Key::escape);
    });
    EXPECT_EQ(panel.runModal(), platform::kIdCancel);
    platform::headless::setModalScript(IDD_SETUP, {});
    EXPECT_EQ(panel.log, (std::vector<std::string>{"init", "ok", "cancel"}));
}

TEST(HeadlessWindows, CloseSentFromAnotherThreadReachesAModelessDialog) {
    Recorder panel(IDD_SETUP);
    Recorder kda(IDD_OBLAST);
    panel.onInit = [&] { kda.createModeless(); };
    auto run = std::async(std::launch::async, [&] { return panel.runModal(); });
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while ((!panel.window() || !kda.window()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_NE(kda.window(), nullptr);

    platform::sendCloseMessage(kda.window());
    // Destroyed before the sender was released.
    EXPECT_EQ(kda.window(), nullptr);
    EXPECT_NE(panel.window(), nullptr);
    platform::sendCloseMessage(panel.window());
    EXPECT_EQ(panel.window(), nullptr);
    EXPECT_EQ(run.get(), platform::kIdCancel);
}

// A host object handed out by acquireHostAutomation whose calls run the
// test's code (the thread's messages, as COM's message loop does).
std::unique_ptr<platform::HostAutomation> pumpingHost(const std::function<void()>& duringCall) {
    platform::setHostAutomationFactory([&] { return std::make_unique<HookHost>(duringCall); });
    std::unique_ptr<platform::HostAutomation> host = platform::acquireHostAutomation();
    platform::setHostAutomationFactory({});
    return host;
}

// No handler runs inside a host call: what the call's message loop takes
// (a click, posted messages, a key) runs after the outermost call, in
// order; a check box ticks at once; a posted message waiting twice runs once.
TEST(HeadlessWindows, HandlersWaitForTheOutermostHostCall) {
    Recorder panel(IDD_SETUP);
    runPanel(panel, [&](Dialog& dialog) {
        std::unique_ptr<platform::HostAutomation> inner = pumpingHost([&] {
            headless::pressControl(dialog, IDC_SETUP_VIEW_KDA);
            dialog.postToSelf(kWmTest);
            dialog.postToSelf(kWmTest);
            dialog.postToSelf(platform::kWmUser + 9);
            headless::pressKey(dialog, headless::Key::enter);
            EXPECT_EQ(headless::pumpMessages(), 5);
            EXPECT_EQ(dialog.checkState(IDC_SETUP_VIEW_KDA), 1);
        });
        std::unique_ptr<platform::HostAutomation> outer = pumpingHost([&] {
            inner->sendCommand("<SP1>");
            headless::pumpMessages();
            panel.log.push_back("outer call ends");
        });
        outer->sendCommand("<SP2>");
        headless::pumpMessages();
    });
    EXPECT_EQ(panel.log, (std::vector<std::string>{"init", "outer call ends", "command 1014", "user 7", "user 9", "ok"}));
}

// A close sent from another thread during a host call is handled after
// the call, and the sender waits until then.
TEST(HeadlessWindows, ACloseDuringAHostCallWaitsForTheCall) {
    Recorder panel(IDD_SETUP);
    std::future<bool> closing;
    runPanel(panel, [&](Dialog& dialog) {
        std::unique_ptr<platform::HostAutomation> host = pumpingHost([&] {
            const platform::WindowHandle window = dialog.window();
            closing = std::async(std::launch::async, [&panel, window] {
                platform::sendCloseMessage(window);
                return panel.window() == nullptr;
            });
            const auto deadline = std::chrono::steady_clock::now() + 5s;
            while (headless::pumpMessages() == 0 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(1ms);
            EXPECT_EQ(closing.wait_for(0s), std::future_status::timeout);
            panel.log.push_back("call ends");
        });
        host->sendCommand("<SP1>");
        headless::pumpMessages();
    });
    EXPECT_TRUE(closing.get());  // the window was gone when the sender returned
    EXPECT_EQ(panel.log, (std::vector<std::string>{"init", "call ends", "cancel"}));
}

TEST(HeadlessWindows, PlacementFromTheTemplateInDialogUnits) {
    Recorder panel(IDD_SETUP);
    runPanel(panel, [&](Dialog& dialog) {
        // 186 x 68 units at 6/4 and 13/8 pixels per unit.
        EXPECT_EQ(dialog.clientRect(), (Rect{0, 0, 279, 111}));
        const Rect window = dialog.windowRect();
        EXPECT_EQ(window, (Rect{0, 0, 279 + 2 * headless::kFrameWidth,
                                111 + headless::kCaptionHeight + 2 * headless::kFrameWidth}));
        // CW at 19, 32, 32 x 15 units.
        EXPECT_EQ(dialog.controlRect(IDC_SETUP_CW), (Rect{29, 52, 77, 76}));
        EXPECT_TRUE(dialog.hasControl(IDC_SETUP_CW));
        EXPECT_FALSE(dialog.hasControl(4242));
        EXPECT_EQ(dialog.controlRect(4242), Rect{});
        dialog.moveControl(IDC_SETUP_CW, {1, 2, 3, 4});
        EXPECT_EQ(dialog.controlRect(IDC_SETUP_CW), (Rect{1, 2, 3, 4}));

        dialog.moveTo(10, -50);
        EXPECT_EQ(dialog.windowRect(), (Rect{10, -50, 10 + window.width(), -50 + window.height()}));
        EXPECT_FALSE(dialog.isTopmost());
        dialog.makeTopmost();
        EXPECT_TRUE(dialog.isTopmost());
        EXPECT_EQ(dialog.windowRect().left, 10);

        EXPECT_EQ(headless::largeIcon(dialog), 0);
        dialog.setLargeIcon(IDI_KORVAN);
        EXPECT_EQ(headless::largeIcon(dialog), IDI_KORVAN);
        EXPECT_FALSE(headless::closeItemDisabled(dialog));
        dialog.disableCloseItem();
        EXPECT_TRUE(headless::closeItemDisabled(dialog));

        headless::resizeClient(panel, 400, 200);
        EXPECT_EQ(dialog.clientRect(), (Rect{0, 0, 400, 200}));
        EXPECT_EQ(dialog.windowRect().width(), 400 + 2 * headless::kFrameWidth);
    });
    EXPECT_EQ(panel.log, (std::vector<std::string>{"init", "size 400x200"}));
}

TEST(HeadlessWindows, OwnerDrawnControlsPaintThroughARecordingCanvas) {
    Recorder panel(IDD_SETUP);
    runPanel(panel, [&](Dialog& dialog) {
        EXPECT_FALSE(dialog.makeOwnerDrawn(4242));
        // Not owner-drawn: nothing is painted.
        EXPECT_TRUE(headless::paintControl(panel, IDC_SETUP_CW).empty());
        EXPECT_TRUE(dialog.makeOwnerDrawn(IDC_SETUP_CW));
        EXPECT_TRUE(dialog.makeOwnerDrawn(IDC_SETUP_SSB, true));
        EXPECT_TRUE(headless::isOwnerDrawn(dialog, IDC_SETUP_CW));
        EXPECT_FALSE(headless::paintsOffscreen(dialog, IDC_SETUP_CW));
        EXPECT_TRUE(headless::paintsOffscreen(dialog, IDC_SETUP_SSB));

        // The item rectangle is the whole control, from its own top-left.
        const std::vector<CanvasOperation> drawn =
            headless::paintControl(panel, IDC_SETUP_CW, platform::kItemFocus | platform::kItemSelected);
        ASSERT_EQ(drawn.size(), 2u);
        EXPECT_EQ(drawn[0].kind, CanvasOperation::Kind::fillRect);
        EXPECT_EQ(drawn[0].rect, (Rect{0, 0, 48, 24}));
        EXPECT_EQ(drawn[0].color, platform::rgb(1, 2, 3));
        EXPECT_EQ(drawn[1].x, IDC_SETUP_CW);
        EXPECT_EQ(drawn[1].y, static_cast<int>(platform::kItemFocus | platform::kItemSelected));
        EXPECT_EQ(headless::controlCounters(dialog, IDC_SETUP_CW).paints, 1);

        // A redraw paints at once (item state 0).
        panel.face = platform::rgb(0, 255, 0);
        dialog.redrawControl(IDC_SETUP_CW);
        headless::ControlCounters counters = headless::controlCounters(dialog, IDC_SETUP_CW);
        EXPECT_EQ(counters.redraws, 1);
        EXPECT_EQ(counters.paints, 2);
        EXPECT_EQ(headless::lastPainting(dialog, IDC_SETUP_CW)[0].color, platform::rgb(0, 255, 0));
        EXPECT_EQ(headless::lastPainting(dialog, IDC_SETUP_CW)[1].y, 0);

        // An invalidation paints when the thread is idle.
        dialog.invalidateControl(IDC_SETUP_CW, false);
        dialog.invalidateControl(IDC_SETUP_CW, true);
        EXPECT_EQ(headless::controlCounters(dialog, IDC_SETUP_CW).paints, 2);
        headless::pumpMessages();
        counters = headless::controlCounters(dialog, IDC_SETUP_CW);
        EXPECT_EQ(counters.invalidations, 2);
        EXPECT_EQ(counters.paints, 3);
    });
}

TEST(HeadlessWindows, InvalidatedControlsPaintWhenTheModalLoopIsIdle) {
    Recorder panel(IDD_SETUP);
    panel.onInit = [&] { panel.makeOwnerDrawn(IDC_SETUP_SSB); };
    auto run = std::async(std::launch::async, [&] { return panel.runModal(); });
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    // The window exists before its init handler has made the control owner-drawn.
    while (!headless::isOwnerDrawn(panel, IDC_SETUP_SSB) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    panel.invalidateControl(IDC_SETUP_SSB, false);  // from another thread
    while (headless::controlCounters(panel, IDC_SETUP_SSB).paints == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(headless::controlCounters(panel, IDC_SETUP_SSB).paints, 1);
    platform::sendCloseMessage(panel.window());
    EXPECT_EQ(run.get(), platform::kIdCancel);
}

TEST(HeadlessWindows, SetCursorAndControlColoursReachTheDialog) {
    Recorder panel(IDD_SETUP);
    runPanel(panel, [&](Dialog& dialog) {
        ASSERT_TRUE(headless::moveMouseOver(dialog));
        headless::pumpMessages();
        const std::optional<platform::ControlColors> colors = headless::askControlColors(panel, IDC_SETUP_VIEW_LABEL);
        ASSERT_TRUE(colors.has_value());
        EXPECT_EQ(colors->textBackground, platform::rgb(IDC_SETUP_VIEW_LABEL & 0xFF, 0, 0));
        EXPECT_EQ(colors->brush, platform::rgb(1, 2, 3));
    });
    EXPECT_EQ(panel.log, (std::vector<std::string>{"init", "set cursor"}));
    EXPECT_FALSE(headless::moveMouseOver(panel));  // no window any more
}

TEST(HeadlessWindows, PressingACheckBoxTicksItBeforeTheClick) {
    Recorder panel(IDD_SETUP);
    int checkSeenByTheClick = -1;
    runPanel(panel, [&](Dialog& dialog) {
        ASSERT_TRUE(headless::pressControl(dialog, IDC_SETUP_VIEW_KDA));
        ASSERT_TRUE(headless::pressControl(dialog, IDC_SETUP_CW));
        EXPECT_FALSE(headless::pressControl(dialog, 4242));
        headless::pumpMessages();
        checkSeenByTheClick = dialog.checkState(IDC_SETUP_VIEW_KDA);
        headless::pressControl(dialog, IDC_SETUP_VIEW_KDA);
        headless::pumpMessages();
        EXPECT_EQ(dialog.checkState(IDC_SETUP_VIEW_KDA), 0);
    });
    EXPECT_EQ(checkSeenByTheClick, 1);
    EXPECT_EQ(panel.log, (std::vector<std::string>{"init", "command 1014", "command 1003", "command 1014"}));
}

TEST(HeadlessWindows, TextsKeepTheirBytesAndCodePage) {
    const std::string russian = "\xD0\xE0\xE9\xEE\xED\xFB \xCA\xC4\xC0";  // Windows-1251
    Recorder panel(IDD_SETUP);
    runPanel(panel, [&](Dialog& dialog) {
        dialog.setTitle("Setup");
        EXPECT_EQ(headless::titleCodePage(dialog), platform::TextCodePage::ansi);
        dialog.setTitle(russian, platform::TextCodePage::windows1251);
        dialog.setControlText(IDC_SETUP_VIEW_KDA, russian, platform::TextCodePage::windows1251);
        EXPECT_EQ(dialog.title(), russian);
        EXPECT_EQ(dialog.controlText(IDC_SETUP_VIEW_KDA), russian);
        EXPECT_EQ(headless::titleCodePage(dialog), platform::TextCodePage::windows1251);
        EXPECT_EQ(headless::controlCodePage(dialog, IDC_SETUP_VIEW_KDA), platform::TextCodePage::windows1251);
        EXPECT_EQ(headless::controlCodePage(dialog, IDC_SETUP_VIEW_DXCC), platform::TextCodePage::ansi);
        EXPECT_EQ(headless::titleUtf8(dialog), "Районы КДА");
        EXPECT_EQ(headless::controlTextUtf8(dialog, IDC_SETUP_VIEW_KDA), "Районы КДА");
        EXPECT_EQ(headless::controlTextUtf8(dialog, IDC_SETUP_VIEW_DXCC), "DXCC");
    });
}

TEST(HeadlessWindows, Windows1251AsUtf8) {
    EXPECT_EQ(headless::windows1251ToUtf8("abc"), "abc");
    EXPECT_EQ(headless::windows1251ToUtf8("\xC0\xDF\xE0\xFF"), "АЯая");
    EXPECT_EQ(headless::windows1251ToUtf8("\xA8\xB8\xB9\x88\x80"), "Ёё№€Ђ");
    EXPECT_EQ(headless::windows1251ToUtf8(std::string("\x98", 1)), "\xC2\x98");
    EXPECT_EQ(headless::toUtf8("\xC0", platform::TextCodePage::ansi), "\xC0");
}

TEST(HeadlessWindows, TheDesktopDescribesAndPressesTheWindows) {
    Recorder panel(IDD_SETUP);
    Recorder kda(IDD_OBLAST);
    Recorder dxcc(IDD_DXCC);
    Recorder editor(IDD_CABRILLO);
    runPanel(panel, [&](Dialog& dialog) {
        const KorvanHeadlessDesktop* desktop = attachedDesktop.load();
        ASSERT_NE(desktop, nullptr);
        kda.createModeless();
        dxcc.createModeless();
        editor.createModeless();  // not a window a host tells apart: not listed
        dialog.setTitle("\xD3\xF1\"", platform::TextCodePage::windows1251);
        dialog.setCheckState(IDC_SETUP_VIEW_DXCC, 1);
        dialog.makeTopmost();
        kda.setTitle("KDA now");

        char small[8];
        const unsigned length = desktop->describeWindows(small, sizeof small);
        EXPECT_EQ(std::string(small), std::string("[{\"kind"));
        std::string json(length + 1, '\0');
        EXPECT_EQ(desktop->describeWindows(json.data(), length + 1), length);
        json.resize(length);
        EXPECT_EQ(json.rfind("[{\"kind\": \"panel\", \"title\": \"Ус\\\"\", \"visible\": true, \"topmost\": true, "
                             "\"checks\": {\"KDA\": 0, \"DXCC\": 1, \"Window on top\": 0}}, "
                             "{\"kind\": \"kda\", \"title\": \"KDA now\", \"visible\": true, \"topmost\": false, "
                             "\"checks\": {",
                             0),
                  0u)
            << json;
        EXPECT_NE(json.find("{\"kind\": \"dxcc\", \"title\": \"DXCC\", \"visible\": false, \"topmost\": false, "
                            "\"checks\": {}}]"),
                  std::string::npos)
            << json;
        EXPECT_EQ(json.find("KORVAN CONTEST"), std::string::npos);

        EXPECT_EQ(desktop->pressControl("panel", IDC_SETUP_VIEW_KDA), 0);
        EXPECT_NE(desktop->pressControl("panel", 4242), 0);
        EXPECT_NE(desktop->pressControl("nothing", IDC_SETUP_VIEW_KDA), 0);
        EXPECT_EQ(desktop->pressKey("kda", KORVAN_KEY_ESCAPE), 0);
        EXPECT_NE(desktop->pressKey("kda", 7), 0);
        headless::pumpMessages();
        EXPECT_EQ(dialog.checkState(IDC_SETUP_VIEW_KDA), 1);
        EXPECT_FALSE(kda.isVisible());
        kda.destroyWindow();
        EXPECT_NE(desktop->pressKey("kda", KORVAN_KEY_ESCAPE), 0);
    });
    EXPECT_EQ(panel.log, (std::vector<std::string>{"init", "command 1014"}));
    EXPECT_EQ(kda.log, (std::vector<std::string>{"init", "cancel"}));
}

}  // namespace
