// The korvan-host commands: read the log, load the plug-in, replay, report.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "country_file.h"
#include "qso.h"
#include "replay.h"

namespace korvan::host {

// The version korvan-host gives the plug-in and writes into its pages.
inline constexpr const char* kHostVersion = "korvan-host 1.0";
// The plug-in's settings file, relative to the working folder.
inline constexpr const char* kSettingsFile = "Plugins/Korvan.ini";

enum ExitCode {
    exitSuccess = 0,
    exitBadInput = 1,
    exitUsage = 2,
    exitPluginNotLoaded = 3,
    exitScoreNotTaken = 5,
    exitExportNotProduced = 6,  // an export run that wrote no Cabrillo log
};

struct Defaults {
    std::string pluginFileName;  // looked for beside the executable
    std::string builtPlugin;     // the plug-in as built in the source tree (may be empty)
    std::string ctyPath;         // the system's country file (may be empty)
};

// Runs the command given by args (the words after the program name) and
// returns the exit code; all messages go to out and err.
int runHostCommand(const std::vector<std::string>& args, const Defaults& defaults, std::ostream& out,
                   std::ostream& err);

// What a command prepares before its first call of the plug-in: the paths,
// the log with its countries, the own station; the working folder is
// entered. (Shared with korvan-host live.)
struct PreparedRun {
    std::string pluginPath;
    std::string htmlPath;
    ContactLog log;
    Station own;
    CountryFile countries;
};
PreparedRun prepareRun(const Options& options, const Defaults& defaults, std::ostream& err);

}  // namespace korvan::host
