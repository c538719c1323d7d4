// Reader of ADIF 3 logs in the tagged form (.adi).
#pragma once

#include <string>
#include <string_view>

#include "qso.h"

namespace korvan::host {

// Reads the whole text of an .adi file; fileName is used in messages only.
// Throws InputError for a malformed field or record.
ContactLog readAdif(std::string_view text, const std::string& fileName);

}  // namespace korvan::host
