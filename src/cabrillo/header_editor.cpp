#include "cabrillo/header_editor.h"

#include <cstdlib>
#include <string>

#include "resources/resource.h"

Cabrillo::Cabrillo() : platform::Dialog(IDD_CABRILLO) {}

bool Cabrillo::onInitDialog() {
    const bool result = platform::Dialog::onInitDialog();
#if !defined(_WIN32)
    // The real window is answered by the runner itself; the headless one
    // takes the same answer from the environment.
    const char* answer = std::getenv(kHeadlessEditorAnswerVariable);
    if (!answer || !*answer) return result;
    const std::string entries = answer;
    if (entries == "cancel") {
        endDialog(platform::kIdCancel);
        return result;
    }
    for (std::size_t start = 0; start <= entries.size();) {
        std::size_t end = entries.find('\x1f', start);
        if (end == std::string::npos) end = entries.size();
        const std::string entry = entries.substr(start, end - start);
        const std::size_t equals = entry.find('=');
        if (equals != std::string::npos)
            setControlText(std::atoi(entry.substr(0, equals).c_str()), entry.substr(equals + 1));
        start = end + 1;
    }
#endif
    return result;
}

void Cabrillo::doDataExchange(platform::DataExchange& exchange) {
    exchange.text(IDC_CABRILLO_CALLSIGN, callsign);
    exchange.text(IDC_CABRILLO_CLAIMED, claimed);
    exchange.text(IDC_CABRILLO_CLUB, club);
    exchange.comboText(IDC_CABRILLO_CATEGORY_OPERATOR, categoryOperator);
    exchange.text(IDC_CABRILLO_CONTEST, contest);
    exchange.text(IDC_CABRILLO_EMAIL, email);
    exchange.text(IDC_CABRILLO_NAME, name);
    exchange.text(IDC_CABRILLO_OPERATORS, operators);
    exchange.text(IDC_CABRILLO_SOAPBOX, soapbox);
    exchange.comboText(IDC_CABRILLO_CATEGORY_BAND, categoryBand);
    exchange.text(IDC_CABRILLO_LOCATION, location);
    exchange.comboText(IDC_CABRILLO_CATEGORY_TRANSMITTER, categoryTransmitter);
    exchange.text(IDC_CABRILLO_ADDRESS_CITY, addressCity);
    exchange.text(IDC_CABRILLO_ADDRESS_POSTALCODE, addressPostalCode);
    exchange.text(IDC_CABRILLO_ADDRESS_COUNTRY, addressCountry);
    exchange.comboText(IDC_CABRILLO_CATEGORY_POWER, categoryPower);
    exchange.text(IDC_CABRILLO_ADDRESS, address);
    exchange.comboText(IDC_CABRILLO_CATEGORY_MODE, categoryMode);
    exchange.comboText(IDC_CABRILLO_CATEGORY_STATION, categoryStation);
}
