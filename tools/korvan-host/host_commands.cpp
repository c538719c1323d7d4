#include "host_commands.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "bands.h"
#include "command_line.h"
#include "country_file.h"
#include "header_preset.h"
#include "log_error.h"
#include "log_reader.h"
#include "whole_file.h"
#include "plugin_loader.h"
#include "post_command.h"
#include "replay.h"
#include "resources/resource.h"
#include "report_command.h"
#include "text.h"

namespace fs = std::filesystem;

namespace korvan::host {

namespace {

bool isFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

std::string findPlugin(const Options& options, const Defaults& defaults) {
    if (!options.pluginPath.empty()) return absolutePath(options.pluginPath);
    // Beside the executable (as a Windows host keeps its plug-ins, and as
    // the release package lays them out), in ../lib/korvan/ (where
    // cmake --install puts it), then the one built in the source tree.
    const std::string folder = executableFolder();
    const std::string beside = folder + defaults.pluginFileName;
    const std::string installed = folder + "../lib/korvan/" + defaults.pluginFileName;
    if (isFile(beside)) return beside;
    if (!folder.empty() && isFile(installed)) return installed;
    if (!defaults.builtPlugin.empty() && isFile(defaults.builtPlugin)) return defaults.builtPlugin;
    return beside;
}

std::string findCountryFile(const Options& options, const Defaults& defaults) {
    if (!options.ctyPath.empty()) return absolutePath(options.ctyPath);
    // Beside the executable (as the release package lays it out), then the
    // system's.
    std::string tried;
    for (const std::string& candidate : {executableFolder() + "cty.dat", defaults.ctyPath}) {
        if (candidate.empty()) continue;
        if (isFile(candidate)) return candidate;
        tried += (tried.empty() ? "\"" : ", \"") + candidate + "\"";
    }
    throw InputError("cty.dat", 0, "no country file found (tried " + (tried.empty() ? std::string("nothing") : tried) +
                                       "); give one with --cty FILE");
}

// Fills in the worked stations' prefixes and continents; a call the
// country file does not know is named once.
void resolveCountries(ContactLog& log, const CountryFile& countries) {
    std::set<std::string> unknown;
    for (Qso& q : log.qsos) {
        if (auto country = countries.resolve(q.call)) {
            q.dxccPrefix = country->prefix;
            q.continent = country->continent;
        } else if (unknown.insert(q.call).second) {
            log.warnings.push_back({q.line, "no country found for " + shortened(q.call), "no country"});
        }
    }
}

void warnOfOtherContest(ContactLog& log) {
    if (!log.contestName.empty() && toUpper(log.contestName).find("KORVAN") == std::string::npos)
        log.warnings.insert(log.warnings.begin(), {0,
                                                   "this is a log of the contest \"" + shortened(log.contestName) +
                                                       "\", not of the Korvan contest; it is scored all the same",
                                                   "other contest"});
}

// One line of stderr; bytes from the log are escaped.
void say(std::ostream& err, const std::string& text) { err << printable(text) << '\n'; }

constexpr std::size_t kErrorsListed = 20;
constexpr std::size_t kWarningsPerKind = 3;

// Lists the malformed records (then throws: nothing is replayed) and the
// warnings, the first few of each kind unless verbose.
void reportLog(const ContactLog& log, bool verbose, std::ostream& err) {
    std::map<std::string, std::size_t> shown, left;
    for (const LogNote& w : log.warnings) {
        if (verbose || shown[w.kind] < kWarningsPerKind) {
            ++shown[w.kind];
            say(err, locate(log.fileName, w.line, w.message));
        } else {
            ++left[w.kind];
        }
    }
    for (const auto& [kind, count] : left)
        say(err, locate(log.fileName, 0,
                        std::to_string(count) + " more warning" + (count == 1 ? "" : "s") + " of the kind \"" + kind +
                            "\" (--verbose shows them all)"));

    if (log.errors.empty()) {
        if (log.qsos.empty()) throw InputError(log.fileName, 0, "holds no QSO; there is nothing to score");
        return;
    }
    if (log.errors.size() == 1 && log.errors[0].line == 0)  // the file as a whole
        throw InputError(log.fileName, 0, log.errors[0].message);
    for (std::size_t i = 0; i < log.errors.size() && i < kErrorsListed; ++i)
        say(err, locate(log.fileName, log.errors[i].line, log.errors[i].message));
    if (log.errors.size() > kErrorsListed)
        say(err, locate(log.fileName, 0, std::to_string(log.errors.size() - kErrorsListed) + " more malformed records"));
    const std::size_t n = log.errors.size();
    throw InputError(log.fileName, 0,
                     std::to_string(n) + " malformed record" + (n == 1 ? "" : "s") + "; nothing was replayed");
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
        say(err, "korvan-host: no country found for the own call " + own.call + "; give --prefix and --continent");
    return own;
}

[[noreturn]] void systemError(const std::string& path, const std::string& what, const std::error_code& ec) {
    throw InputError(path, 0, what + ": " + ec.message());
}

// Copies the file's bytes (copy_file of some runtimes refuses to overwrite
// an existing file even when asked to).
void copyOver(const std::string& from, const fs::path& to) {
    const std::string content = readWholeFile(from);
    std::ofstream file(to, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    if (!file) throw InputError(to.string(), 0, std::string("cannot be written: ") + std::strerror(errno));
}

// The host's working folder: the plug-in keeps Plugins/Korvan.ini, reads
// Plugins/kda.dom and writes its bad-QSO and Cabrillo files there.
void enterWorkFolder(const Options& options) {
    std::string kda = absolutePath(options.kdaPath);
    std::error_code ec;
    if (!kda.empty() && !isFile(kda)) throw InputError(options.kdaPath, 0, "cannot be opened for reading: no such file");
    if (!options.workDir.empty()) {
        fs::create_directories(options.workDir, ec);
        if (ec) systemError(options.workDir, "cannot make the folder", ec);
        fs::current_path(options.workDir, ec);
        if (ec) systemError(options.workDir, "cannot enter the folder", ec);
    }
    fs::create_directories("Plugins", ec);
    if (ec) systemError(absolutePath("Plugins"), "cannot make the folder", ec);
    if (!kda.empty()) copyOver(kda, fs::path("Plugins") / "kda.dom");
}

void writeOutput(const std::string& text, const std::string& htmlPath, std::ostream& out) {
    if (!htmlPath.empty()) {
        std::ofstream file(htmlPath, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file) throw InputError(htmlPath, 0, std::string("cannot be written: ") + std::strerror(errno));
        return;
    }
    out << text;
    if (!text.empty() && text.back() != '\n') out << '\n';
}

// The Cabrillo logs in the working folder and when each was last written.
// An export run writes its log afresh (a new file renamed over the old one,
// or the old one written in place), so a run after which they are all as
// they were produced none, whatever the plug-in's box said.
using LogStamps = std::map<std::string, fs::file_time_type>;

LogStamps cabrilloLogStamps() {
    LogStamps stamps;
    std::error_code ec;
    for (fs::directory_iterator it(".", ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        if (it->path().extension() == ".cbr" && it->is_regular_file(entryError))
            stamps[it->path().filename().string()] = it->last_write_time(entryError);
    }
    return stamps;
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

// Band and mode given on the command line, checked as the log readers do.
std::string bandOption(const std::string& text) {
    if (auto band = canonicalBand(text)) return *band;
    throw UsageError("--band expects an amateur band such as 20m, not \"" + shortened(text) + "\"");
}

std::string modeOption(const std::string& text) {
    if (!isKnownMode(text)) throw UsageError("--mode expects a mode such as CW or SSB, not \"" + shortened(text) + "\"");
    return hostMode(text);
}

#ifndef _WIN32
// The headless header editor's answer during the run (HeaderAnswer sets it,
// the plug-in's window thread reads it).
std::mutex editorAnswerLock;
std::string editorAnswer;

void setEditorAnswer(std::string answer) {
    std::lock_guard<std::mutex> guard(editorAnswerLock);
    editorAnswer = std::move(answer);
}
#endif

// The header of an export run: the Cabrillo log's own lines, then --header.
// Where the plug-in's editor is headless it is answered with them.
class HeaderAnswer {
public:
    HeaderAnswer(const Options& options, ContactLog& log, std::ostream& err) {
        if (!options.exportRun) {
            if (!options.headerPath.empty()) say(err, "korvan-host: --header is used by export runs (--export) only");
            return;
        }
        HeaderPreset preset = headerFromLog(log);
        if (!options.headerPath.empty())
            preset = mergeHeaders(preset, parseHeaderFile(readWholeFile(options.headerPath), options.headerPath));
        if (preset.empty()) return;
#ifdef _WIN32
        if (!options.headerPath.empty())
            say(err, "korvan-host: the Cabrillo header editor opens on Windows; fill it in there (--header is not used)");
#else
        setEditorAnswer(headlessEditorAnswer(preset));
        set_ = true;
#endif
    }
    ~HeaderAnswer() {
#ifndef _WIN32
        if (set_) setEditorAnswer({});
#endif
    }
    HeaderAnswer(const HeaderAnswer&) = delete;
    HeaderAnswer& operator=(const HeaderAnswer&) = delete;

private:
    bool set_ = false;
};

int run(const Options& options, const Defaults& defaults, std::ostream& out, std::ostream& err) {
    // Every path the user gave is taken relative to the folder korvan-host
    // was started in, before it moves to the working folder.
    const std::string htmlPath = absolutePath(options.htmlPath);
    const std::string reportPath = absolutePath(options.reportPath);
    const std::string pluginPath = findPlugin(options, defaults);

    std::string band, mode;
    std::optional<CivilTime> removeMinute;
    if (options.command == Command::check || options.command == Command::remove) {
        band = bandOption(options.band);
        mode = modeOption(options.mode);
    }
    if (options.command == Command::remove) {
        removeMinute = parseMinute(options.time);
        if (!removeMinute) throw UsageError("--time expects \"YYYY-MM-DD HHMM\", got \"" + shortened(options.time) + "\"");
    }

    const CountryFile countries = CountryFile::load(findCountryFile(options, defaults));
    ContactLog log = readLogFile(options.logPath);
    resolveCountries(log, countries);
    warnOfOtherContest(log);
    HeaderAnswer header(options, log, err);
    reportLog(log, options.verbose, err);
    const Station own = ownStation(options, log, countries, err);

    std::optional<Qso> removed;
    if (options.command == Command::remove) {
        removed = findContact(log, toUpper(options.workedCall), band, mode, *removeMinute);
        if (!removed)
            throw InputError(log.fileName, 0,
                             "has no QSO with " + toUpper(options.workedCall) + " on " + band + " in " + mode + " at " +
                                 formatMinute(*removeMinute) + "; nothing was removed");
    }

    std::optional<ReportPage> page;
    if (options.command == Command::report) page.emplace(reportPath);
    enterWorkFolder(options);
    if (options.command == Command::post) writePostSettings(options);
    PluginLibrary plugin(pluginPath);
    HostSession session(plugin.api());
    if (!htmlPath.empty()) session.useHtmlOutput(kHostVersion);

    // The plug-in names the contest (the statistics heading, the bad-QSO
    // file) after its second date-time: pass the contest's start for both,
    // as an operator starts the contest run on its first day.
    const DateTime start = contestSpan(log).first;
    session.reset("./", options.exportRun, own, start, start);
    if (options.command == Command::report)
        return writeReport(session, {log, countries, own, start, options.reportPath, options.offTimeMinutes}, *page, out,
                           err);
    const bool showProgress = log.qsos.size() > 5000 && stderrIsTerminal();
    replayLog(session, log, [&](std::size_t done, std::size_t total) {
        if (!showProgress) return;
        err << "\rkorvan-host: replaying QSO " << done << " of " << total << (done == total ? "\n" : "")
            << std::flush;
    });

    switch (options.command) {
        case Command::score: {
            const LogStamps before = options.exportRun ? cabrilloLogStamps() : LogStamps{};
            writeOutput(session.result(), htmlPath, out);
            // A script that submits the log after the run must not send a
            // stale one: say so and fail.
            if (options.exportRun && cabrilloLogStamps() == before) {
                say(err, "korvan-host: the export run produced no Cabrillo log; an old one is left as it was");
                return exitExportNotProduced;
            }
            break;
        }
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
        case Command::remove:
            session.remove(*removed);
            writeOutput(session.result(), htmlPath, out);
            break;
        case Command::post:
            return postScore(session, out);
        case Command::help:
        case Command::report:
            break;
    }
    return exitSuccess;
}

}  // namespace

int runHostCommand(const std::vector<std::string>& args, const Defaults& defaults, std::ostream& out,
                   std::ostream& err) {
    int code = exitSuccess;
    try {
        Options options = parseCommandLine(args);
        if (options.command == Command::help)
            out << usageText();
        else
            code = run(options, defaults, out, err);
    } catch (const UsageError& e) {
        say(err, std::string("korvan-host: ") + e.what() + " (see korvan-host --help)");
        return exitUsage;
    } catch (const InputError& e) {
        say(err, std::string("korvan-host: ") + e.what());
        return exitBadInput;
    } catch (const PluginLoadError& e) {
        say(err, std::string("korvan-host: ") + e.what());
        return exitPluginNotLoaded;
    } catch (const fs::filesystem_error& e) {
        say(err, "korvan-host: " + e.path1().string() + ": " + e.code().message());
        return exitBadInput;
    } catch (const std::exception& e) {
        say(err, std::string("korvan-host: ") + e.what());
        return exitBadInput;
    }
    // What was printed must have arrived: a full disk or /dev/full shows
    // only when the stream is flushed.
    out.flush();
    if (!out) {
        say(err, "korvan-host: cannot write the standard output" +
                     std::string(errno ? std::string(": ") + std::strerror(errno) : std::string()));
        return exitBadInput;
    }
    return code;
}

PreparedRun prepareRun(const Options& options, const Defaults& defaults, std::ostream& err) {
    const std::string htmlPath = absolutePath(options.htmlPath);
    const std::string pluginPath = findPlugin(options, defaults);
    CountryFile countries = CountryFile::load(findCountryFile(options, defaults));
    ContactLog log = readLogFile(options.logPath);
    resolveCountries(log, countries);
    warnOfOtherContest(log);
    reportLog(log, options.verbose, err);
    const Station own = ownStation(options, log, countries, err);
    enterWorkFolder(options);
    return PreparedRun{pluginPath, htmlPath, std::move(log), own, std::move(countries)};
}

}  // namespace korvan::host

#ifndef _WIN32
extern "C" __attribute__((visibility("default"))) unsigned korvan_host_modal_answer(int templateId, char* buffer,
                                                                                    unsigned size) {
    if (templateId != IDD_CABRILLO) return 0;
    std::lock_guard<std::mutex> guard(korvan::host::editorAnswerLock);
    const std::string& answer = korvan::host::editorAnswer;
    if (buffer && size > 0) {
        const std::size_t n = std::min<std::size_t>(answer.size(), size - 1);
        std::memcpy(buffer, answer.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<unsigned>(answer.size());
}
#endif
