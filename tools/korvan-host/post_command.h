// korvan-host post: replays a log and has the plug-in post its score once,
// as it does live, to try a scoreboard's settings before the contest.
#pragma once

#include <ostream>

#include "command_line.h"
#include "replay.h"

namespace korvan::host {

// Section "ScoreReporting" of the working folder's Plugins/Korvan.ini for
// this post: Enabled=1, the URL, and the contest and body when given; its
// other keys (TimeoutSeconds, ...) stay; LastResult is emptied.
void writePostSettings(const Options& options);

// Asks for the statistics, which the plug-in posts from its own thread,
// waits for the outcome it records and prints the log line of it. Returns
// exitSuccess when the scoreboard took the score (HTTP 2xx), else
// exitScoreNotTaken.
int postScore(HostSession& session, std::ostream& out);

}  // namespace korvan::host
