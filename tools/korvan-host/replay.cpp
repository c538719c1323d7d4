#include "replay.h"

#include <cstring>

namespace korvan::host {

void HostSession::reset(const std::string& hostFolder, bool exportRun, const Station& own, DateTime contestStart,
                        DateTime contestEnd) {
    own_ = own;
    const char* e = "";
    api_.resetStats(hostFolder.c_str(), exportRun ? 1 : 0, own.call.c_str(), &contestStart, &contestEnd,
                    e, e, e, e, e, e, e, e, e, own.prefix.c_str(),  // positions 6..15
                    0, 0, 0, 0.0, 0.0,                              // positions 16..20
                    e, own.continent.c_str(), e);                   // positions 21..23
}

int HostSession::send(AddDataFn fn, const Qso& q) {
    const char* e = "";
    DateTime time = q.time;
    DateTime unused1 = nullDateTime(), unused2 = nullDateTime(), unused3 = nullDateTime();
    const std::string& ownCall = q.ownCall.empty() ? own_.call : q.ownCall;
    return fn(ownCall.c_str(), q.call.c_str(), &time, &unused1, &unused2, &unused3, 0u, q.frequencyHz,
              q.mode.c_str(), q.rstSent.c_str(), q.rstReceived.c_str(),                // positions 9..11
              q.exchangeSent.c_str(), q.exchangeReceived.c_str(),                     // positions 12..13
              e, e, e, e, e, e, e, e, e, q.dxccPrefix.c_str(),                         // positions 14..23
              0, 0, 0, 0.0, 0.0,                                                      // positions 24..28
              e, q.continent.c_str(), e, q.band.c_str(), e);                          // positions 29..33
}

int HostSession::add(const Qso& qso) { return send(api_.addData, qso); }

int HostSession::remove(const Qso& qso) { return send(api_.removeData, qso); }

CheckAnswer HostSession::check(const std::string& call, const std::string& band, const std::string& mode,
                               const std::string& prefix, const std::string& continent) {
    const char* e = "";
    char exchange[128] = {};
    char second[128] = {};
    CheckAnswer answer;
    answer.result = api_.checkCall(call.c_str(), 0u, 0u,
                                   mode.c_str(), e, e, e, e, e, e, e, e, e, prefix.c_str(),  // positions 4..14
                                   0, 0, 0, 0.0, 0.0,                                         // positions 15..19
                                   e, continent.c_str(), e, e, e, band.c_str(), e,           // positions 20..26
                                   exchange, second);
    exchange[sizeof exchange - 1] = '\0';
    answer.code = exchange;
    return answer;
}

void HostSession::useHtmlOutput(const std::string& hostVersion) { api_.setVersion(hostVersion.c_str()); }

std::string HostSession::result() {
    int status = 0;
    const char* text = api_.getResult(&status);
    return text ? std::string(text) : std::string();
}

std::pair<DateTime, DateTime> contestSpan(const ContactLog& log) {
    const DateTime* first = nullptr;
    const DateTime* last = nullptr;
    for (const Qso& q : log.qsos) {
        if (q.time.status != static_cast<std::int32_t>(DateTimeStatus::valid)) continue;
        if (!first || q.time.days < first->days) first = &q.time;
        if (!last || q.time.days > last->days) last = &q.time;
    }
    if (!first) return {nullDateTime(), nullDateTime()};
    return {*first, *last};
}

std::size_t replayLog(HostSession& session, const ContactLog& log,
                      const std::function<void(std::size_t, std::size_t)>& progress) {
    std::size_t stored = 0;
    const std::size_t total = log.qsos.size();
    for (std::size_t i = 0; i < total; ++i) {
        if (session.add(log.qsos[i]) == 1) ++stored;
        if (progress && ((i + 1) % 500 == 0 || i + 1 == total)) progress(i + 1, total);
    }
    return stored;
}

}  // namespace korvan::host
