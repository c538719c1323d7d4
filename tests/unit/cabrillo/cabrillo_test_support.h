#pragma once
// Shared set-up of the Cabrillo tests: a scratch folder, a fresh log
// holder, the editor's "operator" as a headless script and the "Output"
// boxes captured instead of shown.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "cabrillo/cabrillo_log.h"
#include "engine/contest_state.h"
#include "platform/dialog.h"
#include "platform/headless/testing.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "scratch_folder.h"

using namespace korvan;

struct ShownBox {
    std::string text;
    std::string caption;
    unsigned style;
};

class CabrilloTest : public ::testing::Test {
protected:
    void SetUp() override {
        cabrilloLog() = CabrilloLog{};
        platform::setMessageBoxSink([this](const std::string& text, const std::string& caption, unsigned style) {
            boxes.push_back({text, caption, style});
            return platform::kIdOk;
        });
        setState([](ContestState& state) {
            state.hostVersion = "2.19";
            state.exportRun = 1;
        });
    }
    void TearDown() override {
        platform::headless::setModalScript(IDD_CABRILLO, {});
        platform::setMessageBoxSink({});
        platform::setWriteFailureForTesting(nullptr);
    }

    static void setState(const std::function<void(ContestState&)>& change) {
        std::lock_guard<std::mutex> lock(stateLock());
        change(contestState());
    }
    static std::int32_t exportRun() {
        std::lock_guard<std::mutex> lock(stateLock());
        return contestState().exportRun;
    }

    // Runs the header editor; the "operator" applies edits, then presses OK.
    static bool confirmHeader(const std::string& ownCall,
                              const std::function<void(platform::Dialog&)>& edits = {}) {
        platform::headless::setModalScript(IDD_CABRILLO, [edits](platform::Dialog& editor) {
            if (edits) edits(editor);
            platform::headless::clickButton(editor, platform::kIdOk);
        });
        return cabrilloLog().editHeader(ownCall);
    }
    static bool cancelHeader(const std::string& ownCall) {
        platform::headless::setModalScript(IDD_CABRILLO,
                                    [](platform::Dialog& editor) { platform::headless::clickButton(editor, platform::kIdCancel); });
        return cabrilloLog().editHeader(ownCall);
    }

    static std::string setting(const std::string& key) {
        return platform::readProfileString(settingsFile, settingsSection, key, "<absent>");
    }
    static void storeSetting(const std::string& key, const std::string& value) {
        platform::writeProfileString(settingsFile, settingsSection, key, value);
    }
    std::string fileText(const std::string& name) const { return ScratchFolder::read(folder.path() / name); }
    bool fileThere(const std::string& name) const { return std::filesystem::exists(folder.path() / name); }

    static COleDateTime contestMoment() { return COleDateTime::fromParts(2017, 3, 18, 7, 5); }

    ScratchFolder folder;
    std::vector<ShownBox> boxes;
};
