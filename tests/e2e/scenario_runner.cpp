// scenario-runner PLUGIN_PATH SCENARIO_FILE [--timings FILE]
//
// Loads the plug-in (libStats.so with dlopen, Stats.dll with LoadLibraryA),
// resolves its plain export names and plays a line-based scenario through
// them, printing every call and its result to stdout. The same scenario run
// natively and under wine must print the same text and leave the same files
// in the current folder (see compare_runs.py).
//
// Scenario lines (fields separated by blanks, "-" for an empty text, a
// date-time is YYYY-MM-DD_HH:MM, "null" or "invalid"):
//   reset hostFolder exportRun ownCall firstDate secondDate ownPrefix ownContinent
//   add ownCall call time freqHz mode rstSent rstRcvd exchSent exchRcvd prefix continent band
//   remove  (the same fields as add)
//   check call mode band
//   valid exchange
//   result
//   setversion [text]
//   file PATH TEXT...   appends TEXT and CR LF to PATH (folders created)
//   editor FIELD TEXT...  the Cabrillo header editor of the next reset gets
//                       TEXT (\r and \n for line breaks) in the control
//                       labelled FIELD (NAME, CLUB, SOAPBOX, ...) before OK
//   editor cancel       the next reset's header editor is cancelled
//   unload              unloads the plug-in now (only the two below may follow)
//   awaitfile PATH [TEXT...]  waits (up to 150 s) until PATH exists and holds TEXT
//   # comment
// --timings FILE appends how long each GetResult0 and the unload took
// ("GetResult0 MICROSECONDS", "unload MICROSECONDS"), one line each.
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "plugin/exports.h"
#include "resources/resource.h"

using namespace korvan;

namespace {

// ---------------------------------------------------------------- loading

class Plugin {
public:
    explicit Plugin(const std::string& path) {
#if defined(_WIN32)
        handle_ = LoadLibraryA(path.c_str());
#else
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
        if (!handle_) throw std::runtime_error("cannot load " + path);
    }

    // Unloading runs the plug-in's exit step (it closes its windows).
    void unload() {
        if (!handle_) return;
#if defined(_WIN32)
        FreeLibrary(static_cast<HMODULE>(handle_));
#else
        dlclose(handle_);
#endif
        handle_ = nullptr;
    }

    bool loaded() const { return handle_ != nullptr; }

    template <typename Function>
    Function get(const char* name) const {
#if defined(_WIN32)
        void* address = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
        void* address = dlsym(handle_, name);
#endif
        if (!address) throw std::runtime_error(std::string("the plug-in does not export ") + name);
        return reinterpret_cast<Function>(address);
    }

private:
    void* handle_ = nullptr;
};

struct Exports {
    decltype(&::AddData0) addData;
    decltype(&::RemoveData0) removeData;
    decltype(&::ResetStats0) resetStats;
    decltype(&::CheckCallFunc0) checkCall;
    decltype(&::StatsIsValidExchg0) isValidExchg;
    decltype(&::StatsGetExchgCount0) getExchgCount;
    decltype(&::GetResult0) getResult;
    decltype(&::GetSetName) getSetName;
    decltype(&::GetNumberOfSets) getNumberOfSets;
    decltype(&::SetupSet0) setupSet;
    decltype(&::setVersion) setVersion;

    explicit Exports(const Plugin& p)
        : addData(p.get<decltype(addData)>("AddData0")),
          removeData(p.get<decltype(removeData)>("RemoveData0")),
          resetStats(p.get<decltype(resetStats)>("ResetStats0")),
          checkCall(p.get<decltype(checkCall)>("CheckCall0")),
          isValidExchg(p.get<decltype(isValidExchg)>("IsValidExchg0")),
          getExchgCount(p.get<decltype(getExchgCount)>("GetExchgCount0")),
          getResult(p.get<decltype(getResult)>("GetResult0")),
          getSetName(p.get<decltype(getSetName)>("GetSetName")),
          getNumberOfSets(p.get<decltype(getNumberOfSets)>("GetNumberOfSets")),
          setupSet(p.get<decltype(setupSet)>("SetupSet0")),
          setVersion(p.get<decltype(setVersion)>("setVersion")) {}
};

// ---------------------------------------------------------- modal windows

// What the operator does in the next Cabrillo header editor: the texts to
// type into its controls before OK, or Cancel.
struct EditorAnswer {
    std::vector<std::pair<int, std::string>> edits;
    bool cancel = false;
};

class PendingEditorAnswer {
public:
    void add(int controlId, const std::string& text) {
        std::lock_guard<std::mutex> guard(lock_);
        answer_.edits.emplace_back(controlId, text);
    }
    void cancel() {
        std::lock_guard<std::mutex> guard(lock_);
        answer_.cancel = true;
    }
    // The answer for one editor; the next one is confirmed unchanged again.
    EditorAnswer take() {
        std::lock_guard<std::mutex> guard(lock_);
        return std::exchange(answer_, EditorAnswer{});
    }

private:
    std::mutex lock_;
    EditorAnswer answer_;
};

PendingEditorAnswer& pendingEditorAnswer() {
    static PendingEditorAnswer pending;
    return pending;
}

#if !defined(_WIN32)
// The headless editor's answer during a reset, in the form the native
// plug-in asks for it (korvan_host_modal_answer, exported below).
std::mutex headlessAnswerLock;
std::string headlessAnswer;

void setHeadlessAnswer(std::string answer) {
    std::lock_guard<std::mutex> guard(headlessAnswerLock);
    headlessAnswer = std::move(answer);
}
#endif

const char kEditorCaption[] = "KORVAN CONTEST";

// Answers the modal windows that an export opens on the calling thread
// (message boxes, editors), which would otherwise block the run. On
// Windows a thread looks every 50 ms for a dialog window of the thread that
// calls the exports, writes "[caption] text" to stderr (as the Linux
// platform's message-box sink does) and presses OK. Windows of other
// threads, such as the plug-in's own setup panel, are left alone.
//
// Extension point: answer() decides what each window gets; scenarios that
// must fill an editor or choose another button extend it.
class ModalAnswerer {
public:
    ModalAnswerer() {
#if defined(_WIN32)
        callerThread_ = GetCurrentThreadId();
        worker_ = std::thread([this] { run(); });
#endif
    }
    ~ModalAnswerer() {
        stop_ = true;
        if (worker_.joinable()) worker_.join();
    }
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

private:
#if defined(_WIN32)
    void run() {
        while (!stop_) {
            EnumWindows(&ModalAnswerer::visit, reinterpret_cast<LPARAM>(this));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    static BOOL CALLBACK visit(HWND window, LPARAM self) {
        auto* answerer = reinterpret_cast<ModalAnswerer*>(self);
        if (GetWindowThreadProcessId(window, nullptr) != answerer->callerThread_) return TRUE;
        if (!IsWindowVisible(window)) return TRUE;
        char className[64] = {};
        GetClassNameA(window, className, sizeof className);
        if (std::strcmp(className, "#32770") == 0) answerer->answer(window);
        return TRUE;
    }

    void answer(HWND window) {
        // Each window is answered once, however long it takes to close.
        if (GetPropA(window, "KorvanAnswered")) return;
        SetPropA(window, "KorvanAnswered", reinterpret_cast<HANDLE>(1));
        char caption[256] = {};
        char text[4096] = {};
        GetWindowTextA(window, caption, sizeof caption);
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // a message box's text
        std::fprintf(stderr, "[%s] %s\n", caption, text);
        std::fflush(stderr);
        int button = IDOK;
        if (std::strcmp(caption, kEditorCaption) == 0) {
            // The Cabrillo header editor: type the scenario's texts, then
            // press OK (or Cancel) as the operator would.
            const EditorAnswer editor = pendingEditorAnswer().take();
            for (const auto& [control, value] : editor.edits) SetDlgItemTextA(window, control, value.c_str());
            if (editor.cancel) button = IDCANCEL;
        }
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }

    DWORD callerThread_ = 0;
#endif
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

// ---------------------------------------------------------------- parsing

struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::vector<std::string> splitFields(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string field; in >> field;) fields.push_back(field);
    return fields;
}

std::string textField(const std::string& field) { return field == "-" ? std::string() : field; }

COleDateTime dateTimeField(const std::string& field) {
    COleDateTime value;
    if (field == "null") {
        value.m_status = DateTimeStatus::null;
        return value;
    }
    if (field == "invalid") {
        value.m_status = DateTimeStatus::invalid;
        return value;
    }
    int year, month, day, hour, minute;
    char tail;
    if (std::sscanf(field.c_str(), "%4d-%2d-%2d_%2d:%2d%c", &year, &month, &day, &hour, &minute, &tail) != 5)
        throw ScenarioError("bad date-time " + field);
    return COleDateTime::fromParts(year, month, day, hour, minute);
}

unsigned unsignedField(const std::string& field) {
    char* end = nullptr;
    unsigned long value = std::strtoul(field.c_str(), &end, 10);
    if (field.empty() || *end) throw ScenarioError("bad number " + field);
    return static_cast<unsigned>(value);
}

int intField(const std::string& field) {
    char* end = nullptr;
    long value = std::strtol(field.c_str(), &end, 10);
    if (field.empty() || *end) throw ScenarioError("bad number " + field);
    return static_cast<int>(value);
}

// Bytes as they came, with backslash, CR, LF, tab and other control or
// non-ASCII bytes made visible.
std::string escaped(const char* text) {
    if (!text) return "(null)";
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        switch (*p) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '"': out += "\\\""; break;
        default:
            if (*p < 0x20 || *p >= 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", *p);
                out += hex;
            } else {
                out += static_cast<char>(*p);
            }
        }
    }
    return out;
}

std::filesystem::path localPath(const std::string& relative) {
    std::string path = relative;
#if !defined(_WIN32)
    for (char& c : path)
        if (c == '\\') c = '/';
#endif
    return std::filesystem::path(path);
}

// ---------------------------------------------------------------- playing

// Microseconds that body took.
template <typename Body>
long long microseconds(Body body) {
    const auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
}

class Runner {
public:
    Runner(Plugin& plugin, const Exports& exports, std::ostream* timings)
        : plugin_(plugin), x_(exports), timings_(timings) {}

    void play(const std::string& line) {
        std::vector<std::string> f = splitFields(line);
        if (f.empty() || f[0][0] == '#') return;
        std::cout << "> " << line << "\n";
        const std::string& command = f[0];
        if (command == "awaitfile") awaitFile(line, f);
        else if (command == "file") appendFile(line, f);
        else if (unloaded_) throw ScenarioError(command + " after unload");
        else if (command == "unload") unload(f);
        else if (command == "reset") reset(f);
        else if (command == "add" || command == "remove") addOrRemove(f, command == "add");
        else if (command == "check") check(f);
        else if (command == "valid") valid(f);
        else if (command == "result") result(f);
        else if (command == "setversion") setVersion(f);
        else if (command == "editor") editor(line, f);
        else throw ScenarioError("unknown command " + command);
        std::cout.flush();
    }

private:
    static void expectFields(const std::vector<std::string>& f, size_t count) {
        if (f.size() != count + 1)
            throw ScenarioError(f[0] + " takes " + std::to_string(count) + " fields, not " +
                                std::to_string(f.size() - 1));
    }

    void reset(const std::vector<std::string>& f) {
        expectFields(f, 7);
        const std::string hostFolder = textField(f[1]), ownCall = textField(f[3]);
        const std::string ownPrefix = textField(f[6]), ownContinent = textField(f[7]);
        COleDateTime first = dateTimeField(f[4]), second = dateTimeField(f[5]);
        const char* e = "";
        // Positions: 1 host folder, 2 export flag, 3 own call, 4 and 5 dates,
        // 6-14 unused texts, 15 own prefix, 16-18 ints, 19-20 doubles,
        // 21 unused, 22 own continent, 23 unused.
#if !defined(_WIN32)
        // The headless editor of the native plug-in reads its answer from
        // this program (see platform/headless/host_stand_in.h).
        const EditorAnswer answer = pendingEditorAnswer().take();
        std::string value = answer.cancel ? "cancel" : "";
        for (const auto& [control, text] : answer.edits) {
            if (answer.cancel) break;  // what was typed before Cancel is not taken anyway
            value += (value.empty() ? "" : "\x1f") + std::to_string(control) + "=" + text;
        }
        setHeadlessAnswer(value);
#endif
        int r = x_.resetStats(hostFolder.c_str(), intField(f[2]), ownCall.c_str(), &first, &second, e, e, e, e, e,
                              e, e, e, e, ownPrefix.c_str(), 0, 0, 0, 0.0, 0.0, e, ownContinent.c_str(), e);
#if !defined(_WIN32)
        setHeadlessAnswer({});
#endif
        pendingEditorAnswer().take();  // an answer that no editor used is dropped
        std::cout << "ResetStats0 = " << r << "\n";
    }

    void addOrRemove(const std::vector<std::string>& f, bool add) {
        expectFields(f, 12);
        std::string t[13];
        for (int i : {1, 2, 5, 6, 7, 8, 9, 10, 11, 12}) t[i] = textField(f[i]);
        COleDateTime time = dateTimeField(f[3]);
        COleDateTime none;
        none.m_status = DateTimeStatus::null;
        const unsigned frequency = unsignedField(f[4]);
        const char* e = "";
        // Positions: 1 own call, 2 call, 3 time, 4-6 unused dates, 7 unused,
        // 8 frequency, 9 mode, 10 rst sent, 11 rst received, 12 exchange
        // sent, 13 exchange received, 14-22 unused, 23 prefix, 24-26 ints,
        // 27-28 doubles, 29 unused, 30 continent, 31 unused, 32 band, 33 unused.
        auto call = add ? x_.addData : x_.removeData;
        int r = call(t[1].c_str(), t[2].c_str(), &time, &none, &none, &none, 0u, frequency, t[5].c_str(),
                     t[6].c_str(), t[7].c_str(), t[8].c_str(), t[9].c_str(), e, e, e, e, e, e, e, e, e,
                     t[10].c_str(), 0, 0, 0, 0.0, 0.0, e, t[11].c_str(), e, t[12].c_str(), e);
        std::cout << (add ? "AddData0 = " : "RemoveData0 = ") << r << "\n";
    }

    void check(const std::vector<std::string>& f) {
        expectFields(f, 3);
        const std::string call = textField(f[1]), mode = textField(f[2]), band = textField(f[3]);
        char out[100] = {};
        char unused[100] = {};
        const char* e = "";
        // Positions: 1 call, 2-3 unsigned, 4 mode, 5-14 unused texts, 15-17
        // ints, 18-19 doubles, 20-24 unused, 25 band, 26 unused, 27 out
        // buffer, 28 a buffer the plug-in leaves alone.
        int r = x_.checkCall(call.c_str(), 0u, 0u, mode.c_str(), e, e, e, e, e, e, e, e, e, e, 0, 0, 0, 0.0, 0.0, e,
                             e, e, e, e, band.c_str(), e, out, unused);
        out[sizeof out - 1] = '\0';
        std::cout << "CheckCall0 = " << r << " out=\"" << escaped(out) << "\"";
        if (unused[0] != '\0') std::cout << " position28=\"" << escaped(unused) << "\"";
        std::cout << "\n";
    }

    void valid(const std::vector<std::string>& f) {
        expectFields(f, 1);
        const std::string exchange = textField(f[1]);
        std::cout << "IsValidExchg0 = " << x_.isValidExchg(exchange.c_str(), "", "", "", 0, 0, 0) << "\n";
    }

    void result(const std::vector<std::string>& f) {
        expectFields(f, 0);
        int status = 0;
        const char* text = nullptr;
        const long long took = microseconds([&] { text = x_.getResult(&status); });
        if (timings_) *timings_ << "GetResult0 " << took << std::endl;
        std::cout << "GetResult0 status=" << status << " text=\"" << escaped(text) << "\"\n";
    }

    void unload(const std::vector<std::string>& f) {
        expectFields(f, 0);
        const long long took = microseconds([&] { plugin_.unload(); });
        if (timings_) *timings_ << "unload " << took << std::endl;
        unloaded_ = true;
        std::cout << "unloaded\n";
    }

    // Waits for what the plug-in (or a thread of it that outlives the
    // unload) writes, or for a file a test's server makes.
    void awaitFile(const std::string& line, const std::vector<std::string>& f) {
        if (f.size() < 2) throw ScenarioError("awaitfile takes a path");
        size_t start = line.find(f[1], line.find("awaitfile") + 9) + f[1].size();
        if (start < line.size()) ++start;
        const std::string text = line.substr(std::min(start, line.size()));
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(150);
        for (;;) {
            std::ifstream in(localPath(f[1]), std::ios::binary);
            const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (in.is_open() && content.find(text) != std::string::npos) break;
            if (std::chrono::steady_clock::now() > end) throw ScenarioError("no " + f[1] + " holding \"" + text + "\"");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::cout << "awaitfile " << f[1] << "\n";
    }

    void setVersion(const std::vector<std::string>& f) {
        if (f.size() > 2) throw ScenarioError("setversion takes at most one field");
        const std::string version = f.size() == 2 ? textField(f[1]) : std::string();
        std::cout << "setVersion = " << x_.setVersion(version.c_str()) << "\n";
    }

    void appendFile(const std::string& line, const std::vector<std::string>& f) {
        if (f.size() < 2) throw ScenarioError("file takes a path");
        // The text is the rest of the line after the path, as written.
        size_t start = line.find(f[1], line.find("file") + 4) + f[1].size();
        if (start < line.size()) ++start;
        const std::filesystem::path path = localPath(f[1]);
        if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out << line.substr(std::min(start, line.size())) << "\r\n";
        if (!out) throw ScenarioError("cannot write " + f[1]);
        std::cout << "file " << f[1] << "\n";
    }

    void editor(const std::string& line, const std::vector<std::string>& f) {
        static const std::map<std::string, int> controls{
            {"CONTEST", IDC_CABRILLO_CONTEST}, {"CALLSIGN", IDC_CABRILLO_CALLSIGN},
            {"CLAIMED", IDC_CABRILLO_CLAIMED}, {"CATEGORY-OPERATOR", IDC_CABRILLO_CATEGORY_OPERATOR},
            {"CATEGORY-BAND", IDC_CABRILLO_CATEGORY_BAND}, {"LOCATION", IDC_CABRILLO_LOCATION},
            {"CATEGORY-MODE", IDC_CABRILLO_CATEGORY_MODE}, {"CATEGORY-POWER", IDC_CABRILLO_CATEGORY_POWER},
            {"CATEGORY-STATION", IDC_CABRILLO_CATEGORY_STATION},
            {"CATEGORY-TRANSMITTER", IDC_CABRILLO_CATEGORY_TRANSMITTER}, {"NAME", IDC_CABRILLO_NAME},
            {"ADDRESS", IDC_CABRILLO_ADDRESS}, {"ADDRESS-CITY", IDC_CABRILLO_ADDRESS_CITY},
            {"ADDRESS-POSTALCODE", IDC_CABRILLO_ADDRESS_POSTALCODE},
            {"ADDRESS-COUNTRY", IDC_CABRILLO_ADDRESS_COUNTRY}, {"OPERATORS", IDC_CABRILLO_OPERATORS},
            {"CLUB", IDC_CABRILLO_CLUB}, {"SOAPBOX", IDC_CABRILLO_SOAPBOX}, {"E-MAIL", IDC_CABRILLO_EMAIL}};
        if (f.size() == 2 && f[1] == "cancel") {
            pendingEditorAnswer().cancel();
            std::cout << "editor cancel\n";
            return;
        }
        if (f.size() < 2 || !controls.count(f[1])) throw ScenarioError("editor takes a field label or cancel");
        // The text is the rest of the line after the label, with \r and \n
        // standing for the control characters.
        size_t start = line.find(f[1], line.find("editor") + 6) + f[1].size();
        if (start < line.size()) ++start;
        std::string text;
        const std::string raw = line.substr(std::min(start, line.size()));
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == 'r' || raw[i + 1] == 'n')) {
                text += raw[++i] == 'r' ? '\r' : '\n';
            } else {
                text += raw[i];
            }
        }
        pendingEditorAnswer().add(controls.at(f[1]), text);
        std::cout << "editor " << f[1] << "\n";
    }

    Plugin& plugin_;
    const Exports& x_;
    std::ostream* timings_;
    bool unloaded_ = false;
};

}  // namespace

#if !defined(_WIN32)
extern "C" __attribute__((visibility("default"))) unsigned korvan_host_modal_answer(int templateId, char* buffer,
                                                                                    unsigned size) {
    if (templateId != IDD_CABRILLO) return 0;
    std::lock_guard<std::mutex> guard(headlessAnswerLock);
    if (buffer && size > 0) {
        const std::size_t n = std::min<std::size_t>(headlessAnswer.size(), size - 1);
        std::memcpy(buffer, headlessAnswer.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<unsigned>(headlessAnswer.size());
}
#endif

int main(int argc, char** argv) {
    const bool withTimings = argc == 5 && std::strcmp(argv[3], "--timings") == 0;
    if (argc != 3 && !withTimings) {
        std::fprintf(stderr, "usage: scenario-runner PLUGIN_PATH SCENARIO_FILE [--timings FILE]\n");
        return 2;
    }
    std::ofstream timings;
    if (withTimings) timings.open(argv[4], std::ios::binary | std::ios::app);
    std::ifstream scenario(argv[2], std::ios::binary);
    if (!scenario) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 2;
    }
#if defined(_WIN32)
    // The same bytes as on Linux: no CR added before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    int lineNumber = 0;
    try {
        Plugin plugin(argv[1]);
        {
            Exports exports(plugin);
            ModalAnswerer answerer;
            Runner runner(plugin, exports, withTimings ? &timings : nullptr);
            for (std::string line; std::getline(scenario, line);) {
                ++lineNumber;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                runner.play(line);
            }
        }
        if (plugin.loaded()) {
            plugin.unload();
            std::cout << "unloaded\n";
        }
    } catch (const std::exception& error) {
        std::cout.flush();
        std::fprintf(stderr, "%s:%d: %s\n", argv[2], lineNumber, error.what());
        return 2;
    }
    return 0;
}
