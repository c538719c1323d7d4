// Reads a contest log from disk or standard input, choosing the format by
// its content.
#pragma once

#include <string>
#include <string_view>

#include "qso.h"
#include "whole_file.h"

namespace korvan::host {

// Reads the log at path ("-": standard input). Malformed records are listed
// in the result's errors rather than thrown; throws InputError only when the
// file cannot be read.
ContactLog readLogFile(const std::string& path);

// The same for text already in memory. The content decides the format: a
// log beginning with START-OF-LOG: is Cabrillo, one with ADIF tags is ADIF;
// the extension (.adi/.adif, .cbr/.log) decides only when the content does
// not, and a warning says so when the two disagree. Every contact then gets
// what a logger fills in for a field left empty: the band's lower edge as
// the frequency, and the report 599 (CW) or 59 (SSB).
ContactLog readLogText(std::string_view text, const std::string& fileName);

}  // namespace korvan::host
