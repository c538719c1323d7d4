#pragma once
// The Cabrillo export's two entry points on the host's thread: the header
// editor of an export run's reset, and the log written after every
// statistics request of that run.
#include <string>

#include "platform/date_time.h"

namespace korvan {

// The reset's hook (installed by the plug-in boundary): runs the header
// editor for the own callsign. The contest dates are not used. Must be
// called without the state lock held.
void runExportHeaderEditor(const std::string& ownCall, const COleDateTime& firstDate,
                           const COleDateTime& secondDate);

// When the state's exportRun is set: collects every stored QSO (dupes and
// bad codes included) into the log's QSO lines afresh, writes the log file
// and shows the writer's message in the "Output" box. Nothing otherwise.
// An export that runs out of memory shows "File not produced: NAME.cbr".
// Must be called without the state lock held.
void runCabrilloExport();

// "CW" for CW, "PH" for SSB, "??" for any other mode.
const char* cabrilloModeCode(const std::string& mode);

}  // namespace korvan
