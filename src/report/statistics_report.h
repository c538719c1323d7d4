#pragma once
// The statistics text handed to the host by GetResult0.
#include "report/statistics.h"

namespace korvan {

// Recomputes the statistics from the stored QSOs, renders them (plain text,
// or HTML once setVersion was called) into the state's resultText, and
// publishes the score as claimedScore and under "Claimed" in the settings.
// Returns the text, valid until the next call; computed (when given)
// receives the statistics. The Cabrillo export of an export run is done by
// the caller afterwards.
const char* computeAndRenderResult(report::Statistics* computed = nullptr);

}  // namespace korvan
