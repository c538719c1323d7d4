// The page of `korvan-host report`: one self-contained HTML file (inline
// styles, charts as inline SVG, no script, nothing fetched), printable on
// A4. Every chart has a title and its numbers in a table under it.
#pragma once

#include <string>

#include "qso.h"
#include "report_figures.h"

namespace korvan::host {

struct PageContext {
    std::string logName;      // the log's file name, without its folder
    std::string hostVersion;  // "korvan-host 1.0"
};

std::string renderReportPage(const ReportFigures& figures, const ContactLog& log, const PageContext& context);

}  // namespace korvan::host
