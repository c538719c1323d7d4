#pragma once
// The contest engine and the statistics done the straightforward way: every
// search walks the stored QSOs from the first one, the KDA directory is
// searched line by line, the bad-QSO file is opened on every AddData0, and
// the statistics make one pass over the QSOs per worked band with linear
// lists of the distinct prefixes and codes.
//
// It keeps a contest state of its own and writes its own bad-QSO file (the
// engine's name with "Linear_" in front) in the current folder, so it can
// run side by side with the plug-in on the same calls: the equivalence test
// compares the two, the benchmarks use it as the baseline. The file line
// formats, the rule lists and the rendering are the plug-in's own; only the
// searches and the counting are done here.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/bad_qso_file.h"
#include "engine/contest_rules.h"
#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "platform/files.h"
#include "report/report_rendering.h"
#include "report/statistics.h"

using namespace korvan;

namespace linear {

inline const char* const kKdaDirectoryFile = ".\\Plugins\\kda.dom";

class Engine {
public:
    std::vector<CInfo> qsoList;
    std::vector<std::string> workedBands;
    BandLists bandDxccLists;
    BandLists bandKdaLists;
    std::vector<std::string> kdaDirectory;
    bool kdaDirectoryLoaded = false;
    std::string ownCall;
    std::string ownPrefix;
    std::string ownContinent;
    std::string contestDate;
    std::string badQsoFileName;
    int exportRun = 0;
    std::int64_t claimedScore = 0;  // of the last result()

    int reset(const ResetArguments& args) {
        platform::LineReader reader(kKdaDirectoryFile);
        kdaDirectoryLoaded = reader.isOpen();
        if (kdaDirectoryLoaded) {
            kdaDirectory.clear();
            std::string line;
            while (reader.next(line))
                if (!line.empty()) kdaDirectory.push_back(line);
        }
        ownCall = args.ownCall;
        ownPrefix = args.ownPrefix;
        ownContinent = args.ownContinent;
        exportRun = args.exportRun;
        contestDate = args.secondDate.Format("%d.%m.%Y");
        qsoList.clear();
        workedBands.clear();
        badQsoFileName = "Linear_" + badqso::fileNameFor(args.secondDate);
        badqso::create(badQsoFileName);
        return 1;
    }

    // The state of the plug-in as it stands, without the files (a quick way
    // to a large log for the benchmarks).
    void adopt(const ContestState& state) {
        qsoList.assign(state.qsoList.begin(), state.qsoList.end());
        workedBands = state.workedBands;
        bandDxccLists = state.bandDxccLists;
        bandKdaLists = state.bandKdaLists;
        kdaDirectory = state.kdaDirectory.lines();
        kdaDirectoryLoaded = state.kdaDirectoryLoaded != 0;
        ownCall = state.ownCall;
        ownPrefix = state.ownPrefix;
        ownContinent = state.ownContinent;
        contestDate = state.contestDate;
        exportRun = state.exportRun;
    }

    std::string lookupKdaCode(const std::string& call) const {
        if (call.size() < 4) return "NET";
        for (const std::string& line : kdaDirectory)
            if (line.size() >= call.size() && line.compare(0, call.size(), call) == 0)
                return line.size() < 3 ? line : line.substr(line.size() - 3);
        return "NET";
    }

    int add(const QsoArguments& qso) {
        // The file is open for the whole call, whether or not a line is written.
        platform::TextWriter file(badQsoFileName, platform::WriteMode::append);
        const std::string dateText = qso.time.Format("%Y-%m-%d %H%M");
        if (!contestBands.containsNoCase(qso.band)) {
            file.writeLine(badqso::describeQso(qso, dateText, badqso::kWrongBand));
            return 0;
        }
        if (std::find(workedBands.begin(), workedBands.end(), qso.band) == workedBands.end())
            workedBands.push_back(qso.band);
        if (!contestModes.containsNoCase(qso.mode)) {
            file.writeLine(badqso::describeQso(qso, dateText, badqso::kWrongMode));
            return 0;
        }
        if (qso.exchangeReceived.empty() || qso.exchangeSent.empty()) {
            file.writeLine(badqso::describeQso(qso, dateText, badqso::kNoExchange));
            return 0;
        }
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
        if (isUnPrefix(qso.prefix)) {
            const std::string code = trimWhiteSpace(toUpperAscii(qso.exchangeReceived));
            if (isKdaCode(code)) {
                record.kdaCode = code;
            } else {
                record.invalid = 1;
                record.badCode = 1;
                file.writeLine(badqso::describeQso(qso, dateText, badqso::kBadKdaCode, &code));
            }
        }
        for (const CInfo& stored : qsoList) {
            if (stored.call == record.call && stored.band == record.band && stored.mode == record.mode) {
                record.invalid = 1;
                record.dupe = 1;
                file.writeLine(badqso::describeQso(qso, dateText, badqso::kDupe));
                break;
            }
        }
        qsoList.push_back(record);
        return 1;
    }

    int remove(const QsoArguments& qso) {
        for (std::size_t i = 0; i < qsoList.size(); ++i) {
            const CInfo& stored = qsoList[i];
            if (stored.call == qso.call && stored.band == qso.band && stored.mode == qso.mode &&
                sameMoment(stored.qsoTime, qso.time)) {
                qsoList.erase(qsoList.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
        if (qsoList.empty()) {
            workedBands.clear();
            for (auto& list : bandKdaLists) list.clear();
            for (auto& list : bandDxccLists) list.clear();
        }
        // Knowing nothing of the file, the removal reads and rewrites it.
        badqso::KnownLineCount nothingKnown;
        badqso::removeQsoLines(nothingKnown, badQsoFileName, qso.call, qso.time.Format("%Y-%m-%d %H%M"));
        return 1;
    }

    int checkCall(const std::string& call, const std::string& mode, const std::string& band, char* out) const {
        const std::string code = lookupKdaCode(call);
        const std::string candidateCode = code == "NET" ? std::string() : code;
        for (const CInfo& stored : qsoList)
            if (stored.call == call && stored.band == band && stored.mode == mode) return 0;
        int result = 2;
        for (const CInfo& stored : qsoList) {
            if (stored.band == band && stored.kdaCode == candidateCode) {
                result = 1;
                break;
            }
        }
        if (out && code != "NET" && kdaDirectoryLoaded) {
            const std::size_t length = std::min<std::size_t>(code.size(), 99);
            std::memcpy(out, code.data(), length);
            out[length] = '\0';
        }
        return result;
    }

    // What one pass over the stored QSOs gives for one band text: its row
    // (with the rates at the reference, whichever band it is), its distinct
    // prefixes and non-empty codes in order of first appearance, and the
    // points of its last counted QSO.
    struct BandWalk {
        report::BandRow row;
        std::vector<std::string> prefixes;
        std::vector<std::string> codes;
        std::int32_t lastPoints = 0;
    };

    COleDateTime referenceTime() const {
        return exportRun == 0 && qsoList.size() > 1 ? qsoList.back().qsoTime : COleDateTime{};
    }

    BandWalk walkBand(const std::string& band, const COleDateTime& reference) const {
        BandWalk walk;
        report::BandRow& row = walk.row;
        row.band = band;
        for (const CInfo& qso : qsoList) {
            if (qso.band != band || qso.call.empty()) continue;
            row.dupes += qso.dupe;
            row.bad += qso.badCode;
            if (qso.invalid != 0) continue;
            ++row.qsos;
            if (qso.mode == "CW") ++row.cw;
            if (qso.mode == "SSB") ++row.ssb;
            const std::int32_t points = report::qsoPoints(qso, ownPrefix, ownContinent);
            row.points += points;
            walk.lastPoints = points;
            const std::int64_t m = report::minutesBetween(reference, qso.qsoTime);
            if (m < 60) { ++row.qsos60; row.points60 += points; }
            if (m < 10) { ++row.qsos10; row.points10 += points; }
            if (std::find(walk.prefixes.begin(), walk.prefixes.end(), qso.prefix) == walk.prefixes.end()) {
                walk.prefixes.push_back(qso.prefix);
                ++row.dxcc;
            }
            if (!qso.kdaCode.empty() && std::find(walk.codes.begin(), walk.codes.end(), qso.kdaCode) == walk.codes.end()) {
                walk.codes.push_back(qso.kdaCode);
                ++row.kda;
            }
        }
        return walk;
    }

    report::Statistics statistics() {
        report::Statistics stats;
        report::sortWorkedBands(workedBands);
        const COleDateTime reference = referenceTime();
        for (const std::string& band : workedBands) {
            BandWalk walk = walkBand(band, reference);
            report::BandRow& row = walk.row;
            // Only the last record's band has rates and gives the last-QSO
            // points, and the rates only outside an export run.
            const bool lastBand = !qsoList.empty() && band == qsoList.back().band;
            if (lastBand) stats.totals.lastQsoPoints = walk.lastPoints;
            if (!lastBand || exportRun != 0) row.qsos60 = row.points60 = row.qsos10 = row.points10 = 0;
            const int slot = bandSlot(band);
            if (slot >= 0) {
                bandDxccLists[static_cast<std::size_t>(slot)] = walk.prefixes;
                bandKdaLists[static_cast<std::size_t>(slot)] = walk.codes;
            }
            report::ResultTotals& t = stats.totals;
            t.qsos += row.qsos;
            t.points += row.points;
            t.dxcc += row.dxcc;
            t.kda += row.kda;
            t.cw += row.cw;
            t.ssb += row.ssb;
            t.dupes += row.dupes;
            t.badStored += row.bad;
            t.qsos60 += row.qsos60;
            t.points60 += row.points60;
            t.qsos10 += row.qsos10;
            t.points10 += row.points10;
            stats.rows.push_back(row);
        }
        stats.totals.score = static_cast<std::int64_t>(stats.totals.points) *
                             (static_cast<std::int64_t>(stats.totals.dxcc) + stats.totals.kda);
        return stats;
    }

    std::int32_t countBadLines() const {
        std::vector<std::string> lines;
        if (!platform::readAllLines(badQsoFileName, lines)) return 0;
        std::int32_t count = 0;
        for (const std::string& line : lines) {
            const std::size_t dupe = line.find("DUPE");
            const std::size_t ubn = line.find("UBN");
            if ((dupe != std::string::npos && dupe > 0) || (ubn != std::string::npos && ubn > 0)) continue;
            ++count;
        }
        return count;
    }

    // The text GetResult0 returns.
    std::string result(bool html) {
        report::Statistics stats = statistics();
        stats.totals.badLineCount = countBadLines();
        claimedScore = stats.totals.score;
        const report::ReportHeading heading{contestDate, ownCall};
        return html ? report::renderHtml(stats, heading) : report::renderText(stats, heading);
    }
};

}  // namespace linear
