#pragma once
// The statistics as the text handed to the host: tab-separated plain text,
// or an HTML document once the host has called setVersion.
#include <string>

#include "report/statistics.h"

namespace korvan::report {

// What the heading shows besides the numbers.
struct ReportHeading {
    std::string contestDate;  // the reset date as day.month.year
    std::string ownCall;
};

// Lines end in CR LF, except the last one.
std::string renderText(const Statistics& stats, const ReportHeading& heading);
// One HTML document without line breaks.
std::string renderHtml(const Statistics& stats, const ReportHeading& heading);

}  // namespace korvan::report
