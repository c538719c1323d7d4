// AddData0: decides whether a QSO is stored, flags stored QSOs that do not
// count, and collects the bad-QSO file lines, which are written after the
// state lock is released.
#include <exception>
#include <string>
#include <vector>

#include "engine/bad_line_count.h"
#include "engine/bad_qso_file.h"
#include "engine/contest_rules.h"
#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "engine/qso_search.h"

namespace korvan {

namespace {

CInfo makeRecord(const QsoArguments& qso) {
    CInfo record;
    record.call = qso.call;
    record.band = qso.band;
    record.mode = qso.mode;
    record.continent = qso.continent;
    record.rstReceived = qso.rstReceived;
    record.rstSent = qso.rstSent;
    record.exchangeReceived = qso.exchangeReceived;
    record.exchangeSent = qso.exchangeSent;
    record.prefix = (qso.prefix == "IT9" || qso.prefix == "IG9") ? std::string("I") : qso.prefix;
    record.frequencyKHz = static_cast<std::int32_t>(qso.frequencyHz / 1000u);
    record.qsoTime = qso.time;
    return record;
}

void noteWorkedBand(std::vector<std::string>& workedBands, const std::string& band) {
    for (const std::string& worked : workedBands)
        if (worked == band) return;
    workedBands.push_back(band);
}

// The bad-QSO line of the QSO with this message. The time is formatted
// only here: most QSOs write no line.
std::string lineFor(const QsoArguments& qso, const std::string& message, const std::string* code = nullptr) {
    return badqso::describeQso(qso, qso.time.Format("%Y-%m-%d %H%M"), message, code);
}

// The steps of AddData0 on the locked state; lines receives the bad-QSO
// lines in the order they are written.
int acceptQso(ContestState& state, const QsoArguments& qso, std::vector<std::string>& lines) {
    if (!contestBands.containsNoCase(qso.band)) {
        lines.push_back(lineFor(qso, badqso::kWrongBand));
        return 0;
    }
    noteWorkedBand(state.workedBands, qso.band);
    if (!contestModes.containsNoCase(qso.mode)) {
        lines.push_back(lineFor(qso, badqso::kWrongMode));
        return 0;
    }
    if (qso.exchangeReceived.empty() || qso.exchangeSent.empty()) {
        lines.push_back(lineFor(qso, badqso::kNoExchange));
        return 0;
    }

    CInfo record = makeRecord(qso);
    if (isUnPrefix(qso.prefix)) {
        const std::string code = trimWhiteSpace(toUpperAscii(qso.exchangeReceived));
        if (isKdaCode(code)) {
            record.kdaCode = code;
        } else {
            record.invalid = 1;
            record.badCode = 1;
            lines.push_back(lineFor(qso, badqso::kBadKdaCode, &code));
        }
    }
    if (isDupe(state, record.call, record.band, record.mode)) {
        record.invalid = 1;
        record.dupe = 1;
        lines.push_back(lineFor(qso, badqso::kDupe));
    }
    storeQso(state, std::move(record));
    return 1;
}

}  // namespace

int addQso(const QsoArguments& qso) {
    std::vector<std::string> lines;
    std::string fileName;
    int result = 0;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        ContestState& state = contestState();
        fileName = state.badQsoFileName;
        result = acceptQso(state, qso, lines);
    }
    // The QSO is stored or not by now and the result says which; a file
    // write that fails, even for lack of memory, must not change that.
    try {
        if (lines.empty()) return result;
        // The stamps around the append tell whether the known count of the
        // file's lines may simply grow by these lines.
        const platform::FileStamp before = platform::fileStamp(fileName);
        badqso::appendLines(fileName, lines);
        const platform::FileStamp after = platform::fileStamp(fileName);
        std::lock_guard<std::mutex> guard(stateLock());
        badqso::noteAppend(contestState().knownBadLines, fileName, before, after, lines);
    } catch (const std::exception&) {
    }
    return result;
}

}  // namespace korvan
