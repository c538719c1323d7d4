#include "bands.h"

#include <array>

#include "text.h"

namespace korvan::host {

namespace {

struct Band {
    const char* name;
    std::uint64_t lowHz, highHz;
};

// ADIF band plan, edges inclusive.
constexpr std::array<Band, 33> kBands{{
    {"2190m", 135'700, 137'800},
    {"630m", 472'000, 479'000},
    {"560m", 501'000, 504'000},
    {"160m", 1'800'000, 2'000'000},
    {"80m", 3'500'000, 4'000'000},
    {"60m", 5'060'000, 5'450'000},
    {"40m", 7'000'000, 7'300'000},
    {"30m", 10'100'000, 10'150'000},
    {"20m", 14'000'000, 14'350'000},
    {"17m", 18'068'000, 18'168'000},
    {"15m", 21'000'000, 21'450'000},
    {"12m", 24'890'000, 24'990'000},
    {"10m", 28'000'000, 29'700'000},
    {"8m", 40'000'000, 45'000'000},
    {"6m", 50'000'000, 54'000'000},
    {"5m", 54'000'001, 69'900'000},
    {"4m", 70'000'000, 71'000'000},
    {"2m", 144'000'000, 148'000'000},
    {"1.25m", 222'000'000, 225'000'000},
    {"70cm", 420'000'000, 450'000'000},
    {"33cm", 902'000'000, 928'000'000},
    {"23cm", 1'240'000'000, 1'300'000'000},
    {"13cm", 2'300'000'000, 2'450'000'000},
    {"9cm", 3'300'000'000, 3'500'000'000},
    {"6cm", 5'650'000'000, 5'925'000'000},
    {"3cm", 10'000'000'000, 10'500'000'000},
    {"1.25cm", 24'000'000'000, 24'250'000'000},
    {"6mm", 47'000'000'000, 47'200'000'000},
    {"4mm", 75'500'000'000, 81'000'000'000},
    {"2.5mm", 119'980'000'000, 123'000'000'000},
    {"2mm", 134'000'000'000, 149'000'000'000},
    {"1mm", 241'000'000'000, 250'000'000'000},
    {"submm", 300'000'000'000, 7'500'000'000'000},
}};

constexpr std::array<const char*, 50> kAdifModes{{
    "AM",     "ARDOP",    "ATV",     "CHIP",  "CLO",   "CONTESTI", "CW",    "DIGITALVOICE", "DOMINO", "DYNAMIC",
    "FAX",    "FM",       "FSK441",  "FT8",   "HELL",  "ISCAT",    "JT4",   "JT6M",         "JT9",    "JT44",
    "JT65",   "MFSK",     "MSK144",  "MT63",  "OLIVIA", "OPERA",   "PAC",   "PAX",          "PKT",    "PSK",
    "PSK2K",  "Q15",      "QRA64",   "ROS",   "RTTY",  "RTTYM",    "SSB",   "SSTV",         "T10",    "THOR",
    "THRB",   "TOR",      "V4",      "VOI",   "WINMOR", "WSPR",    "USB",   "LSB",          "PSK31",  "FT4",
}};

}  // namespace

std::optional<std::string> bandForFrequency(std::uint64_t hertz) {
    for (const Band& band : kBands)
        if (hertz >= band.lowHz && hertz <= band.highHz) return std::string(band.name);
    return std::nullopt;
}

std::optional<std::string> canonicalBand(std::string_view name) {
    for (const Band& band : kBands)
        if (equalsNoCase(name, band.name)) return std::string(band.name);
    return std::nullopt;
}

std::optional<std::uint64_t> bandLowerEdge(std::string_view name) {
    for (const Band& band : kBands)
        if (equalsNoCase(name, band.name)) return band.lowHz;
    return std::nullopt;
}

std::string hostMode(std::string_view loggedMode) {
    std::string m = toUpper(trim(loggedMode));
    if (m == "SSB" || m == "USB" || m == "LSB" || m == "PH") return "SSB";
    return m;
}

std::string hostModeFromAdif(std::string_view mode, std::string_view submode) {
    std::string sub = toUpper(trim(submode));
    if (trim(mode).empty() && (sub == "USB" || sub == "LSB")) return "SSB";
    return hostMode(mode);
}

bool isKnownMode(std::string_view loggedMode) {
    const std::string m = toUpper(trim(loggedMode));
    for (const char* mode : kAdifModes)
        if (m == mode) return true;
    for (const char* mode : {"PH", "RY", "DG"})
        if (m == mode) return true;
    return false;
}

}  // namespace korvan::host
