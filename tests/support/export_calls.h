#pragma once
// The plug-in's exported functions called with the host's argument
// positions, from the records of the engine (the arguments the plug-in does
// not read get placeholder texts).
#include "engine/host_calls.h"
#include "plugin/exports.h"

using namespace korvan;

namespace exports {

inline int addData(const QsoArguments& q) {
    COleDateTime time = q.time;
    return AddData0(q.ownCall.c_str(), q.call.c_str(), &time, nullptr, nullptr, nullptr, 0, q.frequencyHz,
                    q.mode.c_str(), q.rstSent.c_str(), q.rstReceived.c_str(), q.exchangeSent.c_str(),
                    q.exchangeReceived.c_str(), "", "", "", "", "", "", "", "", "", q.prefix.c_str(), 0, 0, 0, 0.0,
                    0.0, "", q.continent.c_str(), "", q.band.c_str(), "");
}

inline int removeData(const QsoArguments& q) {
    COleDateTime time = q.time;
    return RemoveData0(q.ownCall.c_str(), q.call.c_str(), &time, nullptr, nullptr, nullptr, 0, q.frequencyHz,
                       q.mode.c_str(), q.rstSent.c_str(), q.rstReceived.c_str(), q.exchangeSent.c_str(),
                       q.exchangeReceived.c_str(), "", "", "", "", "", "", "", "", "", q.prefix.c_str(), 0, 0, 0,
                       0.0, 0.0, "", q.continent.c_str(), "", q.band.c_str(), "");
}

inline int checkCall(const std::string& call, const std::string& mode, const std::string& band, char* out) {
    return CheckCallFunc0(call.c_str(), 0, 0, mode.c_str(), "", "", "", "", "", "", "", "", "", "", 0, 0, 0, 0.0,
                          0.0, "", "", "", "", "", band.c_str(), "", out, nullptr);
}

inline int resetStats(const ResetArguments& r) {
    COleDateTime first = r.firstDate;
    COleDateTime second = r.secondDate;
    return ResetStats0(r.hostFolder.c_str(), r.exportRun, r.ownCall.c_str(), &first, &second, "", "", "", "", "",
                       "", "", "", "", r.ownPrefix.c_str(), 0, 0, 0, 0.0, 0.0, "", r.ownContinent.c_str(), "");
}

}  // namespace exports
