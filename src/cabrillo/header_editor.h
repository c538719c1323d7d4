#pragma once
// The Cabrillo header editor: a modal dialog on template 101 with one text
// per header field. OK and Cancel are the framework's: OK takes the control
// values into the texts, Cancel takes nothing.
#include <string>

#include "platform/dialog.h"

// Headless builds only: the environment variable through which a host
// stand-in (korvan-host's header preset, the end-to-end runner) answers the
// editor as an operator would. Its value is
// "cancel", or entries "CONTROLID=TEXT" separated by the byte 0x1F, which
// are typed into the controls before OK.
inline constexpr const char* kHeadlessEditorAnswerVariable = "KORVAN_HEADLESS_CABRILLO_EDITOR";

class Cabrillo : public platform::Dialog {
public:
    Cabrillo();

    std::string callsign;
    std::string claimed;
    std::string club;
    std::string categoryOperator;
    std::string contest;
    std::string email;
    std::string name;
    std::string operators;
    std::string soapbox;
    std::string categoryBand;
    std::string location;
    std::string categoryTransmitter;
    std::string addressCity;
    std::string addressPostalCode;
    std::string addressCountry;
    std::string categoryPower;
    std::string address;
    std::string categoryMode;
    std::string categoryStation;

protected:
    bool onInitDialog() override;
    void doDataExchange(platform::DataExchange& exchange) override;
    // Without a test script, a headless run confirms the values unchanged.
    platform::HeadlessRun headlessRun() const override { return platform::HeadlessRun::confirmAtOnce; }
};
