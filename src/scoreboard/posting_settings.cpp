#include "scoreboard/posting_settings.h"

#include <cctype>

#include "engine/contest_state.h"

namespace korvan {
namespace {

constexpr unsigned kMaxIntervalMinutes = 24 * 60;
constexpr unsigned kMaxTimeoutSeconds = 300;

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A whole number from low to high; fallback for anything else.
unsigned wholeNumber(const std::string& text, unsigned low, unsigned high, unsigned fallback) {
    if (text.empty() || text.size() > 9) return fallback;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return fallback;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value >= low && value <= high ? value : fallback;
}

std::string orDefault(const std::string& value, const char* fallback) { return value.empty() ? fallback : value; }

// Where the server part of a URL starts and ends (after "://", up to the
// path, query or fragment); npos when there is no "://".
bool authorityOf(const std::string& url, std::size_t& begin, std::size_t& end) {
    const std::size_t separator = url.find("://");
    if (separator == std::string::npos) return false;
    begin = separator + 3;
    end = url.find_first_of("/?#", begin);
    if (end == std::string::npos) end = url.size();
    return true;
}

}  // namespace

bool isHttpUrl(const std::string& url) {
    for (const char c : url)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
    std::size_t begin = 0, end = 0;
    if (!authorityOf(url, begin, end)) return false;
    const std::string scheme = lowerCase(url.substr(0, begin - 3));
    if (scheme != "http" && scheme != "https") return false;
    std::string server = url.substr(begin, end - begin);
    if (const std::size_t at = server.rfind('@'); at != std::string::npos) server.erase(0, at + 1);
    if (server.empty() || server[0] == ':') return false;
    // The port, when given, is a number.
    const std::size_t colon = server.rfind(':');
    if (colon != std::string::npos && server.back() != ']') {
        const std::string port = server.substr(colon + 1);
        if (wholeNumber(port, 1, 65535, 0) == 0) return false;
    }
    return true;
}

std::string urlWithoutSecrets(const std::string& url) {
    std::size_t begin = 0, end = 0;
    if (!authorityOf(url, begin, end)) return url.substr(0, url.find_first_of("?#"));
    std::string server = url.substr(begin, end - begin);
    if (const std::size_t at = server.rfind('@'); at != std::string::npos) server.erase(0, at + 1);
    const std::size_t pathEnd = url.find_first_of("?#", end);
    return url.substr(0, begin) + server + url.substr(end, pathEnd == std::string::npos ? std::string::npos : pathEnd - end);
}

PostingSettings parsePostingSettings(const SettingReader& read, bool httpAvailable) {
    const auto value = [&](const char* key) { return read(kScoreReportingSection, key); };
    PostingSettings settings;
    settings.enabled = value("Enabled") == "1";
    settings.url = value("Url");
    settings.contest = orDefault(value("Contest"), "KORVAN");
    settings.intervalMinutes = wholeNumber(value("IntervalMinutes"), 1, kMaxIntervalMinutes, 2);
    settings.body = lowerCase(value("Body")) == "xml" ? PostBody::xml : PostBody::form;
    settings.timeoutSeconds = wholeNumber(value("TimeoutSeconds"), 1, kMaxTimeoutSeconds, 10);
    if (!settings.enabled) return settings;
    if (!httpAvailable)
        settings.refusal = "this build has no HTTP support";
    else if (settings.url.empty())
        settings.refusal = "no Url is set";
    else if (!isHttpUrl(settings.url))
        settings.refusal = "Url is not an http or https address";
    return settings;
}

StationDetails parseStationDetails(const SettingReader& read, const std::string& contest, const std::string& ownCall,
                                   const std::string& ownPrefix) {
    const auto value = [&](const char* key) { return read(settingsSection, key); };
    StationDetails station;
    station.contest = contest;
    station.call = ownCall;
    station.operators = orDefault(value("Operators"), ownCall.c_str());
    station.categoryOperator = orDefault(value("Category"), "SINGLE-OP");
    station.categoryPower = orDefault(value("Power"), "HIGH");
    station.categoryBand = orDefault(value("Band"), "ALL");
    // The header editor stores neither mode nor transmitter, and has no
    // assisted category: the header's values.
    station.categoryMode = "MIXED";
    station.categoryTransmitter = "ONE";
    station.categoryAssisted = "NON-ASSISTED";
    station.club = value("Club");
    station.dxccCountry = ownPrefix;
    station.location = value("Loc");
    return station;
}

}  // namespace korvan
