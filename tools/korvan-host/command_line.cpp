#include "command_line.h"

#include <map>

namespace korvan::host {

namespace {

// Options taking a value, and the member each fills.
const std::map<std::string, std::string Options::*>& valueOptions() {
    static const std::map<std::string, std::string Options::*> options{
        {"--plugin", &Options::pluginPath},   {"--html", &Options::htmlPath},
        {"--workdir", &Options::workDir},     {"--kda", &Options::kdaPath},
        {"--cty", &Options::ctyPath},         {"--own-call", &Options::ownCall},
        {"--prefix", &Options::ownPrefix},    {"--continent", &Options::ownContinent},
        {"--band", &Options::band},           {"--mode", &Options::mode},
        {"--time", &Options::time},
    };
    return options;
}

}  // namespace

std::string usageText() {
    return "usage:\n"
           "  korvan-host score LOG [options]\n"
           "  korvan-host check CALL --band B --mode M LOG [options]\n"
           "  korvan-host remove LOG --call C --band B --mode M --time \"YYYY-MM-DD HHMM\" [options]\n"
           "\n"
           "LOG is an ADIF (.adi) or Cabrillo (.cbr, .log) file.\n"
           "options:\n"
           "  --plugin PATH     plug-in library (default: the one beside korvan-host)\n"
           "  --html FILE       ask for HTML statistics and write them to FILE\n"
           "  --export          export run: Cabrillo header editor and Cabrillo log\n"
           "  --workdir DIR     the host's working folder for the plug-in's files (default: .)\n"
           "  --kda FILE        copy FILE to Plugins/kda.dom in the working folder\n"
           "  --cty FILE        country file (default: cty.dat beside korvan-host, then the system one)\n"
           "  --call C          own call (score, check); the QSO's call (remove)\n"
           "  --own-call C      own call (all commands)\n"
           "  --prefix P        own DXCC prefix (default: from the country file)\n"
           "  --continent C     own continent (default: from the country file)\n"
           "exit codes: 0 success, 1 bad input, 2 usage error, 3 plug-in not loaded\n";
}

Options parseCommandLine(const std::vector<std::string>& args) {
    Options options;
    if (args.empty()) throw UsageError("no command given");
    const std::string& verb = args[0];
    if (verb == "help" || verb == "--help" || verb == "-h") return options;
    if (verb == "score")
        options.command = Command::score;
    else if (verb == "check")
        options.command = Command::check;
    else if (verb == "remove")
        options.command = Command::remove;
    else
        throw UsageError("unknown command \"" + verb + "\" (expected score, check or remove)");

    std::vector<std::string> positional;
    std::string callOption;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string word = args[i];
        if (word == "--help" || word == "-h") {
            options.command = Command::help;
            return options;
        }
        if (word.size() < 2 || word.rfind("--", 0) != 0) {
            positional.push_back(word);
            continue;
        }
        if (word == "--export") {
            options.exportRun = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (std::size_t eq = word.find('='); eq != std::string::npos) {
            value = word.substr(eq + 1);
            word = word.substr(0, eq);
            hasValue = true;
        }
        std::string* target = nullptr;
        if (word == "--call") {
            target = &callOption;
        } else if (auto it = valueOptions().find(word); it != valueOptions().end()) {
            target = &(options.*(it->second));
        } else {
            throw UsageError("unknown option " + word);
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) throw UsageError(word + " needs a value");
            value = args[++i];
        }
        if (value.empty()) throw UsageError(word + " needs a non-empty value");
        *target = value;
    }

    auto require = [](const std::string& value, const char* what) {
        if (value.empty()) throw UsageError(std::string("missing ") + what);
    };
    switch (options.command) {
        case Command::score:
            if (positional.size() != 1) throw UsageError("score takes exactly one LOG");
            options.logPath = positional[0];
            if (!callOption.empty()) options.ownCall = callOption;
            break;
        case Command::check:
            if (positional.size() != 2) throw UsageError("check takes a CALL and a LOG");
            options.workedCall = positional[0];
            options.logPath = positional[1];
            if (!callOption.empty()) options.ownCall = callOption;
            require(options.band, "--band");
            require(options.mode, "--mode");
            break;
        case Command::remove:
            if (positional.size() != 1) throw UsageError("remove takes exactly one LOG");
            options.logPath = positional[0];
            options.workedCall = callOption;
            require(options.workedCall, "--call");
            require(options.band, "--band");
            require(options.mode, "--mode");
            require(options.time, "--time");
            break;
        case Command::help:
            break;
    }
    return options;
}

}  // namespace korvan::host
