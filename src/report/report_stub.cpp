// Neutral result until the statistics are built.
#include "report/statistics_report.h"

const char* computeAndRenderResult() { return ""; }
