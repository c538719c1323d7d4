#include "post_command.h"

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "host_commands.h"
#include "live_observation.h"
#include "log_error.h"
#include "text.h"

namespace korvan::host {

namespace {

const char* const kPostingLog = "Plugins/ScoreReporting.log";
const char* const kSection = "ScoreReporting";
// How long the plug-in's post may take beyond its own time limit.
constexpr std::chrono::seconds kOutcomeMargin{10};
constexpr std::chrono::milliseconds kOutcomePoll{50};

// The file's lines without their ends; none when it is missing.
std::vector<std::string> readLines(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool sectionHeader(const std::string& line, std::string& name) {
    const std::string_view text = trim(line);
    if (text.empty() || text.front() != '[') return false;
    name = std::string(trim(text.substr(1, text.find(']') - 1)));
    return true;
}

// "... UTC HTTP 2xx" alone or followed by ": " and the answer; not "HTTP
// 200, but ..." (a cut answer) nor any other status.
bool tookTheScore(const std::string& outcome) {
    const std::size_t at = outcome.find(" UTC HTTP 2");
    if (at == std::string::npos) return false;
    const std::string rest = outcome.substr(at + 10);
    return rest.size() >= 3 && (rest.size() == 3 || rest.compare(3, 2, ": ") == 0);
}

std::string settingValue(const std::string& key) {
    for (const auto& [name, value] : readSettingsSection(kSettingsFile, kSection))
        if (equalsNoCase(name, key)) return value;
    return "";
}

}  // namespace

void writePostSettings(const Options& options) {
    std::vector<std::pair<std::string, std::string>> given{{"Enabled", "1"}, {"Url", options.url}, {"LastResult", ""}};
    if (!options.contest.empty()) given.emplace_back("Contest", options.contest);
    if (!options.body.empty()) given.emplace_back("Body", options.body);
    const auto isGiven = [&](const std::string& line) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) return false;
        for (const auto& [key, value] : given)
            if (equalsNoCase(trim(std::string_view(line).substr(0, equals)), key)) return true;
        return false;
    };
    // Every other section stays as it is; this one goes to the end.
    std::string others, section;
    bool inSection = false;
    for (const std::string& line : readLines(kSettingsFile)) {
        std::string name;
        if (sectionHeader(line, name)) {
            inSection = equalsNoCase(name, kSection);
            if (inSection) continue;
        }
        if (!inSection)
            others += line + "\r\n";
        else if (!trim(line).empty() && !isGiven(line))
            section += line + "\r\n";
    }
    section = "[" + std::string(kSection) + "]\r\n" + section;
    for (const auto& [key, value] : given) section += key + "=" + value + "\r\n";
    std::ofstream file(kSettingsFile, std::ios::binary | std::ios::trunc);
    file << others << section;
    file.close();
    if (!file) throw InputError(kSettingsFile, 0, "cannot be written");
}

int postScore(HostSession& session, std::ostream& out) {
    const auto timeout = parseDigits(settingValue("TimeoutSeconds"));
    const std::chrono::seconds limit(timeout && *timeout >= 1 && *timeout <= 300 ? *timeout : 10);
    // A refusal (such as a build without HTTP support) is recorded at the reset.
    std::string outcome = settingValue("LastResult");
    if (outcome.empty()) {
        session.result();
        const auto end = std::chrono::steady_clock::now() + limit + kOutcomeMargin;
        while ((outcome = settingValue("LastResult")).empty()) {
            if (std::chrono::steady_clock::now() > end)
                throw InputError(kSettingsFile, 0, "the plug-in recorded no outcome of its post in time");
            std::this_thread::sleep_for(kOutcomePoll);
        }
    }
    // The log line names the score and where it went, too.
    const std::vector<std::string> log = readLines(kPostingLog);
    out << printable(log.empty() ? outcome : log.back()) << "\n";
    return tookTheScore(outcome) ? exitSuccess : exitScoreNotTaken;
}

}  // namespace korvan::host
