// korvan-host live: replays a log step by step while the host's automation
// object runs, following a script; journals what the object hears and
// observes the plug-in's windows and settings.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "country_file.h"
#include "host_commands.h"
#include "qso.h"
#include "replay.h"

namespace korvan::host {

// Exit code of a run whose host object could not be offered.
constexpr int exitHostObjectFailed = 4;

// args are the words after the program name, the first being "live".
int runLiveCommand(const std::vector<std::string>& args, const Defaults& defaults, std::ostream& out,
                   std::ostream& err);

}  // namespace korvan::host
