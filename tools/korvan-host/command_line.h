// The korvan-host command line.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace korvan::host {

// Each subcommand has a row in the table of command_line.cpp (its verb,
// synopsis and what its words after the verb mean) and a function of its
// own that host_commands.cpp calls.
enum class Command { help, score, check, remove, post, report };

struct Options {
    Command command = Command::help;
    std::string logPath;     // "-": standard input
    std::string pluginPath;  // empty: the plug-in beside the executable
    std::string htmlPath;    // empty: plain text to standard output
    bool exportRun = false;
    bool verbose = false;    // every warning, not a summary
    std::string workDir;     // empty: the current folder
    std::string kdaPath;
    std::string ctyPath;     // empty: the default country file
    std::string headerPath;  // Cabrillo header preset for an export run
    std::string ownCall, ownPrefix, ownContinent;  // empty: from the log and the country file
    // check and remove
    std::string workedCall;
    std::string band, mode;
    std::string time;        // remove: "YYYY-MM-DD HHMM"
    // post
    std::string url;
    std::string contest;     // empty: as the settings file has it
    std::string body;        // "form", "xml" or empty (as the settings file has it)
    // report
    std::string reportPath;  // the page to write (default report.html)
    std::string offTime;     // minutes without a QSO that make a break, as given
    int offTimeMinutes = 30;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// args are the words after the program name. Throws UsageError.
Options parseCommandLine(const std::vector<std::string>& args);

std::string usageText();

}  // namespace korvan::host
