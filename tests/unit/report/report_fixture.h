#pragma once
// Records for the statistics tests: QSOs of one contest day, 18 March 2017.
#include <string>

#include "engine/contest_state.h"

using namespace korvan;

inline COleDateTime at(int hour, int minute, int second = 0) {
    return COleDateTime::fromParts(2017, 3, 18, hour, minute, second);
}

inline CInfo qso(const std::string& call, const std::string& band, const std::string& mode, const std::string& prefix,
                 const std::string& continent, COleDateTime time = at(12, 0), const std::string& kda = "") {
    CInfo q;
    q.call = call;
    q.band = band;
    q.mode = mode;
    q.prefix = prefix;
    q.continent = continent;
    q.kdaCode = kda;
    q.qsoTime = time;
    return q;
}
