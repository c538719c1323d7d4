// Reads a contest log from disk, choosing the format by extension or content.
#pragma once

#include <string>
#include <string_view>

#include "qso.h"

namespace korvan::host {

// The whole file as bytes; throws InputError when it cannot be read.
std::string readWholeFile(const std::string& path);

// .adi/.adif are ADIF, .cbr/.log Cabrillo; any other name is recognised by
// its first line (START-OF-LOG: means Cabrillo). Throws InputError.
ContactLog readLogFile(const std::string& path);

// The same for text already in memory.
ContactLog readLogText(std::string_view text, const std::string& fileName);

}  // namespace korvan::host
