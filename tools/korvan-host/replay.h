// Calls the plug-in's exports the way the host logging program does.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "plugin_api.h"
#include "qso.h"

namespace korvan::host {

struct Station {
    std::string call, prefix, continent;
};

struct CheckAnswer {
    int result = 0;    // 0 dupe, 1 not a new KDA area, 2 new KDA area
    std::string code;  // what the plug-in wrote into the out-buffer ("" when nothing)
};

// The plug-in's view of one contest run. Every text argument the plug-in
// does not read is passed as "", every number as 0, every date-time it does
// not read as a null date-time.
class HostSession {
public:
    explicit HostSession(const PluginApi& api) : api_(api) {}

    // hostFolder must end in a separator: the plug-in appends "*.ini" to it.
    void reset(const std::string& hostFolder, bool exportRun, const Station& own, DateTime contestStart,
               DateTime contestEnd);
    int add(const Qso& qso);
    int remove(const Qso& qso);
    CheckAnswer check(const std::string& call, const std::string& band, const std::string& mode,
                      const std::string& prefix = {}, const std::string& continent = {});
    void useHtmlOutput(const std::string& hostVersion);
    std::string result();

private:
    int send(AddDataFn fn, const Qso& qso);

    const PluginApi& api_;
    Station own_;
};

// First and last valid QSO time of the log (null date-times for a log
// without any): what the host passes as the contest's two date-times.
std::pair<DateTime, DateTime> contestSpan(const ContactLog& log);

// Hands every contact to AddData0 in log order; progress(done, total) is
// called every so often. Returns the number of contacts the plug-in stored.
std::size_t replayLog(HostSession& session, const ContactLog& log,
                      const std::function<void(std::size_t, std::size_t)>& progress = {});

}  // namespace korvan::host
