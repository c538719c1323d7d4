// The headless dialogs that the plug-in's windows and their tests run on.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialog.h"
#include "platform/headless/testing.h"
#include "platform/window_messages.h"
#include "resources/resource.h"

using namespace korvan;

using platform::Dialog;
namespace headless = platform::headless;
using platform::kIdCancel;
using platform::kIdOk;
using Entries = std::vector<std::string>;
using namespace std::chrono_literals;

namespace {

constexpr unsigned kWmTest = platform::kWmUser + 7;

// A dialog on the Cabrillo template with three exchanged fields.
class HeaderDialog : public Dialog {
public:
    explicit HeaderDialog(int templateId = IDD_CABRILLO) : Dialog(templateId) {}

    std::string name, band, power;
    int started = 0;
    std::vector<std::pair<int, int>> commands;
    std::vector<unsigned> messages;
    std::atomic<int> cancels{0};
    bool ignoreCancel = false;

protected:
    void doDataExchange(platform::DataExchange& exchange) override {
        exchange.text(IDC_CABRILLO_NAME, name);
        exchange.comboText(IDC_CABRILLO_CATEGORY_BAND, band);
        exchange.comboText(IDC_CABRILLO_CATEGORY_POWER, power);
    }
    void onCancel() override {
        ++cancels;
        if (!ignoreCancel) Dialog::onCancel();
    }
    void onCommand(int id, int code) override { commands.emplace_back(id, code); }
    bool onUserMessage(unsigned message) override {
        messages.push_back(message);
        return message == kWmTest;
    }
};

// The host stand-in's answer to modal dialogs (this test program exports
// the function, as korvan-host does).
struct HostAnswer {
    int templateId = 0;
    std::string text;
} hostAnswer;

}  // namespace

extern "C" __attribute__((visibility("default"))) unsigned korvan_host_modal_answer(int templateId, char* buffer,
                                                                                    unsigned size) {
    if (templateId != hostAnswer.templateId) return 0;
    if (buffer && size > 0) {
        const std::size_t n = std::min<std::size_t>(hostAnswer.text.size(), size - 1);
        std::memcpy(buffer, hostAnswer.text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<unsigned>(hostAnswer.text.size());
}

namespace {

// Runs a dialog on a thread of its own and waits until its window exists.
// Unless answered is true, a script that does nothing keeps the dialog open
// (nobody answers it).
class RunningDialog {
public:
    explicit RunningDialog(Dialog& dialog, bool answered = false) : dialog_(dialog) {
        if (!answered) headless::setModalScript(dialog.templateId(), [](Dialog&) {});
        result_ = std::async(std::launch::async, [&dialog] { return dialog.runModal(); });
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!dialog.window() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    }
    ~RunningDialog() {
        if (result_.valid() && dialog_.window()) platform::sendCloseMessage(dialog_.window());
    }
    int result() { return result_.get(); }
    bool endsWithin(std::chrono::milliseconds limit) { return result_.wait_for(limit) == std::future_status::ready; }

private:
    Dialog& dialog_;
    std::future<int> result_;
};

class HeadlessDialogTest : public ::testing::Test {
protected:
    void TearDown() override {
        headless::setModalScript(IDD_CABRILLO, {});
        headless::setModalScript(IDD_SETUP, {});
        headless::setModalScript(4242, {});
        hostAnswer = HostAnswer();
    }
};

TEST_F(HeadlessDialogTest, ControlsComeFromTheTemplate) {
    Dialog setup(IDD_SETUP);
    HeaderDialog header;
    std::string title;
    Entries station, band;
    int check = -1;
    std::string kdaCaption;
    headless::setModalScript(IDD_SETUP, [&](Dialog& dialog) {
        title = dialog.title();
        kdaCaption = dialog.controlText(IDC_SETUP_VIEW_KDA);
        check = dialog.checkState(IDC_SETUP_VIEW_KDA);
        dialog.endDialog(kIdCancel);
    });
    EXPECT_EQ(setup.runModal(), kIdCancel);
    EXPECT_EQ(title, "Setup Korvan CONTEST");
    EXPECT_EQ(kdaCaption, "KDA");
    EXPECT_EQ(check, 0);

    headless::setModalScript(IDD_CABRILLO, [&](Dialog& dialog) {
        station = dialog.comboEntries(IDC_CABRILLO_CATEGORY_STATION);
        band = dialog.comboEntries(IDC_CABRILLO_CATEGORY_BAND);
        dialog.endDialog(kIdCancel);
    });
    header.runModal();
    // A sorted box shows its entries in alphabetical order.
    EXPECT_EQ(station, (Entries{"EXPEDITION", "FIXED", "MOBILE", "PORTABLE"}));
    EXPECT_EQ(band, (Entries{"ALL", "80M", "40M", "20M", "15M", "10M"}));
}

TEST_F(HeadlessDialogTest, ScriptRunsOnTheDialogThreadAfterInitAndConfirms) {
    HeaderDialog header;
    header.name = "Ivan";
    header.band = "20m";
    header.power = "low";
    std::thread::id scriptThread;
    std::string shownName, shownBand, shownPower;
    headless::setModalScript(IDD_CABRILLO, [&](Dialog& dialog) {
        scriptThread = std::this_thread::get_id();
        shownName = dialog.controlText(IDC_CABRILLO_NAME);
        shownBand = dialog.controlText(IDC_CABRILLO_CATEGORY_BAND);
        shownPower = dialog.controlText(IDC_CABRILLO_CATEGORY_POWER);
        dialog.setControlText(IDC_CABRILLO_NAME, "Petr");
        dialog.setControlText(IDC_CABRILLO_CATEGORY_BAND, "160M");  // not in the list
        headless::clickButton(dialog, kIdOk);
    });
    EXPECT_EQ(header.runModal(), kIdOk);
    EXPECT_EQ(scriptThread, std::this_thread::get_id());
    EXPECT_EQ(shownName, "Ivan");
    EXPECT_EQ(shownBand, "20M");
    EXPECT_EQ(shownPower, "LOW");
    EXPECT_EQ(header.name, "Petr");
    EXPECT_EQ(header.band, "160M");
    EXPECT_EQ(header.power, "LOW");
    EXPECT_EQ(header.window(), nullptr);
}

TEST_F(HeadlessDialogTest, ComboTextSelectsTheFirstEntryBeginningWithTheValue) {
    struct Case {
        std::string value;
        std::string shown;
        int selection;
    };
    // Band list: ALL 80M 40M 20M 15M 10M; power (sorted): HIGH LOW QRP.
    const std::vector<Case> bandCases{
        {"ALL", "ALL", 0}, {"all", "ALL", 0}, {"1", "15M", 4}, {"10m", "10M", 5},
        {"160M", "160M", -1}, {"ALLX", "ALLX", -1}, {" 20M", " 20M", -1},
        {"", "ALL", 0},  // every entry begins with the empty text
    };
    for (const Case& c : bandCases) {
        HeaderDialog header;
        header.band = c.value;
        std::string shown;
        int selection = -2;
        headless::setModalScript(IDD_CABRILLO, [&](Dialog& dialog) {
            shown = dialog.controlText(IDC_CABRILLO_CATEGORY_BAND);
            selection = dialog.comboSelection(IDC_CABRILLO_CATEGORY_BAND);
            headless::clickButton(dialog, kIdOk);
        });
        EXPECT_EQ(header.runModal(), kIdOk);
        EXPECT_EQ(shown, c.shown) << "value '" << c.value << "'";
        EXPECT_EQ(selection, c.selection) << "value '" << c.value << "'";
        // Saving gives back the edit part unchanged.
        EXPECT_EQ(header.band, c.shown) << "value '" << c.value << "'";
    }
}

// Nobody sits at a headless desktop: a dialog with an OK button that
// neither a script nor the host stand-in answers is confirmed unchanged; one
// without (the setup panel) runs until it is closed.
TEST_F(HeadlessDialogTest, UnansweredDialogIsConfirmedWhenItHasAnOkButton) {
    HeaderDialog header;
    header.name = "kept";
    header.power = "qrp";
    EXPECT_EQ(header.runModal(), kIdOk);
    EXPECT_EQ(header.name, "kept");
    EXPECT_EQ(header.power, "QRP");

    HeaderDialog panel(IDD_SETUP);
    RunningDialog run(panel, true);
    platform::sendCloseMessage(panel.window());
    EXPECT_EQ(run.result(), kIdCancel);
}

// The host stand-in's answer: texts typed into their controls before OK,
// or Cancel; an answer for another template leaves this one unanswered.
TEST_F(HeadlessDialogTest, HostStandInAnswersAnUnscriptedModalDialog) {
    HeaderDialog header;
    const std::string longPower(300, 'P');  // longer than the first buffer asked with
    hostAnswer = {IDD_CABRILLO, std::to_string(IDC_CABRILLO_NAME) + "=Typed name\x1f" +
                                    std::to_string(IDC_CABRILLO_CATEGORY_POWER) + "=" + longPower + "\x1fjunk"};
    EXPECT_EQ(header.runModal(), kIdOk);
    EXPECT_EQ(header.name, "Typed name");
    EXPECT_EQ(header.power, longPower);

    hostAnswer.text = "cancel";
    header.name = "kept";
    EXPECT_EQ(header.runModal(), kIdCancel);
    EXPECT_EQ(header.name, "kept");
    EXPECT_EQ(header.cancels.load(), 1);

    // A test's script wins over the answer.
    headless::setModalScript(IDD_CABRILLO, [](Dialog& dialog) { headless::clickButton(dialog, kIdOk); });
    EXPECT_EQ(header.runModal(), kIdOk);
    EXPECT_EQ(header.name, "kept");

    hostAnswer.templateId = IDD_SETUP;
    headless::setModalScript(IDD_CABRILLO, {});
    header.power = "qrp";
    EXPECT_EQ(header.runModal(), kIdOk);
    EXPECT_EQ(header.name, "kept");
    EXPECT_EQ(header.power, "QRP");
}

TEST_F(HeadlessDialogTest, UnknownTemplateRunsWithoutControls) {
    HeaderDialog dialog(4242);
    headless::setModalScript(4242, [](Dialog& d) {
        EXPECT_EQ(d.title(), "");
        d.setControlText(1, "x");
        EXPECT_EQ(d.controlText(1), "");
        EXPECT_EQ(d.comboEntries(1), Entries{});
        d.setTitle("Now titled");
        EXPECT_EQ(d.title(), "Now titled");
        headless::clickButton(d, kIdOk);
    });
    EXPECT_EQ(dialog.runModal(), kIdOk);
}

TEST_F(HeadlessDialogTest, MessagesAreRoutedToTheirHandlers) {
    HeaderDialog dialog(IDD_SETUP);
    headless::setModalScript(IDD_SETUP, [](Dialog& d) {
        platform::postMessage(d.window(), platform::kWmCommand, (3u << 16) | IDC_SETUP_CW, 0);
        headless::clickButton(d, IDC_SETUP_SSB);
        platform::postMessage(d.window(), kWmTest, 0, 0);
        // The close box goes to onCancel.
        platform::postMessage(d.window(), platform::kWmClose, 0, 0);
    });
    EXPECT_EQ(dialog.runModal(), kIdCancel);
    EXPECT_EQ(dialog.commands, (std::vector<std::pair<int, int>>{{IDC_SETUP_CW, 3}, {IDC_SETUP_SSB, 0}}));
    EXPECT_EQ(dialog.messages, std::vector<unsigned>{kWmTest});
    EXPECT_EQ(dialog.cancels.load(), 1);
}

TEST_F(HeadlessDialogTest, ControlsAreUsableFromAnotherThreadAndCloseWaits) {
    HeaderDialog header;
    RunningDialog run(header);
    const platform::WindowHandle window = header.window();
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 100; ++i) {
        header.setControlText(IDC_CABRILLO_NAME, "name " + std::to_string(i));
        EXPECT_EQ(header.controlText(IDC_CABRILLO_NAME), "name " + std::to_string(i));
        platform::postMessage(window, kWmTest, 0, 0);
    }
    platform::sendCloseMessage(window);
    // Handled before sendCloseMessage returned.
    EXPECT_EQ(header.cancels.load(), 1);
    EXPECT_EQ(run.result(), kIdCancel);
    EXPECT_EQ(header.messages.size(), 100u);
    EXPECT_EQ(header.window(), nullptr);
    // The handle is dead for good.
    EXPECT_FALSE(platform::postMessage(window, kWmTest, 0, 0));
    platform::sendCloseMessage(window);
    platform::sendCloseMessage(nullptr);
    EXPECT_FALSE(platform::postMessage(nullptr, kWmTest, 0, 0));
}

TEST_F(HeadlessDialogTest, CloseThatIsRefusedStillReturns) {
    HeaderDialog header;
    header.ignoreCancel = true;
    RunningDialog run(header);
    platform::sendCloseMessage(header.window());
    EXPECT_EQ(header.cancels.load(), 1);
    EXPECT_FALSE(run.endsWithin(50ms));
    headless::clickButton(header, kIdOk);
    EXPECT_EQ(run.result(), kIdOk);
}

// A dialog whose thread is busy in a handler until it is released.
class BusyDialog : public Dialog {
public:
    BusyDialog() : Dialog(IDD_SETUP) {}
    std::promise<void> entered;
    std::promise<void> release;
    bool endInHandler = false;

protected:
    bool onUserMessage(unsigned message) override {
        if (message != kWmTest) return false;
        entered.set_value();
        release.get_future().wait();
        if (endInHandler) endDialog(7);
        return true;
    }
};

TEST_F(HeadlessDialogTest, CloseReturnsWhenTheWindowGoesAwayMeanwhile) {
    BusyDialog busy;
    busy.endInHandler = true;
    RunningDialog run(busy);
    const platform::WindowHandle window = busy.window();
    platform::postMessage(window, kWmTest, 0, 0);
    busy.entered.get_future().wait();
    auto closing = std::async(std::launch::async, [window] { platform::sendCloseMessage(window); });
    EXPECT_EQ(closing.wait_for(100ms), std::future_status::timeout);  // waits while the thread is busy
    const auto released = std::chrono::steady_clock::now();
    busy.release.set_value();
    // The dialog ends in the handler; the queued close is dropped and the
    // sender is released at once instead of waiting out its time limit.
    EXPECT_EQ(closing.wait_for(2s), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - released, 2s);
    EXPECT_EQ(run.result(), 7);
}

TEST_F(HeadlessDialogTest, CloseToAHungWindowGivesUp) {
    BusyDialog busy;
    RunningDialog run(busy);
    platform::postMessage(busy.window(), kWmTest, 0, 0);
    busy.entered.get_future().wait();
    const auto start = std::chrono::steady_clock::now();
    platform::sendCloseMessage(busy.window());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 4s);
    EXPECT_LT(waited, 8s);
    busy.release.set_value();
    EXPECT_EQ(run.result(), kIdCancel);  // the close is handled once the thread is back
}

TEST_F(HeadlessDialogTest, HandlerExceptionsStayInTheDialog) {
    class Throwing : public Dialog {
    public:
        Throwing() : Dialog(IDD_SETUP) {}

    protected:
        bool onInitDialog() override { throw std::runtime_error("init"); }
        void onCommand(int, int) override { throw std::runtime_error("command"); }
    } dialog;
    headless::setModalScript(IDD_SETUP, [](Dialog& d) {
        headless::clickButton(d, IDC_SETUP_CW);
        headless::clickButton(d, kIdCancel);
    });
    EXPECT_EQ(dialog.runModal(), kIdCancel);
}

}  // namespace
