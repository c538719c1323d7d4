// One contact as read from a log, and the log as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "date_time.h"

namespace korvan::host {

// The longest field a log may give (a call, an exchange, a report, a
// mode): a few hundred characters are far more than any real one holds, and
// a longer field makes its record malformed rather than slow to handle.
inline constexpr std::size_t kMaxFieldLength = 256;

struct Qso {
    std::size_t line = 0;       // line of the log where the record starts
    std::string ownCall;        // own call as logged for this contact (may be empty)
    std::string call;           // worked station
    std::string band;           // "20m"; the text as logged when it is no known band; "" when unknown
    std::uint32_t frequencyHz = 0;
    std::string mode;           // "CW", "SSB", "RTTY", ...; as logged when unknown
    DateTime time;
    std::string rstSent, rstReceived;
    std::string exchangeSent, exchangeReceived;
    // Filled from the country file before the replay.
    std::string dxccPrefix, continent;
};

// Something the reader found at a line of the log. A warning does not stop
// the replay; kind groups warnings of one sort for the summary ("unknown
// band", "unknown mode", ...). An error is a record that cannot be read.
struct LogNote {
    std::size_t line = 0;
    std::string message;
    std::string kind;
};
using LogWarning = LogNote;

// A header line of a Cabrillo log that the Cabrillo header editor also
// holds: the tag as written ("CATEGORY-POWER") and its value.
struct HeaderLine {
    std::string tag, value;
};

struct ContactLog {
    std::string fileName;
    std::string ownCall;      // from the header or the first contact that names it
    std::string contestName;  // Cabrillo CONTEST: or the first ADIF CONTEST_ID; may be empty
    std::vector<HeaderLine> header;
    std::vector<Qso> qsos;
    std::vector<LogNote> warnings;
    std::vector<LogNote> errors;  // malformed records, in file order; none were put into qsos
};

}  // namespace korvan::host
