#include "command_line.h"

#include <map>

#include "text.h"

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
        {"--time", &Options::time},           {"--header", &Options::headerPath},
        {"--url", &Options::url},             {"--contest", &Options::contest},
        {"--body", &Options::body},
        {"--out", &Options::reportPath},      {"--off-time", &Options::offTime},
    };
    return options;
}

// Options without a value.
const std::map<std::string, bool Options::*>& flagOptions() {
    static const std::map<std::string, bool Options::*> options{
        {"--export", &Options::exportRun},
        {"--verbose", &Options::verbose},
    };
    return options;
}

void require(const std::string& value, const char* what) {
    if (value.empty()) throw UsageError(std::string("missing ") + what);
}

// The words of a command line after the verb: the positional words, and
// the value of --call, whose meaning depends on the command.
struct Words {
    std::vector<std::string> positional;
    std::string callOption;
};

void finishScore(Options& o, const Words& w) {
    if (w.positional.size() != 1) throw UsageError("score takes exactly one LOG");
    o.logPath = w.positional[0];
    if (!w.callOption.empty()) o.ownCall = w.callOption;
}

void finishCheck(Options& o, const Words& w) {
    if (w.positional.size() != 2) throw UsageError("check takes a CALL and a LOG");
    o.workedCall = w.positional[0];
    o.logPath = w.positional[1];
    if (!w.callOption.empty()) o.ownCall = w.callOption;
    require(o.band, "--band");
    require(o.mode, "--mode");
}

void finishRemove(Options& o, const Words& w) {
    if (w.positional.size() != 1) throw UsageError("remove takes exactly one LOG");
    o.logPath = w.positional[0];
    o.workedCall = w.callOption;
    require(o.workedCall, "--call");
    require(o.band, "--band");
    require(o.mode, "--mode");
    require(o.time, "--time");
}

void finishPost(Options& o, const Words& w) {
    if (w.positional.size() != 1) throw UsageError("post takes exactly one LOG");
    o.logPath = w.positional[0];
    if (!w.callOption.empty()) o.ownCall = w.callOption;
    require(o.url, "--url");
    // Each goes into a line of the settings file.
    if (firstControlCharacter(o.url) || firstControlCharacter(o.contest))
        throw UsageError("--url and --contest take no control characters");
    if (!o.body.empty() && o.body != "form" && o.body != "xml")
        throw UsageError("--body expects form or xml, not \"" + shortened(o.body) + "\"");
}

void finishReport(Options& o, const Words& w) {
    if (w.positional.size() != 1) throw UsageError("report takes exactly one LOG");
    o.logPath = w.positional[0];
    if (!w.callOption.empty()) o.ownCall = w.callOption;
    if (o.exportRun) throw UsageError("report makes no export run; --export belongs to score");
    if (!o.htmlPath.empty()) throw UsageError("report writes its page to --out FILE, not --html");
    if (o.reportPath.empty()) o.reportPath = "report.html";
    if (!o.offTime.empty()) {
        const bool digits = o.offTime.size() <= 5 && o.offTime.find_first_not_of("0123456789") == std::string::npos;
        const int minutes = digits ? std::stoi(o.offTime) : 0;
        if (minutes < 1 || minutes > 10080)
            throw UsageError("--off-time expects whole minutes from 1 to 10080, not \"" + shortened(o.offTime) + "\"");
        o.offTimeMinutes = minutes;
    }
}

struct Subcommand {
    const char* verb;
    Command command;
    const char* synopsis;
    void (*finish)(Options&, const Words&);
};

const Subcommand kSubcommands[] = {
    {"score", Command::score, "korvan-host score LOG [options]", finishScore},
    {"check", Command::check, "korvan-host check CALL --band B --mode M LOG [options]", finishCheck},
    {"remove", Command::remove, "korvan-host remove LOG --call C --band B --mode M --time \"YYYY-MM-DD HHMM\" [options]",
     finishRemove},
    {"post", Command::post, "korvan-host post LOG --url URL [--contest NAME] [--body form|xml] [options]", finishPost},
    {"report", Command::report, "korvan-host report LOG [--out FILE] [--off-time MINUTES] [options]", finishReport},
};

}  // namespace

std::string usageText() {
    std::string text = "usage:\n";
    for (const Subcommand& s : kSubcommands) text += std::string("  ") + s.synopsis + "\n";
    text += "  korvan-host live LOG --script FILE --journal FILE [options]   (see korvan-host live --help)\n";
    return text +
           "\n"
           "LOG is an ADIF or Cabrillo log (the format is told by its content); - reads standard input.\n"
           "options:\n"
           "  --plugin PATH     plug-in library (default: the one beside korvan-host)\n"
           "  --html FILE       ask for HTML statistics and write them to FILE\n"
           "  --export          export run: Cabrillo header editor and Cabrillo log\n"
           "  --header FILE     Cabrillo header of the export run (TAG: value lines; Linux)\n"
           "  --workdir DIR     the host's working folder for the plug-in's files (default: .)\n"
           "  --kda FILE        copy FILE to Plugins/kda.dom in the working folder\n"
           "  --cty FILE        country file (default: cty.dat beside korvan-host, then the system one)\n"
           "  --call C          own call (score, check); the QSO's call (remove)\n"
           "  --own-call C      own call (all commands)\n"
           "  --prefix P        own DXCC prefix (default: from the country file)\n"
           "  --continent C     own continent (default: from the country file)\n"
           "  --verbose         every warning about the log, not a summary\n"
           "  --url URL         post: the scoreboard's address (http or https)\n"
           "  --contest NAME    post: the scoreboard's name of the contest (default: the settings', KORVAN)\n"
           "  --body form|xml   post: the document as form field xml (default) or as text/xml\n"
           "  --out FILE        report: the page to write (default: report.html)\n"
           "  --off-time M      report: a gap of at least M minutes between QSOs is a break (default: 30)\n"
           "exit codes: 0 success, 1 bad input, 2 usage error, 3 plug-in not loaded,\n"
           "            5 the scoreboard did not take the score (post),\n"
           "            6 an export run produced no Cabrillo log (score --export)\n";
}

Options parseCommandLine(const std::vector<std::string>& args) {
    Options options;
    if (args.empty()) throw UsageError("no command given");
    const std::string& verb = args[0];
    if (verb == "help" || verb == "--help" || verb == "-h") return options;
    const Subcommand* subcommand = nullptr;
    for (const Subcommand& s : kSubcommands)
        if (verb == s.verb) subcommand = &s;
    if (!subcommand) {
        std::string verbs;
        for (const Subcommand& s : kSubcommands) verbs += (verbs.empty() ? "" : ", ") + std::string(s.verb);
        throw UsageError("unknown command \"" + shortened(verb) + "\" (expected " + verbs + ")");
    }
    options.command = subcommand->command;

    Words words;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string word = args[i];
        if (word == "--help" || word == "-h") {
            options.command = Command::help;
            return options;
        }
        // "-" alone names standard input; any other word that starts with
        // '-' is an option.
        if (word.size() < 2 || word[0] != '-') {
            words.positional.push_back(word);
            continue;
        }
        if (auto flag = flagOptions().find(word); flag != flagOptions().end()) {
            options.*(flag->second) = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (std::size_t eq = word.find('='); eq != std::string::npos && word.rfind("--", 0) == 0) {
            value = word.substr(eq + 1);
            word = word.substr(0, eq);
            hasValue = true;
        }
        std::string* target = nullptr;
        if (word == "--call") {
            target = &words.callOption;
        } else if (auto it = valueOptions().find(word); it != valueOptions().end()) {
            target = &(options.*(it->second));
        } else {
            throw UsageError("unknown option " + shortened(word));
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) throw UsageError(word + " needs a value");
            value = args[++i];
        }
        if (value.empty()) throw UsageError(word + " needs a non-empty value");
        *target = value;
    }
    // A call reaches the plug-in's settings file and file names: it takes
    // no control characters, as no call in a log may.
    for (const auto& [option, call] : {std::pair<const char*, const std::string&>{"--call", words.callOption},
                                       {"--own-call", options.ownCall}})
        if (firstControlCharacter(call)) throw UsageError(std::string(option) + " takes no control characters");
    subcommand->finish(options, words);
    return options;
}

}  // namespace korvan::host
