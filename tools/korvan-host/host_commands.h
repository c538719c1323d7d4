// The korvan-host commands: read the log, load the plug-in, replay, report.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvan::host {

enum ExitCode { exitSuccess = 0, exitBadInput = 1, exitUsage = 2, exitPluginNotLoaded = 3, exitScoreNotTaken = 5 };

struct Defaults {
    std::string pluginFileName;  // looked for beside the executable
    std::string builtPlugin;     // the plug-in as built in the source tree (may be empty)
    std::string ctyPath;         // the system's country file (may be empty)
};

// Runs the command given by args (the words after the program name) and
// returns the exit code; all messages go to out and err.
int runHostCommand(const std::vector<std::string>& args, const Defaults& defaults, std::ostream& out,
                   std::ostream& err);

}  // namespace korvan::host
