#pragma once
// The plug-in's live score: one poster for the loaded library, its settings
// read at every reset, the figures of every statistics request handed to
// it, and its last post at unload.
#include "engine/host_calls.h"
#include "report/statistics.h"

namespace korvan {

// Reads the settings and the station details after a reset (the header
// editor of an export run has stored its values by then).
void configureScorePosting(const ResetArguments& args);

// True when statistics requests should hand their figures over; one atomic
// read.
bool scorePostingWanted();

// Hands the figures of a statistics request over (never waits for the
// network).
void offerScore(const report::Statistics& stats);

// Makes the poster and registers its unload step. Part of wirePlugin.
void wireScorePosting();

}  // namespace korvan
