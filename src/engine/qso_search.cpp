#include "engine/qso_search.h"

int findDupe(const std::vector<CInfo>& qsos, const std::string& call, const std::string& band,
             const std::string& mode) {
    for (std::size_t i = 0; i < qsos.size(); ++i) {
        const CInfo& qso = qsos[i];
        if (qso.call == call && qso.band == band && qso.mode == mode) return static_cast<int>(i);
    }
    return kNotFound;
}

int findSameArea(const std::vector<CInfo>& qsos, const std::string& band, const std::string& kdaCode) {
    for (std::size_t i = 0; i < qsos.size(); ++i) {
        const CInfo& qso = qsos[i];
        if (qso.band == band && qso.kdaCode == kdaCode) return static_cast<int>(i);
    }
    return kNotFound;
}

int findLoggedQso(const std::vector<CInfo>& qsos, const std::string& call, const std::string& band,
                  const std::string& mode, const COleDateTime& time) {
    for (std::size_t i = 0; i < qsos.size(); ++i) {
        const CInfo& qso = qsos[i];
        if (qso.call == call && qso.band == band && qso.mode == mode && sameMoment(qso.qsoTime, time))
            return static_cast<int>(i);
    }
    return kNotFound;
}
