// The page of `korvan-host report`: one self-contained HTML file (inline
// styles, charts as inline SVG, no script, nothing fetched), printable on
// A4. Every chart has a title and its numbers in a table under it.
#pragma once

#include <cstdint>
#include <string>

#include "qso.h"
#include "report_figures.h"

namespace korvan::host {

struct PageContext {
    std::string logName;      // the log's file name, without its folder
    std::string hostVersion;  // "korvan-host 1.0"
};

std::string renderReportPage(const ReportFigures& figures, const ContactLog& log, const PageContext& context);

// "2026-03-21 12:05" for a moment in seconds on the host's day count.
std::string formatMoment(std::int64_t second);

// "3 h 05 min", "45 min", "2 d 1 h 00 min".
std::string formatDuration(std::int64_t seconds);

}  // namespace korvan::host
