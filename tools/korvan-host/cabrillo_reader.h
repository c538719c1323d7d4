// Reader of Cabrillo 3.0 logs (.cbr, .log).
#pragma once

#include <string>
#include <string_view>

#include "qso.h"

namespace korvan::host {

// Reads the whole text of a Cabrillo file (CR LF or LF line ends); fileName
// is used in messages only. Throws InputError for a malformed line.
ContactLog readCabrillo(std::string_view text, const std::string& fileName);

}  // namespace korvan::host
