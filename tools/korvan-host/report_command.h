// korvan-host report: the log replayed through the plug-in, and the page
// of figures written whole (a temporary file renamed over the page).
#pragma once

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "country_file.h"
#include "qso.h"
#include "replay.h"

namespace korvan::host {

// The page is written into a temporary file beside it, opened before the
// plug-in is loaded so that a place that cannot be written is told at once,
// and renamed over the page at the end: an earlier page stays whole until
// the new one is complete. Throws InputError.
class ReportPage {
public:
    explicit ReportPage(const std::string& path);
    ~ReportPage();  // removes the temporary file unless committed
    ReportPage(const ReportPage&) = delete;
    ReportPage& operator=(const ReportPage&) = delete;

    void commit(const std::string& text);

private:
    std::string path_;
    std::filesystem::path part_;
    std::ofstream file_;
    bool committed_ = false;
};

struct ReportRun {
    const ContactLog& log;
    const CountryFile& countries;
    const Station& own;
    DateTime contestDate;      // the date the session was reset with
    std::string pageName;      // as the user gave it, for the message
    int offTimeMinutes = 30;
};

// Replays the log through the session, which was just reset, and writes
// the page; prints the plug-in's score line and where the page went.
// Throws InputError when the page cannot be written or no QSO counts (the
// page is then left as it was). Returns the exit code.
int writeReport(HostSession& session, const ReportRun& run, ReportPage& page, std::ostream& out, std::ostream& err);

}  // namespace korvan::host
