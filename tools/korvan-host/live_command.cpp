#include "live_command.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>

#include "live_host.h"
#include "live_observation.h"
#include "live_script.h"
#include "live_state.h"
#include "log_error.h"
#include "plugin_loader.h"
#include "text.h"
#include "whole_file.h"

namespace fs = std::filesystem;

namespace korvan::host {

namespace {

// Every wait of a script step ends after this long unless --step-limit
// says otherwise.
constexpr std::chrono::milliseconds kDefaultStepLimit{20000};
// How often "expect ... checking" makes its call check again.
constexpr std::chrono::milliseconds kRecheckInterval{50};
// How long the host waits for the plug-in's windows to close at the end.
constexpr std::chrono::milliseconds kCloseLimit{8000};

struct LiveOptions {
    std::string scriptPath, journalPath, observePath, snapshotFolder;
    Apartment apartment = Apartment::mta;
    Automation automation = Automation::registered;
    std::chrono::milliseconds stepLimit = kDefaultStepLimit;
    Options usual;
};

std::string liveUsage() {
    return "usage:\n"
           "  korvan-host live LOG --script FILE --journal FILE [--observe FILE] [--snapshots DIR]\n"
           "                   [--apartment mta|sta] [--automation registered|not-running|absent]\n"
           "                   [--step-limit MS] [options]\n"
           "Replays LOG step by step as the script says while korvan-host plays the host's automation\n"
           "object; the options are those of korvan-host score (see korvan-host --help).\n"
           "exit codes: 0 success, 1 bad input or a step that failed or timed out, 2 usage error,\n"
           "            3 plug-in not loaded, 4 the host object could not be offered\n";
}

LiveOptions parseLiveOptions(const std::vector<std::string>& args) {
    LiveOptions live;
    std::vector<std::string> rest{"score"};
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string word = args[i], value;
        bool hasValue = false;
        if (std::size_t eq = word.find('='); word.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = word.substr(eq + 1);
            word = word.substr(0, eq);
            hasValue = true;
        }
        static const std::map<std::string, int> own{{"--script", 0},   {"--journal", 1},    {"--observe", 2},
                                                    {"--snapshots", 3}, {"--apartment", 4}, {"--automation", 5},
                                                    {"--step-limit", 6}};
        auto it = own.find(word);
        if (it == own.end()) {
            rest.push_back(args[i]);
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) throw UsageError(word + " needs a value");
            value = args[++i];
        }
        if (value.empty()) throw UsageError(word + " needs a non-empty value");
        switch (it->second) {
            case 0: live.scriptPath = absolutePath(value); break;
            case 1: live.journalPath = absolutePath(value); break;
            case 2: live.observePath = absolutePath(value); break;
            case 3: live.snapshotFolder = absolutePath(value); break;
            case 4:
                if (value != "mta" && value != "sta") throw UsageError("--apartment expects mta or sta");
                live.apartment = value == "sta" ? Apartment::sta : Apartment::mta;
                break;
            case 5:
                if (value == "registered")
                    live.automation = Automation::registered;
                else if (value == "not-running")
                    live.automation = Automation::notRunning;
                else if (value == "absent")
                    live.automation = Automation::absent;
                else
                    throw UsageError("--automation expects registered, not-running or absent");
                break;
            case 6: {
                char* end = nullptr;
                const long ms = std::strtol(value.c_str(), &end, 10);
                if (*end != '\0' || ms < 1 || ms > 600000)
                    throw UsageError("--step-limit expects milliseconds from 1 to 600000");
                live.stepLimit = std::chrono::milliseconds(ms);
                break;
            }
        }
    }
    if (live.scriptPath.empty()) throw UsageError("live needs --script FILE");
    if (live.journalPath.empty()) throw UsageError("live needs --journal FILE");
    live.usual = parseCommandLine(rest);
    if (live.usual.command == Command::help) throw UsageError("live: see korvan-host live --help");
    return live;
}

// Starts the contest as the host does: both date-times are the log's start.
void resetSession(HostSession& session, const PreparedRun& prepared, bool exportRun) {
    const DateTime start = contestSpan(prepared.log).first;
    session.reset("./", exportRun, prepared.own, start, start);
}

// A step that failed: exit 1, naming the step.
class StepFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ScriptRunner {
public:
    ScriptRunner(const LiveOptions& live, const std::string& scriptName, PreparedRun& prepared, HostSession& session,
                 LiveHost& host, HostObjectState& state, std::ostream& out)
        : live_(live), scriptName_(scriptName), prepared_(prepared), session_(session), host_(host), state_(state),
          out_(out) {
        if (!live.observePath.empty()) {
            observations_.open(live.observePath, std::ios::binary | std::ios::trunc);
            if (!observations_) throw InputError(live.observePath, 0, "cannot be written");
        }
    }

    void run(const std::vector<ScriptStep>& steps) {
        for (const ScriptStep& step : steps) runStep(step);
    }

private:
    [[noreturn]] void fail(const ScriptStep& step, const std::string& why) {
        throw StepFailure(locate(scriptName_, step.line, "step \"" + step.text + "\" " + why));
    }

    std::function<void(std::chrono::milliseconds)> idler() {
        return [this](std::chrono::milliseconds time) { host_.idle(time); };
    }

    CheckAnswer callCheck(const std::string& call, const std::string& band, const std::string& mode) {
        auto country = prepared_.countries.resolve(call);
        return session_.check(call, band, mode, country ? country->prefix : "", country ? country->continent : "");
    }

    // For "expect COMMAND checking CALL BAND MODE": makes the call check now
    // and again every kRecheckInterval while the wait goes on. The plug-in
    // asks its windows for a refresh only at a check made after the last
    // refresh ended, so a script cannot know how long to wait before one
    // check would do.
    std::function<void(std::chrono::milliseconds)> checkingIdler(const ScriptStep& step) {
        const std::string call = toUpper(step.words[2]);
        callCheck(call, step.words[3], step.words[4]);
        auto lastCheck = std::chrono::steady_clock::now();
        return [this, call, &step, lastCheck](std::chrono::milliseconds time) mutable {
            host_.idle(time);
            if (std::chrono::steady_clock::now() - lastCheck < kRecheckInterval) return;
            callCheck(call, step.words[3], step.words[4]);
            lastCheck = std::chrono::steady_clock::now();
        };
    }

    bool windowIs(const std::string& kind, const std::string& wanted) {
        bool exists = false, visible = false;
        for (const WindowView& w : host_.windows()) {
            if (w.kind != kind) continue;
            exists = true;
            visible = visible || w.visible;
        }
        if (wanted == "closed") return !exists;
        if (wanted == "hidden") return exists && !visible;
        return visible;
    }

    // The windows' thread is idle when its windows answered and painted
    // twice in a row with nothing new in between: no call of the host
    // object, no change of a window or of the settings file. (A handler
    // that calls the host object lets a sent message through while the
    // call is under way; the second round catches what it did after.)
    bool settle() {
        const auto deadline = std::chrono::steady_clock::now() + live_.stepLimit;
        std::optional<std::pair<std::size_t, std::string>> previous;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                    std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            if (host_.windowsAnswered(left)) {
                std::pair<std::size_t, std::string> now{
                    state_.journal().size(),
                    observationLine("", {}, host_.windows(), readSettingsSection(kSettingsFile))};
                if (previous && *previous == now) return true;
                previous = std::move(now);
            }
            host_.idle(std::chrono::milliseconds(10));
        }
    }

    // Waits (bounded by the step limit) until the condition holds.
    bool waitUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + live_.stepLimit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            host_.idle(std::chrono::milliseconds(20));
        }
        return true;
    }

    static bool settingIs(const std::string& key, const std::string& value) {
        for (const auto& [k, v] : readSettingsSection(kSettingsFile))
            if (equalsNoCase(k, key)) return v == value;
        return false;
    }

    static std::size_t lineCount(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::size_t lines = 0;
        for (std::string line; std::getline(file, line);) ++lines;
        return lines;
    }

    void writeObservation(const std::string& line) {
        observations_ << line << "\n";
        observations_.flush();
    }

    void runStep(const ScriptStep& step) {
        switch (step.kind) {
            case ScriptStep::frequency:
                state_.setFrequency(step.number);
                break;
            case ScriptStep::call: {
                QsoItemAnswer answer;
                if (step.integerAnswer) {
                    answer.kind = QsoItemAnswer::integer;
                    answer.number = static_cast<int>(step.number);
                } else {
                    answer.value = step.words[0];
                }
                state_.setQsoItem(answer);
                break;
            }
            case ScriptStep::add: {
                const auto& qsos = prepared_.log.qsos;
                const std::size_t left = qsos.size() - next_;
                const std::size_t count = step.number == 0 ? left : static_cast<std::size_t>(step.number);
                if (count > left) fail(step, "asks for more QSOs than the log has left (" + std::to_string(left) + ")");
                for (std::size_t i = 0; i < count; ++i) {
                    session_.add(qsos[next_]);
                    last_ = next_++;
                }
                break;
            }
            case ScriptStep::result: {
                const std::string text = session_.result();
                if (!prepared_.htmlPath.empty()) {
                    std::ofstream file(prepared_.htmlPath, std::ios::binary | std::ios::trunc);
                    file << text;
                }
                break;
            }
            case ScriptStep::check: {
                const std::string call = toUpper(step.words[0]);
                const CheckAnswer answer = callCheck(call, step.words[1], step.words[2]);
                out_ << "check " << call << " " << step.words[1] << " " << step.words[2] << ": " << answer.result
                     << (answer.code.empty() ? "" : " " + answer.code) << "\n";
                break;
            }
            case ScriptStep::remove:
                if (!last_) fail(step, "has no QSO to remove (none was added)");
                session_.remove(prepared_.log.qsos[*last_]);
                break;
            case ScriptStep::reset:
                resetSession(session_, prepared_, live_.usual.exportRun);
                break;
            case ScriptStep::click:
                if (!host_.click(panelControlId(step.words[0]))) fail(step, "found no setup panel to click");
                break;
            case ScriptStep::key:
                if (!host_.key(step.words[0], step.words[1] == "esc"))
                    fail(step, "found no " + step.words[0] + " window");
                break;
            case ScriptStep::expect:
                if (!state_.expectCommand(step.words[0], live_.stepLimit,
                                          step.words.size() == 5 ? checkingIdler(step) : idler()))
                    fail(step, "timed out: the host did not receive " + step.words[0]);
                break;
            case ScriptStep::reads:
                if (!state_.expectReads(static_cast<std::size_t>(step.number), live_.stepLimit, idler()))
                    fail(step, "timed out: the frequency was not read that often");
                break;
            case ScriptStep::waitWindow:
                if (!waitUntil([&] { return windowIs(step.words[0], step.words[1]); }))
                    fail(step, "timed out: the " + step.words[0] + " window is not " + step.words[1]);
                break;
            case ScriptStep::waitSetting:
                if (!waitUntil([&] { return settingIs(step.words[0], step.words[1]); }))
                    fail(step, "timed out: the settings file does not hold " + step.words[0] + "=" + step.words[1]);
                break;
            case ScriptStep::waitFile:
                if (!waitUntil([&] { return lineCount(step.words[0]) >= static_cast<std::size_t>(step.number); }))
                    fail(step, "timed out: " + step.words[0] + " does not hold " + step.words[1] + " lines");
                break;
            case ScriptStep::observe:
                writeObservation(observationLine(step.words[0], state_.takeNewCommands(), host_.windows(),
                                                 readSettingsSection(kSettingsFile)));
                break;
            case ScriptStep::snapshot: {
                fs::create_directories(live_.snapshotFolder);
                for (const std::string& file : host_.snapshot(live_.snapshotFolder, step.words[0]))
                    out_ << "snapshot " << file << "\n";
                break;
            }
            case ScriptStep::gdi: {
                std::optional<long> count = host_.gdiObjects();
                writeObservation("{\"label\": " + jsonString(step.words[0]) +
                                 ", \"gdi\": " + (count ? std::to_string(*count) : "null") + "}");
                break;
            }
            case ScriptStep::sleep:
                host_.idle(std::chrono::milliseconds(static_cast<long long>(step.number)));
                break;
            case ScriptStep::settle:
                if (!settle()) fail(step, "timed out: the windows' thread did not become idle");
                break;
            case ScriptStep::disconnect:
                state_.disconnect();
                host_.disconnect();
                break;
        }
    }

    const LiveOptions& live_;
    std::string scriptName_;
    PreparedRun& prepared_;
    HostSession& session_;
    LiveHost& host_;
    HostObjectState& state_;
    std::ostream& out_;
    std::ofstream observations_;
    std::size_t next_ = 0;
    std::optional<std::size_t> last_;
};

void writeJournal(const std::string& path, const HostObjectState& state) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (const JournalLine& line : state.journal()) file << formatJournalLine(line) << "\n";
    if (!file) throw InputError(path, 0, "cannot be written");
}

int runLive(const LiveOptions& live, const Defaults& defaults, std::ostream& out, std::ostream& err) {
    const std::string scriptText = readWholeFile(live.scriptPath);
    const std::vector<ScriptStep> steps = parseScript(scriptText, live.scriptPath);
    for (const ScriptStep& step : steps) {
        if ((step.kind == ScriptStep::observe || step.kind == ScriptStep::gdi) && live.observePath.empty())
            throw UsageError("the script observes (line " + std::to_string(step.line) + "): give --observe FILE");
        if (step.kind == ScriptStep::snapshot && live.snapshotFolder.empty())
            throw UsageError("the script takes snapshots (line " + std::to_string(step.line) +
                             "): give --snapshots DIR");
    }

    PreparedRun prepared = prepareRun(live.usual, defaults, err);
    HostObjectState state;
    std::unique_ptr<LiveHost> host = makeLiveHost(state);
    struct Withdraw {
        LiveHost& host;
        ~Withdraw() { host.stop(); }
    } withdraw{*host};
    host->start(live.automation, live.apartment);

    int code = exitSuccess;
    {
        PluginLibrary plugin(prepared.pluginPath);
        HostSession session(plugin.api());
        if (!prepared.htmlPath.empty()) session.useHtmlOutput("korvan-host 1.0");
        resetSession(session, prepared, live.usual.exportRun);
        try {
            ScriptRunner runner(live, live.scriptPath, prepared, session, *host, state, out);
            runner.run(steps);
        } catch (const StepFailure& e) {
            err << "korvan-host: " << e.what() << "\n";
            code = exitBadInput;
        }
        // The plug-in's windows close before the library goes, as when the
        // host program ends.
        host->closeWindows(kCloseLimit);
    }
    writeJournal(live.journalPath, state);
    return code;
}

}  // namespace

int runLiveCommand(const std::vector<std::string>& args, const Defaults& defaults, std::ostream& out,
                   std::ostream& err) {
    try {
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--help" || args[i] == "-h") {
                out << liveUsage();
                return exitSuccess;
            }
        }
        return runLive(parseLiveOptions(args), defaults, out, err);
    } catch (const UsageError& e) {
        err << "korvan-host: " << e.what() << "\n" << liveUsage();
        return exitUsage;
    } catch (const HostObjectError& e) {
        err << "korvan-host: the host object could not be offered: " << e.what() << "\n";
        return exitHostObjectFailed;
    } catch (const PluginLoadError& e) {
        err << "korvan-host: " << e.what() << "\n";
        return exitPluginNotLoaded;
    } catch (const std::exception& e) {
        err << "korvan-host: " << e.what() << "\n";
        return exitBadInput;
    }
}

}  // namespace korvan::host
