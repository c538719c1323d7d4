// Amateur bands as ADIF names them, and the modes that loggers write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvan::host {

// "20m" for 14 025 000 Hz; nullopt outside every band.
std::optional<std::string> bandForFrequency(std::uint64_t hertz);

// The canonical (lower-case) name of a band given in any case, "20M" -> "20m";
// nullopt for a name that is no ADIF band.
std::optional<std::string> canonicalBand(std::string_view name);

// The one mode table of the readers and the command line: CW is CW; SSB,
// USB, LSB and PH (Cabrillo's phone) are SSB; anything else is handed on
// as logged, in capitals, for the plug-in to reject.
std::string hostMode(std::string_view loggedMode);

// The mode a host hands on for an ADIF MODE and SUBMODE: a lone SUBMODE
// USB or LSB is SSB; otherwise hostMode(MODE).
std::string hostModeFromAdif(std::string_view mode, std::string_view submode);

// True for a mode some log format defines (ADIF's modes and the names it
// still imports, Cabrillo's CW, PH, FM, RY, DG); others earn a warning.
bool isKnownMode(std::string_view loggedMode);

// The lower edge of a band in Hz ("20m" -> 14 000 000), as loggers fill the
// frequency of a contact logged by band only; nullopt for no known band.
std::optional<std::uint64_t> bandLowerEdge(std::string_view band);

}  // namespace korvan::host
