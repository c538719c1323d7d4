#pragma once
// The setup panel that the window thread runs modally.
#include <memory>

#include "platform/dialog.h"

constexpr int IDD_SETUP_PANEL = 105;

class Setup : public platform::Dialog {
public:
    Setup() : platform::Dialog(IDD_SETUP_PANEL) {}

protected:
    // Enter never closes the panel; Esc and WM_CLOSE do.
    void onOK() override {}
    bool onUserMessage(unsigned message) override;
};

std::unique_ptr<platform::Dialog> makeSetupPanel();
