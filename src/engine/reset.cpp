// ResetStats0: starts a contest run. Files are read before the state lock is
// taken and written after it is released; the header editor and the window
// thread start run without the lock.
#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/bad_qso_file.h"
#include "engine/contest_rules.h"
#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "engine/qso_search.h"
#include "engine/window_control.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace korvan {

namespace {

std::atomic<ExportHeaderEditor> headerEditor{nullptr};

const char* const kHostIniName = "Vexa2.ini";
const char* const kVersionKey = "Vexa=";
const char* const kUnknownHostVersion = "Vexa";
const char* const kKdaDirectoryFile = ".\\Plugins\\kda.dom";
// The profile functions read through a buffer of this many bytes.
constexpr std::size_t kProfileBufferSize = 100;

// Host versions whose own windows clash with the panel: it is not started.
const char* const kVersionsWithoutPanel[] = {"2.18", "2.17", "2.16", "2.15", "2.14", "2.14R"};

bool hostIniPresent(const std::string& hostFolder) {
    for (const std::string& name : platform::listDirectory(hostFolder + "*.ini"))
        if (name.find(kHostIniName) != std::string::npos) return true;
    return false;
}

// The text after the first five characters of the first line holding the
// version key; nothing when the file cannot be read or has no such line.
std::optional<std::string> readHostVersion() {
    platform::LineReader reader(kHostIniName);
    std::string line;
    while (reader.isOpen() && reader.next(line))
        if (line.find(kVersionKey) != std::string::npos) return line.substr(5);
    return std::nullopt;
}

// The non-empty lines of kda.dom; nothing when it cannot be opened.
std::optional<std::vector<std::string>> readKdaDirectoryFile() {
    platform::LineReader reader(kKdaDirectoryFile);
    if (!reader.isOpen()) return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    while (reader.next(line))
        if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string readSetting(const char* key) {
    std::string value = platform::readProfileString(settingsFile, settingsSection, key, "");
    if (value.size() >= kProfileBufferSize) value.resize(kProfileBufferSize - 1);
    return value;
}

void writeSetting(const char* key, const char* value) {
    platform::writeProfileString(settingsFile, settingsSection, key, value);
}

bool hostVersionAllowsPanel(const std::string& hostVersion) {
    for (const char* version : kVersionsWithoutPanel)
        if (hostVersion == version) return false;
    return true;
}

// The "Start" key alternates between resets: one that finds it 0 starts the
// windows (when no panel runs yet) and leaves 1, the next finds 1 and
// leaves 0.
void applyStartToggle(const std::string& hostVersion) {
    if (std::atoi(readSetting("Start").c_str()) != 0) {
        writeSetting("Start", "0");
        return;
    }
    // A thread that has started but not yet shown its panel counts as a
    // running panel: the key stays as it is and no second thread starts.
    if (panelRunning()) return;
    if (hostVersionAllowsPanel(hostVersion)) startWindows();
    writeSetting("Start", "1");
}

}  // namespace

void setExportHeaderEditor(ExportHeaderEditor editor) { headerEditor.store(editor); }

int resetStats(const ResetArguments& args) {
    const std::optional<std::string> hostVersion =
        hostIniPresent(args.hostFolder) ? readHostVersion() : std::optional<std::string>(kUnknownHostVersion);
    std::optional<std::vector<std::string>> kdaLines = readKdaDirectoryFile();
    const bool kdaLoaded = kdaLines.has_value();
    // The directory's index is built before the lock is taken; the one it
    // replaces is released after the lock is let go.
    KdaDirectory kdaDirectory;
    if (kdaLoaded) kdaDirectory.assign(std::move(*kdaLines));

    std::string effectiveHostVersion;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& state = contestState();
        state.hostFolder = args.hostFolder;
        state.contestYear = args.firstDate.Format("%Y");
        state.contestDate = args.secondDate.Format("%d.%m.%Y");
        if (hostVersion) state.hostVersion = *hostVersion;
        effectiveHostVersion = state.hostVersion;
        // A reload replaces the directory, so a changed file's lines win;
        // without the file the last directory stays usable for scoring.
        if (kdaLoaded) std::swap(state.kdaDirectory, kdaDirectory);
        state.kdaDirectoryLoaded = kdaLoaded ? 1 : 0;
        state.ownCall = args.ownCall;
        clearQsos(state);
        state.workedBands.clear();
        state.exportRun = args.exportRun;
        state.ownContinent = args.ownContinent;
        state.ownPrefix = args.ownPrefix;
        if (isRussianSpeakingPrefix(state.ownPrefix)) state.russianLabels = 1;
    }
    if (kdaLoaded) writeSetting("Master", "1");

    if (args.exportRun != 0) {
        if (ExportHeaderEditor editor = headerEditor.load()) editor(args.ownCall, args.firstDate, args.secondDate);
        writeSetting("Start", "1");
    }
    applyStartToggle(effectiveHostVersion);

    const std::string fileName = badqso::fileNameFor(args.secondDate);
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().badQsoFileName = fileName;
    }
    badqso::create(fileName);
    return 1;
}

}  // namespace korvan
