#include "host_commands.h"

#include <filesystem>
#include <fstream>
#include <optional>

#include "bands.h"
#include "command_line.h"
#include "country_file.h"
#include "live_command.h"
#include "log_error.h"
#include "log_reader.h"
#include "plugin_loader.h"
#include "replay.h"
#include "text.h"

namespace fs = std::filesystem;

namespace korvan::host {

namespace {

const char* const kHostVersion = "korvan-host 1.0";

std::string absolute(const std::string& path) {
    return path.empty() ? path : fs::absolute(fs::path(path)).string();
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

std::string findPlugin(const Options& options, const Defaults& defaults) {
    if (!options.pluginPath.empty()) return absolute(options.pluginPath);
    std::string beside = executableFolder() + defaults.pluginFileName;
    if (isFile(beside) || defaults.builtPlugin.empty() || !isFile(defaults.builtPlugin)) return beside;
    return defaults.builtPlugin;
}

std::string findCountryFile(const Options& options, const Defaults& defaults) {
    if (!options.ctyPath.empty()) return absolute(options.ctyPath);
    std::string beside = executableFolder() + "cty.dat";
    if (isFile(beside)) return beside;
    if (isFile(defaults.ctyPath)) return defaults.ctyPath;
    throw InputError("cty.dat", 0, "no country file found beside korvan-host or at \"" + defaults.ctyPath +
                                       "\"; give one with --cty FILE");
}

// Fills in the worked stations' prefixes and continents.
void resolveCountries(ContactLog& log, const CountryFile& countries) {
    for (Qso& q : log.qsos) {
        if (auto country = countries.resolve(q.call)) {
            q.dxccPrefix = country->prefix;
            q.continent = country->continent;
        } else {
            log.warnings.push_back({q.line, "no country found for " + q.call});
        }
    }
}

Station ownStation(const Options& options, const ContactLog& log, const CountryFile& countries,
                   std::ostream& err) {
    Station own;
    own.call = toUpper(options.ownCall.empty() ? log.ownCall : options.ownCall);
    if (own.call.empty())
        throw InputError(log.fileName, 0, "names no own call (CALLSIGN, STATION_CALLSIGN or OPERATOR); give --call");
    auto country = countries.resolve(own.call);
    own.prefix = !options.ownPrefix.empty() ? options.ownPrefix : country ? country->prefix : "";
    own.continent = !options.ownContinent.empty() ? toUpper(options.ownContinent) : country ? country->continent : "";
    if (own.prefix.empty() || own.continent.empty())
        err << "korvan-host: no country found for the own call " << own.call
            << "; give --prefix and --continent\n";
    return own;
}

// The host's working folder: the plug-in keeps Plugins/Korvan.ini, reads
// Plugins/kda.dom and writes its bad-QSO and Cabrillo files there.
void enterWorkFolder(const Options& options) {
    std::string kda = absolute(options.kdaPath);
    if (!kda.empty() && !isFile(kda)) throw InputError(options.kdaPath, 0, "cannot be opened for reading");
    if (!options.workDir.empty()) {
        fs::create_directories(options.workDir);
        fs::current_path(options.workDir);
    }
    fs::create_directories("Plugins");
    if (!kda.empty()) fs::copy_file(kda, fs::path("Plugins") / "kda.dom", fs::copy_options::overwrite_existing);
}

void writeOutput(const std::string& text, const std::string& htmlPath, std::ostream& out) {
    if (!htmlPath.empty()) {
        std::ofstream file(htmlPath, std::ios::binary | std::ios::trunc);
        file << text;
        if (!file) throw InputError(htmlPath, 0, "cannot be written");
        return;
    }
    out << text;
    if (!text.empty() && text.back() != '\n') out << '\n';
}

// Finds the logged contact that a remove command names: same call, band,
// mode and minute. The host hands the contact as it was logged.
std::optional<Qso> findContact(const ContactLog& log, const std::string& call, const std::string& band,
                               const std::string& mode, const CivilTime& minute) {
    for (const Qso& q : log.qsos) {
        auto t = toCivilTime(q.time);
        if (q.call == call && q.band == band && q.mode == mode && t && t->year == minute.year &&
            t->month == minute.month && t->day == minute.day && t->hour == minute.hour && t->minute == minute.minute)
            return q;
    }
    return std::nullopt;
}

int run(const Options& options, const Defaults& defaults, std::ostream& out, std::ostream& err) {
    // Every path the user gave is taken relative to the folder korvan-host
    // was started in, before it moves to the working folder.
    const std::string logPath = options.logPath;
    const std::string htmlPath = absolute(options.htmlPath);
    const std::string pluginPath = findPlugin(options, defaults);

    const CountryFile countries = CountryFile::load(findCountryFile(options, defaults));
    ContactLog log = readLogFile(logPath);
    resolveCountries(log, countries);
    for (const LogWarning& w : log.warnings) err << locate(log.fileName, w.line, w.message) << '\n';
    const Station own = ownStation(options, log, countries, err);

    std::optional<CivilTime> removeMinute;
    std::string band = options.band, mode = hostModeFromUser(options.mode);
    if (!band.empty()) band = canonicalBand(band).value_or(band);
    if (options.command == Command::remove) {
        removeMinute = parseMinute(options.time);
        if (!removeMinute) throw UsageError("--time expects \"YYYY-MM-DD HHMM\", got \"" + options.time + "\"");
    }

    const std::string absoluteLog = absolute(logPath);
    enterWorkFolder(options);
    PluginLibrary plugin(pluginPath);
    HostSession session(plugin.api());
    if (!htmlPath.empty()) session.useHtmlOutput(kHostVersion);

    // The plug-in names the contest (the statistics heading, the bad-QSO
    // file) after its second date-time: pass the contest's start for both,
    // as an operator starts the contest run on its first day.
    const DateTime start = contestSpan(log).first;
    session.reset("./", options.exportRun, own, start, start);
    const bool showProgress = log.qsos.size() > 5000 && stderrIsTerminal();
    replayLog(session, log, [&](std::size_t done, std::size_t total) {
        if (!showProgress) return;
        err << "\rkorvan-host: replaying QSO " << done << " of " << total << (done == total ? "\n" : "")
            << std::flush;
    });

    switch (options.command) {
        case Command::score:
            writeOutput(session.result(), htmlPath, out);
            break;
        case Command::check: {
            const std::string call = toUpper(options.workedCall);
            auto country = countries.resolve(call);
            CheckAnswer answer = session.check(call, band, mode, country ? country->prefix : "",
                                               country ? country->continent : "");
            const char* verdict = answer.result == 0   ? "dupe"
                                  : answer.result == 2 ? "new KDA area"
                                                       : "neither dupe nor new KDA area";
            out << call << " " << band << " " << mode << ": " << verdict << " (" << answer.result << ")\n";
            out << "KDA code: " << (answer.code.empty() ? "(none)" : answer.code) << "\n";
            break;
        }
        case Command::remove: {
            const std::string call = toUpper(options.workedCall);
            std::optional<Qso> qso = findContact(log, call, band, mode, *removeMinute);
            if (!qso) {
                err << "korvan-host: " << absoluteLog << " has no QSO with " << call << " on " << band << " in "
                    << mode << " at " << formatMinute(*removeMinute) << "; the plug-in is asked all the same\n";
                qso = Qso{};
                qso->call = call;
                qso->band = band;
                qso->mode = mode;
                qso->time = makeDateTime(*removeMinute);
                qso->ownCall = own.call;
            }
            session.remove(*qso);
            writeOutput(session.result(), htmlPath, out);
            break;
        }
        case Command::help:
            break;
    }
    return exitSuccess;
}

}  // namespace

int runHostCommand(const std::vector<std::string>& args, const Defaults& defaults, std::ostream& out,
                   std::ostream& err) {
    try {
        Options options = parseCommandLine(args);
        if (options.command == Command::help) {
            out << usageText();
            return exitSuccess;
        }
        return run(options, defaults, out, err);
    } catch (const UsageError& e) {
        err << "korvan-host: " << e.what() << "\n" << usageText();
        return exitUsage;
    } catch (const InputError& e) {
        err << "korvan-host: " << e.what() << "\n";
        return exitBadInput;
    } catch (const PluginLoadError& e) {
        err << "korvan-host: " << e.what() << "\n";
        return exitPluginNotLoaded;
    } catch (const fs::filesystem_error& e) {
        err << "korvan-host: " << e.what() << "\n";
        return exitBadInput;
    } catch (const std::exception& e) {
        err << "korvan-host: " << e.what() << "\n";
        return exitBadInput;
    }
}

PreparedRun prepareRun(const Options& options, const Defaults& defaults, std::ostream& err) {
    const std::string htmlPath = absolute(options.htmlPath);
    const std::string pluginPath = findPlugin(options, defaults);
    CountryFile countries = CountryFile::load(findCountryFile(options, defaults));
    ContactLog log = readLogFile(options.logPath);
    resolveCountries(log, countries);
    for (const LogWarning& w : log.warnings) err << locate(log.fileName, w.line, w.message) << '\n';
    const Station own = ownStation(options, log, countries, err);
    enterWorkFolder(options);
    return PreparedRun{pluginPath, htmlPath, std::move(log), own, std::move(countries)};
}

}  // namespace korvan::host
