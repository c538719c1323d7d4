// korvan-host report: the log replayed through the plug-in, and the page
// of figures written whole (a temporary file renamed over the page).
#pragma once

#include <ostream>
#include <string>

#include "country_file.h"
#include "qso.h"
#include "replay.h"

namespace korvan::host {

struct ReportRun {
    const ContactLog& log;
    const CountryFile& countries;
    const Station& own;
    DateTime contestDate;      // the date the session was reset with
    std::string pagePath;      // absolute
    std::string pageName;      // as the user gave it, for the message
    int offTimeMinutes = 30;
};

// Replays the log through the session, which was just reset, and writes
// the page; prints the plug-in's score line and where the page went.
// Throws InputError when the page cannot be written or no QSO counts (the
// page is then left as it was). Returns the exit code.
int writeReport(HostSession& session, const ReportRun& run, std::ostream& out, std::ostream& err);

}  // namespace korvan::host
