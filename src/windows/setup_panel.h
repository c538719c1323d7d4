#pragma once
// The setup panel that the window thread runs modally: the operator
// switches the host between CW and SSB, opens and closes the KDA and DXCC
// windows, and chooses whether those stay on top.
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/dialog.h"
#include "windows/drawn_button.h"
#include "windows/operator_windows.h"

namespace korvan {

// Colours of the panel.
constexpr platform::Color kPanelTint = platform::rgb(255, 250, 198);
constexpr platform::Color kPanelTextBackground = platform::rgb(255, 240, 198);
constexpr platform::Color kChosenModeFace = platform::rgb(0, 255, 0);
constexpr platform::Color kModeFace = platform::rgb(240, 240, 240);
constexpr platform::Color kModeLabel = platform::rgb(1, 1, 1);
constexpr platform::Color kModeDisabledLabel = platform::rgb(128, 128, 128);

class SetupPanel : public platform::Dialog {
public:
    explicit SetupPanel(OperatorWindows& owner);

    // The background brush's colour; empty until the panel has made it.
    std::optional<platform::Color> panelBrush;
    CAdvancedButton cwButton;   // control 1003
    CAdvancedButton ssbButton;  // control 1005
    // Bound to the check boxes 1107, 1106 and 1014.
    std::int32_t onTopChecked = 0;
    std::int32_t viewDxcc = 0;  // nonzero: the DXCC window is wanted
    std::int32_t viewKda = 0;   // nonzero: the KDA window is wanted

protected:
    bool onInitDialog() override;
    void doDataExchange(platform::DataExchange& exchange) override;
    // Enter never closes the panel.
    void onOK() override {}
    // Esc and WM_CLOSE end the panel; it closes its windows first.
    void onCancel() override;
    void onCommand(int controlId, int notifyCode) override;
    // WM_STATS_REFRESH: the refresh of the operator windows (refresh.h).
    bool onUserMessage(unsigned message) override;
    void onSetCursor() override;
    std::optional<platform::ControlColors> onControlColor(int controlId) override;
    void onDrawItem(int controlId, platform::Canvas& canvas, const platform::Rect& itemRect,
                    unsigned itemState) override;

private:
    bool initialise();
    void applyStoredMode();
    void showCw();
    void showSsb();
    void setTexts();
    void chooseCw();
    void chooseSsb();
    // Whether the window exists decides, not the check box.
    void toggleWindow(OperatorWindow which, std::int32_t& view, const char* key);
    void toggleOnTop();

    OperatorWindows& owner_;
};

std::unique_ptr<platform::Dialog> makeSetupPanel(OperatorWindows& owner);

}  // namespace korvan
