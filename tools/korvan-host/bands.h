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

// True for the modes defined by ADIF (and the older names it still imports).
bool isKnownAdifMode(std::string_view upperCaseMode);

// The mode text a host hands to the plug-in for an ADIF MODE and SUBMODE:
// SSB for MODE=SSB, for the old MODE=USB/LSB and for a lone SUBMODE USB/LSB;
// otherwise MODE in capitals.
std::string hostModeFromAdif(std::string_view mode, std::string_view submode);

// Cabrillo mode column: CW, PH (= SSB), FM, RY (= RTTY), DG (= DIGI);
// nullopt for anything else.
std::optional<std::string> hostModeFromCabrillo(std::string_view mode);

// Mode as typed on the command line ("cw", "ph", "ssb", "usb" ...).
std::string hostModeFromUser(std::string_view mode);

}  // namespace korvan::host
