#pragma once
// The settings of the live score, section "ScoreReporting" of the plug-in's
// settings file, and the station details the posts carry (the Cabrillo
// header's stored values). Both are read at every reset; a missing or
// malformed value falls back to its default.
#include <functional>
#include <string>

#include "scoreboard/score_document.h"

namespace korvan {

inline constexpr const char* kScoreReportingSection = "ScoreReporting";

enum class PostBody { form, xml };

struct PostingSettings {
    bool enabled = false;
    std::string url;
    std::string contest = "KORVAN";
    unsigned intervalMinutes = 2;
    PostBody body = PostBody::form;
    unsigned timeoutSeconds = 10;
    // Why nothing is posted although Enabled=1 (for the status); empty when
    // posting is on or was not asked for.
    std::string refusal;

    bool posting() const { return enabled && refusal.empty(); }
};

// Reads one key of a section; gives "" for a key that is absent.
using SettingReader = std::function<std::string(const char* section, const char* key)>;

// The settings as the reader gives them. httpAvailable false (a build
// without HTTP support) refuses posting with the reason.
PostingSettings parsePostingSettings(const SettingReader& read, bool httpAvailable);

// What the reset knows of the station (its own call, prefix) and the
// Cabrillo header's values stored in section "Settings", with the header's
// defaults for those not stored.
StationDetails parseStationDetails(const SettingReader& read, const std::string& contest, const std::string& ownCall,
                                   const std::string& ownPrefix);

// True for an http:// or https:// URL with a server name and no blank or
// control character.
bool isHttpUrl(const std::string& url);

// The URL without what may be secret (user name and password, the query,
// the fragment): scheme, server, port and path.
std::string urlWithoutSecrets(const std::string& url);

}  // namespace korvan
