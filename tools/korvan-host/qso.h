// One contact as read from a log, and the log as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "date_time.h"

namespace korvan::host {

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

// Something worth telling the operator that does not stop the replay.
struct LogWarning {
    std::size_t line = 0;
    std::string message;
};

struct ContactLog {
    std::string fileName;
    std::string ownCall;  // from the header or the first contact that names it
    std::vector<Qso> qsos;
    std::vector<LogWarning> warnings;
};

}  // namespace korvan::host
