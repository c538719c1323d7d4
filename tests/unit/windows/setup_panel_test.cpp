// The setup panel with a fake host: its start, the mode buttons, the window
// toggles, keep-on-top, positions, keys, texts, and a host that pumps
// messages during its calls or fails.
#include <gtest/gtest.h>

#include "panel_fixture.h"
#include "windows/dxcc_window.h"
#include "windows/kda_window.h"

using namespace korvan;

using Commands = std::vector<std::string>;
using platform::rgb;

namespace {

constexpr platform::Color kGreen = rgb(0, 255, 0);
constexpr platform::Color kGrey = rgb(240, 240, 240);

// The face colour of the button's last painting.
platform::Color paintedFace(const SetupPanel& panel, int controlId) {
    const std::vector<platform::CanvasOperation> painted = headless::lastPainting(panel, controlId);
    return painted.empty() ? 0xFFFFFFFFu : painted.front().color;
}

// --- start -----------------------------------------------------------------

TEST_F(PanelTest, StartWithNoModeSendsCwThenTheRateAndShowsCwGreen) {
    runPanel([](SetupPanel& panel) {
        EXPECT_EQ(panel.cwButton.faceColor, kGreen);
        EXPECT_EQ(panel.ssbButton.faceColor, kGrey);
        EXPECT_EQ(panel.ssbButton.labelColor, rgb(1, 1, 1));
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_CW), kGreen);
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_SSB), kGrey);
    });
    EXPECT_EQ(host->heard(), (Commands{"<MODE:CW>", "<BAUDRATE:27>"}));
    EXPECT_EQ(setting("setup_Mode"), "<missing>");  // the start writes no mode
}

TEST_F(PanelTest, StartWithCwStoredIsTheSame) {
    setSetting("setup_Mode", "CW");
    runPanel([](SetupPanel& panel) { EXPECT_EQ(paintedFace(panel, IDC_SETUP_CW), kGreen); });
    EXPECT_EQ(host->heard(), (Commands{"<MODE:CW>", "<BAUDRATE:27>"}));
}

TEST_F(PanelTest, StartWithSsbSendsOnlyTheSsbMode) {
    setSetting("setup_Mode", "SSB");
    runPanel([](SetupPanel& panel) {
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_SSB), kGreen);
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_CW), kGrey);
        EXPECT_EQ(panel.cwButton.labelColor, rgb(1, 1, 1));
    });
    EXPECT_EQ(host->heard(), Commands{"<MODE:SSB>"});
}

TEST_F(PanelTest, StartWithLowerCaseSsbSendsNothingAndNothingIsGreen) {
    setSetting("setup_Mode", "ssb");
    runPanel([](SetupPanel& panel) {
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_CW), kGrey);
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_SSB), kGrey);
    });
    EXPECT_EQ(host->heard(), Commands{});
}

TEST_F(PanelTest, StartShowsAToppedTintedPanelWithItsIconAndNoCloseItem) {
    refreshPending = 0;
    runPanel([](SetupPanel& panel) {
        EXPECT_EQ(panel.title(), "Setup Korvan-2017");
        EXPECT_EQ(headless::titleCodePage(panel), platform::TextCodePage::ansi);
        EXPECT_EQ(panel.controlText(IDC_SETUP_VIEW_LABEL), "View");
        EXPECT_EQ(panel.controlText(IDC_SETUP_CHOICE_LABEL), "Choice mode");
        EXPECT_EQ(panel.controlText(IDC_SETUP_ON_TOP), "Window on top");
        EXPECT_EQ(panel.controlText(IDC_SETUP_VIEW_KDA), "KDA area");
        EXPECT_EQ(panel.controlText(IDC_SETUP_VIEW_DXCC), "DXCC");
        EXPECT_TRUE(panel.isTopmost());
        EXPECT_EQ(headless::largeIcon(panel), IDI_KORVAN);
        EXPECT_TRUE(headless::closeItemDisabled(panel));
        EXPECT_TRUE(headless::isOwnerDrawn(panel, IDC_SETUP_CW));
        EXPECT_TRUE(headless::isOwnerDrawn(panel, IDC_SETUP_SSB));
        // Every control-colour request: black on a deeper tint, panel brush.
        for (int id : {0, IDC_SETUP_VIEW_LABEL, IDC_SETUP_VIEW_KDA}) {
            const std::optional<platform::ControlColors> colors = headless::askControlColors(panel, id);
            ASSERT_TRUE(colors.has_value());
            EXPECT_EQ(colors->text, rgb(0, 0, 0));
            EXPECT_EQ(colors->textBackground, rgb(255, 240, 198));
            EXPECT_EQ(colors->brush, rgb(255, 250, 198));
        }
        // The refresh the start posted has run.
        EXPECT_EQ(refreshPending.load(), 1);
        EXPECT_EQ(panel.checkState(IDC_SETUP_ON_TOP), 0);
        EXPECT_EQ(panel.checkState(IDC_SETUP_VIEW_KDA), 0);
        EXPECT_EQ(kdaWindow.load(), nullptr);
        EXPECT_EQ(dxccWindow.load(), nullptr);
    });
}

TEST_F(PanelTest, NoStoredPositionPutsThePanelAt10And400) {
    runPanel([](SetupPanel& panel) {
        EXPECT_EQ(panel.windowRect().left, 10);
        EXPECT_EQ(panel.windowRect().top, 400);
    });
    EXPECT_EQ(memory.rememberedLeft, 10);
    EXPECT_EQ(memory.rememberedTop, 400);
}

TEST_F(PanelTest, PositionsZeroAndMinusFifty) {
    setSetting("Setup_x", "0");
    setSetting("Setup_y", "-50");
    runPanel([](SetupPanel& panel) {
        EXPECT_EQ(panel.windowRect().left, 10);
        EXPECT_EQ(panel.windowRect().top, -50);
        // Moved without a change of size.
        EXPECT_EQ(panel.windowRect().width(), panel.clientRect().width() + 2 * headless::kFrameWidth);
    });
}

TEST_F(PanelTest, StoredPositionAndNonNumericText) {
    setSetting("Setup_x", "120");
    setSetting("Setup_y", "abc");
    runPanel([](SetupPanel& panel) {
        EXPECT_EQ(panel.windowRect().left, 120);
        EXPECT_EQ(panel.windowRect().top, 400);
    });
}

TEST_F(PanelTest, StoredViewsOpenBothWindowsAtTheStart) {
    setSetting("setup_view_KDA", "1");
    setSetting("setup_view_DXCC", "7");  // any nonzero number means on
    runPanel([](SetupPanel& panel) {
        EXPECT_EQ(panel.checkState(IDC_SETUP_VIEW_KDA), 1);
        EXPECT_NE(panel.checkState(IDC_SETUP_VIEW_DXCC), 0);
        platform::Dialog* kda = kdaWindow.load();
        platform::Dialog* dxcc = dxccWindow.load();
        ASSERT_NE(kda, nullptr);
        ASSERT_NE(dxcc, nullptr);
        EXPECT_EQ(kda->templateId(), IDD_OBLAST);
        EXPECT_EQ(dxcc->templateId(), IDD_DXCC);
        EXPECT_TRUE(headless::isModeless(*kda));
        EXPECT_TRUE(kda->isVisible());
        EXPECT_TRUE(dxcc->isVisible());
        // The KDA grid and the DXCC window, with their resource titles while
        // the host is on no band.
        EXPECT_NE(dynamic_cast<KdaAreaWindow*>(kda), nullptr);
        EXPECT_NE(dynamic_cast<DxccWindow*>(dxcc), nullptr);
        EXPECT_EQ(kda->title(), "KDA");
        EXPECT_EQ(dxcc->title(), "DXCC");
    });
    // The panel's end closed them.
    EXPECT_EQ(kdaWindow.load(), nullptr);
    EXPECT_EQ(dxccWindow.load(), nullptr);
}

// --- mode buttons -------------------------------------------------------

TEST_F(PanelTest, SsbClickSendsOnlyItsModeAndCwClickSendsBothAgain) {
    runPanel([&](SetupPanel& panel) {
        press(panel, IDC_SETUP_SSB);
        EXPECT_EQ(setting("setup_Mode"), "SSB");
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_SSB), kGreen);
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_CW), kGrey);
        press(panel, IDC_SETUP_CW);
        EXPECT_EQ(setting("setup_Mode"), "CW");
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_CW), kGreen);
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_SSB), kGrey);
        press(panel, IDC_SETUP_CW);  // the chosen mode again: sent again
    });
    EXPECT_EQ(host->heard(), (Commands{"<MODE:CW>", "<BAUDRATE:27>", "<MODE:SSB>", "<MODE:CW>", "<BAUDRATE:27>",
                                       "<MODE:CW>", "<BAUDRATE:27>"}));
}

TEST_F(PanelTest, WithoutAHostTheButtonsStillWork) {
    hostRunning = false;
    runPanelWithWindows([&](SetupPanel& panel, OperatorWindows& windows) {
        EXPECT_FALSE(windows.host().connected());
        press(panel, IDC_SETUP_SSB);
        press(panel, IDC_SETUP_CW);
        EXPECT_EQ(setting("setup_Mode"), "CW");
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_CW), kGreen);
    });
    EXPECT_EQ(host->calls, 0);
}

// --- window toggles -----------------------------------------------------

TEST_F(PanelTest, KdaToggleOpensAndClosesTheWindow) {
    runPanel([&](SetupPanel& panel) {
        refreshPending = 0;
        press(panel, IDC_SETUP_VIEW_KDA);
        platform::Dialog* kda = kdaWindow.load();
        ASSERT_NE(kda, nullptr);
        EXPECT_NE(kda->window(), nullptr);
        EXPECT_TRUE(kda->isVisible());
        EXPECT_EQ(panel.viewKda, 1);
        EXPECT_EQ(panel.checkState(IDC_SETUP_VIEW_KDA), 1);
        EXPECT_EQ(setting("setup_view_KDA"), "1");
        EXPECT_EQ(refreshPending.load(), 1);  // the toggle posted a refresh

        press(panel, IDC_SETUP_VIEW_KDA);
        EXPECT_EQ(kdaWindow.load(), nullptr);
        EXPECT_EQ(panel.viewKda, 0);
        EXPECT_EQ(panel.checkState(IDC_SETUP_VIEW_KDA), 0);
        EXPECT_EQ(setting("setup_view_KDA"), "0");
    });
}

TEST_F(PanelTest, DxccToggleOpensAndClosesTheWindow) {
    runPanel([&](SetupPanel& panel) {
        press(panel, IDC_SETUP_VIEW_DXCC);
        ASSERT_NE(dxccWindow.load(), nullptr);
        EXPECT_EQ(dxccWindow.load()->templateId(), IDD_DXCC);
        EXPECT_TRUE(dxccWindow.load()->isVisible());
        EXPECT_EQ(panel.viewDxcc, 1);
        EXPECT_EQ(setting("setup_view_DXCC"), "1");
        press(panel, IDC_SETUP_VIEW_DXCC);
        EXPECT_EQ(dxccWindow.load(), nullptr);
        EXPECT_EQ(panel.viewDxcc, 0);
        EXPECT_EQ(setting("setup_view_DXCC"), "0");
    });
}

TEST_F(PanelTest, TheToggleFollowsTheWindowNotTheBox) {
    runPanel([&](SetupPanel& panel) {
        press(panel, IDC_SETUP_VIEW_KDA);
        ASSERT_NE(kdaWindow.load(), nullptr);
        // The window closed from elsewhere (the host's thread): the next
        // press opens it again.
        platform::sendCloseMessage(kdaWindow.load()->window());
        kdaWindow = nullptr;
        press(panel, IDC_SETUP_VIEW_KDA);
        ASSERT_NE(kdaWindow.load(), nullptr);
        EXPECT_NE(kdaWindow.load()->window(), nullptr);
        EXPECT_EQ(setting("setup_view_KDA"), "1");
    });
}

TEST_F(PanelTest, EscInAnOperatorWindowHidesItAndTheToggleStillCloses) {
    runPanel([&](SetupPanel& panel) {
        press(panel, IDC_SETUP_VIEW_KDA);
        platform::Dialog* kda = kdaWindow.load();
        ASSERT_NE(kda, nullptr);
        headless::pressKey(*kda, headless::Key::escape);
        headless::pumpMessages();
        EXPECT_FALSE(kda->isVisible());
        EXPECT_EQ(kdaWindow.load(), kda);
        press(panel, IDC_SETUP_VIEW_KDA);
        EXPECT_EQ(kdaWindow.load(), nullptr);
    });
}

// --- keep on top --------------------------------------------------------

TEST_F(PanelTest, KeepOnTopReopensTheWantedWindows) {
    setSetting("setup_view_KDA", "1");
    setSetting("setup_view_DXCC", "1");
    runPanelWithWindows([&](SetupPanel& panel, OperatorWindows& windows) {
        const platform::WindowHandle kdaBefore = kdaWindow.load()->window();
        const platform::WindowHandle dxccBefore = dxccWindow.load()->window();
        ASSERT_TRUE(headless::pressControl(panel, IDC_SETUP_ON_TOP));
        ASSERT_TRUE(headless::pumpMessages() > 0);
        EXPECT_EQ(windows.memory().keepWindowsOnTop, 1);
        EXPECT_EQ(panel.onTopChecked, 1);
        EXPECT_EQ(panel.checkState(IDC_SETUP_ON_TOP), 1);
        EXPECT_EQ(setting("setup_window_on_top"), "1");
        // Closed, then opened again by the refresh.
        ASSERT_NE(kdaWindow.load(), nullptr);
        ASSERT_NE(dxccWindow.load(), nullptr);
        EXPECT_NE(kdaWindow.load()->window(), kdaBefore);
        EXPECT_NE(dxccWindow.load()->window(), dxccBefore);
        EXPECT_FALSE(platform::postMessage(kdaBefore, platform::kWmUser, 0, 0));

        press(panel, IDC_SETUP_ON_TOP);
        EXPECT_EQ(windows.memory().keepWindowsOnTop, 0);
        EXPECT_EQ(panel.checkState(IDC_SETUP_ON_TOP), 0);
        EXPECT_EQ(setting("setup_window_on_top"), "0");
        EXPECT_NE(kdaWindow.load(), nullptr);
    });
}

TEST_F(PanelTest, KeepOnTopOnlyReopensTheWindowsThatAreWanted) {
    runPanel([&](SetupPanel& panel) {
        press(panel, IDC_SETUP_ON_TOP);
        EXPECT_EQ(kdaWindow.load(), nullptr);
        EXPECT_EQ(dxccWindow.load(), nullptr);
    });
}

TEST_F(PanelTest, ANewPanelStartsUntickedButKeepsTheLibrarysChoice) {
    setSetting("setup_view_KDA", "1");
    runPanel([&](SetupPanel& panel) { press(panel, IDC_SETUP_ON_TOP); });
    EXPECT_EQ(memory.keepWindowsOnTop, 1);
    runPanelWithWindows([&](SetupPanel& panel, OperatorWindows& windows) {
        EXPECT_EQ(panel.checkState(IDC_SETUP_ON_TOP), 0);
        EXPECT_EQ(panel.onTopChecked, 0);
        EXPECT_EQ(windows.memory().keepWindowsOnTop, 1);
        ASSERT_NE(kdaWindow.load(), nullptr);
        EXPECT_TRUE(kdaWindow.load()->isTopmost());
    });
}

// --- keys ---------------------------------------------------------------

TEST_F(PanelTest, EnterDoesNothingAndEscClosesThePanelWithItsWindows) {
    const int result = runPanel([&](SetupPanel& panel) {
        press(panel, IDC_SETUP_VIEW_KDA);
        press(panel, IDC_SETUP_VIEW_DXCC);
        platform::Dialog* kda = kdaWindow.load();
        ASSERT_NE(kda, nullptr);
        headless::pressKey(panel, headless::Key::enter);
        headless::pumpMessages();
        EXPECT_NE(panel.window(), nullptr);
        EXPECT_EQ(kdaWindow.load(), kda);
        headless::pressKey(panel, headless::Key::escape);
        headless::pumpMessages();
        // Closed before the panel's run is over.
        EXPECT_EQ(kdaWindow.load(), nullptr);
        EXPECT_EQ(dxccWindow.load(), nullptr);
    });
    EXPECT_EQ(result, platform::kIdCancel);
    // The view choices stay stored for the next panel.
    EXPECT_EQ(setting("setup_view_KDA"), "1");
}

TEST_F(PanelTest, WmCloseEndsThePanel) {
    const int result = runPanel([&](SetupPanel& panel) {
        press(panel, IDC_SETUP_VIEW_KDA);
        platform::sendCloseMessage(panel.window());
        headless::pumpMessages();
        EXPECT_EQ(kdaWindow.load(), nullptr);
    });
    EXPECT_EQ(result, platform::kIdCancel);
}

// --- positions ----------------------------------------------------------

TEST_F(PanelTest, ThePositionIsSavedWhenTheMouseComesOverThePanel) {
    setSetting("Setup_x", "30");
    setSetting("Setup_y", "40");
    runPanelWithWindows([&](SetupPanel& panel, OperatorWindows& windows) {
        WindowMemory& remembered = windows.memory();
        // Where it was put: nothing to write.
        platform::writeProfileString(settingsFile, settingsSection, "Setup_x", "untouched");
        headless::moveMouseOver(panel);
        headless::pumpMessages();
        EXPECT_EQ(setting("Setup_x"), "untouched");

        panel.moveTo(-20, 40);
        headless::moveMouseOver(panel);
        headless::pumpMessages();
        EXPECT_EQ(setting("Setup_x"), "-20");
        EXPECT_EQ(setting("Setup_y"), "40");
        EXPECT_EQ(remembered.rememberedLeft, -20);

        // Another window moved the remembered pair: the panel writes its
        // own again.
        remembered.rememberedTop = 999;
        headless::moveMouseOver(panel);
        headless::pumpMessages();
        EXPECT_EQ(setting("Setup_y"), "40");
        EXPECT_EQ(remembered.rememberedTop, 40);
    });
}

TEST_F(PanelTest, TheKeysWritten) {
    setSetting("Setup_x", "5");
    setSetting("Setup_y", "6");
    runPanel([&](SetupPanel& panel) {
        press(panel, IDC_SETUP_SSB);
        press(panel, IDC_SETUP_VIEW_KDA);
        press(panel, IDC_SETUP_VIEW_DXCC);
        press(panel, IDC_SETUP_VIEW_DXCC);
        press(panel, IDC_SETUP_ON_TOP);
        panel.moveTo(7, 8);
        headless::moveMouseOver(panel);
        headless::pumpMessages();
    });
    EXPECT_EQ(ScratchFolder::read(folder.path() / "Plugins" / "Korvan.ini"),
              "[Settings]\r\n"
              "Setup_x=7\r\n"
              "Setup_y=8\r\n"
              "setup_Mode=SSB\r\n"
              "setup_view_KDA=1\r\n"
              "setup_view_DXCC=0\r\n"
              "setup_window_on_top=1\r\n");
}

// --- Russian texts ------------------------------------------------------

TEST_F(PanelTest, RussianLabelsAreWindows1251) {
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().russianLabels = 1;
    }
    runPanel([](SetupPanel& panel) {
        EXPECT_EQ(panel.title(), "\xD3\xF1\xF2\xE0\xED\xEE\xE2\xEA\xE8 Korvan-2017");
        EXPECT_EQ(headless::titleCodePage(panel), platform::TextCodePage::windows1251);
        EXPECT_EQ(headless::titleUtf8(panel), "Установки Korvan-2017");
        EXPECT_EQ(headless::controlTextUtf8(panel, IDC_SETUP_VIEW_LABEL), "Отображать");
        EXPECT_EQ(headless::controlTextUtf8(panel, IDC_SETUP_CHOICE_LABEL), "Выбор вида связи");
        EXPECT_EQ(headless::controlTextUtf8(panel, IDC_SETUP_ON_TOP), "Поверх окон");
        EXPECT_EQ(headless::controlTextUtf8(panel, IDC_SETUP_VIEW_KDA), "Районы КДА");
        EXPECT_EQ(headless::controlTextUtf8(panel, IDC_SETUP_VIEW_DXCC), "Страны DXCC");
        for (int id : {IDC_SETUP_VIEW_LABEL, IDC_SETUP_CHOICE_LABEL, IDC_SETUP_ON_TOP, IDC_SETUP_VIEW_KDA,
                       IDC_SETUP_VIEW_DXCC})
            EXPECT_EQ(headless::controlCodePage(panel, id), platform::TextCodePage::windows1251);
        // The buttons keep their captions.
        EXPECT_EQ(panel.controlText(IDC_SETUP_CW), "CW");
    });
}

// --- a failing host -----------------------------------------------------

TEST_F(PanelTest, AFailingHostLeavesThePanelUsable) {
    host->fails = true;
    runPanel([&](SetupPanel& panel) {
        EXPECT_EQ(host->calls, 4);  // both start commands and the first refresh's two reads tried
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_CW), kGreen);
        press(panel, IDC_SETUP_SSB);
        EXPECT_EQ(setting("setup_Mode"), "SSB");
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_SSB), kGreen);
        EXPECT_EQ(host->calls, 5);  // the next call simply fails again
        press(panel, IDC_SETUP_VIEW_KDA);
        EXPECT_NE(kdaWindow.load(), nullptr);
    });
    EXPECT_EQ(host->heard(), Commands{});
}

TEST_F(PanelTest, AHostThatGoesAwayMidRun) {
    runPanel([&](SetupPanel& panel) {
        host->fails = true;
        press(panel, IDC_SETUP_SSB);
        host->fails = false;  // a call that works again is sent
        press(panel, IDC_SETUP_CW);
        EXPECT_EQ(setting("setup_Mode"), "CW");
    });
    EXPECT_EQ(host->heard(), (Commands{"<MODE:CW>", "<BAUDRATE:27>", "<MODE:CW>", "<BAUDRATE:27>"}));
}

TEST_F(PanelTest, AHostCallThatThrowsIsAFailedCall) {
    host->throws = true;
    runPanel([&](SetupPanel& panel) {
        press(panel, IDC_SETUP_SSB);
        EXPECT_EQ(setting("setup_Mode"), "SSB");
        EXPECT_EQ(paintedFace(panel, IDC_SETUP_SSB), kGreen);
    });
    EXPECT_EQ(host->calls, 5);  // two start commands, the refresh's two reads, SSB
}

TEST_F(PanelTest, TheHostObjectIsReleasedWithTheOperatorWindows) {
    runPanelWithWindows([this](SetupPanel&, OperatorWindows& windows) {
        EXPECT_TRUE(windows.host().connected());
        windows.closeOperatorWindows();
        EXPECT_EQ(host->released, 0);  // held until the windows' owner goes
    });
    EXPECT_EQ(host->released, 1);
}

}  // namespace
