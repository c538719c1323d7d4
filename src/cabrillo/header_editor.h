#pragma once
// The Cabrillo header editor: a modal dialog on template 101 with one text
// per header field. OK and Cancel are the framework's: OK takes the control
// values into the texts, Cancel takes nothing.
#include <string>

#include "platform/dialog.h"

namespace korvan {

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
    void doDataExchange(platform::DataExchange& exchange) override;
};

}  // namespace korvan
