#include "cabrillo/header_editor.h"

#include <string>

#include "resources/resource.h"

namespace korvan {

Cabrillo::Cabrillo() : platform::Dialog(IDD_CABRILLO) {}

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

}  // namespace korvan
