#include "report_figures.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "text.h"

namespace korvan::host {

namespace {

constexpr std::size_t kMostBins = 72;
constexpr std::size_t kMostSamples = 240;
constexpr std::int64_t kHour = 3600;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The message of a bad-QSO line: its end after the last two blanks, without
// the closing " !!!".
std::string messageOf(std::string_view line) {
    line = trim(line);
    if (line.size() >= 4 && line.substr(line.size() - 4) == " !!!") {
        line = trim(line.substr(0, line.size() - 4));
        const std::size_t gap = line.rfind("  ");
        if (gap != std::string_view::npos) line = trim(line.substr(gap));
    }
    return std::string(line);
}

// The indexes of the QSOs with a valid time, ordered by time (log order
// among equal times).
std::vector<std::size_t> byTime(const std::vector<std::optional<std::int64_t>>& seconds,
                                const std::vector<bool>* only = nullptr) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < seconds.size(); ++i)
        if (seconds[i] && (!only || (*only)[i])) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return *seconds[a] < *seconds[b]; });
    return order;
}

BestRate bestRate(const std::vector<std::size_t>& order, const std::vector<std::optional<std::int64_t>>& seconds,
                  std::int64_t window) {
    BestRate best;
    std::size_t end = 0;
    for (std::size_t begin = 0; begin < order.size(); ++begin) {
        const std::int64_t from = *seconds[order[begin]];
        end = std::max(end, begin);
        while (end < order.size() && *seconds[order[end]] < from + window) ++end;
        const auto count = static_cast<std::int64_t>(end - begin);
        if (count > best.qsos) best = {count, from};
    }
    return best;
}

// Counts sorted by count (most first), then by name; the first `keep`.
std::vector<RankedName> ranked(const std::map<std::string, std::int64_t>& counts,
                               const std::map<std::string, std::string>& details, std::size_t keep) {
    std::vector<RankedName> rows;
    for (const auto& [name, count] : counts) {
        auto detail = details.find(name);
        rows.push_back({name, detail == details.end() ? std::string() : detail->second, count});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const RankedName& a, const RankedName& b) { return a.count > b.count; });
    if (rows.size() > keep) rows.resize(keep);
    return rows;
}

std::size_t indexOf(const std::vector<std::string>& texts, const std::string& text) {
    return static_cast<std::size_t>(std::find(texts.begin(), texts.end(), text) - texts.begin());
}

void summarise(ReportFigures& f, const std::vector<std::optional<std::int64_t>>& seconds,
               const std::vector<bool>& counted, int offTimeMinutes) {
    const std::vector<std::size_t> all = byTime(seconds);
    if (!all.empty()) f.active = TimeSpan{*seconds[all.front()], *seconds[all.back()]};
    const std::int64_t breakLength = static_cast<std::int64_t>(offTimeMinutes) * 60;
    for (std::size_t k = 1; k < all.size(); ++k) {
        const std::int64_t from = *seconds[all[k - 1]], to = *seconds[all[k]];
        if (to - from >= breakLength) {
            f.breaks.push_back({from, to});
            f.offTime += to - from;
        }
    }
    if (f.active) f.onTime = f.active->to - f.active->from - f.offTime;
    const std::vector<std::size_t> countedOrder = byTime(seconds, &counted);
    f.best10 = bestRate(countedOrder, seconds, 10 * 60);
    f.best60 = bestRate(countedOrder, seconds, 60 * 60);
}

void overTime(ReportFigures& f, const ContactLog& log, const std::vector<std::optional<std::int64_t>>& seconds,
              const std::vector<bool>& counted) {
    const TimeBins& bins = f.bins;
    auto binOf = [&](std::int64_t second) {
        const std::int64_t bin = floorDiv(second - bins.start, bins.seconds);
        return static_cast<std::size_t>(std::clamp<std::int64_t>(bin, 0, static_cast<std::int64_t>(bins.count) - 1));
    };
    f.qsosByBand.assign(f.bands.size(), std::vector<std::int64_t>(bins.count));
    f.qsosByMode.assign(f.modes.size(), std::vector<std::int64_t>(bins.count));
    f.bandChanges.assign(bins.count, 0);
    for (std::size_t i = 0; i < log.qsos.size(); ++i) {
        if (!counted[i] || !seconds[i] || bins.count == 0) continue;
        const std::size_t bin = binOf(*seconds[i]);
        if (std::size_t b = indexOf(f.bands, log.qsos[i].band); b < f.bands.size()) ++f.qsosByBand[b][bin];
        if (std::size_t m = indexOf(f.modes, log.qsos[i].mode); m < f.modes.size()) ++f.qsosByMode[m][bin];
    }

    // The plug-in's totals at the bin edges give the multipliers each bin added.
    f.newDxcc.assign(bins.count, 0);
    f.newKda.assign(bins.count, 0);
    for (std::size_t b = 0; b < bins.count; ++b) {
        const std::size_t at = b * bins.samplesPerBin, next = (b + 1) * bins.samplesPerBin;
        if (next >= f.samples.size()) break;
        f.newDxcc[b] = f.samples[next].dxcc - f.samples[at].dxcc;
        f.newKda[b] = f.samples[next].kda - f.samples[at].kda;
    }

    // Band changes and runs follow the operator: every logged QSO in time order.
    BandRun run;
    const Qso* previous = nullptr;
    for (std::size_t i : byTime(seconds)) {
        const Qso& q = log.qsos[i];
        if (previous && q.band != previous->band) {
            ++f.bandChanges[binOf(*seconds[i])];
            ++f.bandChangeCount;
        }
        if (!previous || q.band != run.band) run = {q.band, 0, {*seconds[i], *seconds[i]}};
        ++run.qsos;
        run.span.to = *seconds[i];
        if (run.qsos > f.longestRun.qsos) f.longestRun = run;
        previous = &q;
    }
}

// The band's DXCC and KDA counts at a checkpoint of the replay.
std::pair<std::int64_t, std::int64_t> bandCounts(const PluginStatistics& statistics, const std::string& band) {
    for (const PluginBandRow& row : statistics.bands)
        if (row.band == band) return {row.dxcc, row.kda};
    return {0, 0};
}

// Each band's multipliers in the order the plug-in counted them. A counted
// QSO whose DXCC prefix (as handed to the plug-in) no earlier counted QSO on
// its band had may bring a new multiplier: the replay read the statistics
// around it so that no other QSO between the two reads could, and the
// growth of the band's DXCC count says whether it did. A KDA code no
// earlier counted QSO on the band had is new; the growth of the KDA count
// between two reads is checked against the number of such codes.
void multipliers(ReportFigures& f, const ContactLog& log, const ReportReplay& replay) {
    std::vector<std::set<std::string>> prefixes(f.bands.size()), codes(f.bands.size());
    std::map<std::pair<std::size_t, std::size_t>, std::vector<std::size_t>> newCodes;  // (read, band) -> QSOs
    f.multipliers.resize(f.bands.size());
    for (std::size_t b = 0; b < f.bands.size(); ++b) {
        f.multipliers[b].band = f.bands[b];
        f.multipliers[b].pluginDxcc = f.totals.bands[b].dxcc;
        f.multipliers[b].pluginKda = f.totals.bands[b].kda;
    }
    auto growth = [&](std::size_t after, const std::string& band) {
        if (after >= replay.checkpoints.size()) return std::pair<std::int64_t, std::int64_t>{0, 0};
        const auto now = bandCounts(replay.checkpoints[after], band);
        const auto before = after == 0 ? std::pair<std::int64_t, std::int64_t>{0, 0}
                                       : bandCounts(replay.checkpoints[after - 1], band);
        return std::pair<std::int64_t, std::int64_t>{now.first - before.first, now.second - before.second};
    };
    const std::vector<QsoOutcome>& outcomes = replay.outcomes;
    for (std::size_t i = 0; i < log.qsos.size() && i < outcomes.size(); ++i) {
        if (!outcomes[i].counted()) continue;
        const Qso& q = log.qsos[i];
        const std::size_t b = indexOf(f.bands, q.band);
        if (b >= f.bands.size()) continue;
        BandMultipliers& m = f.multipliers[b];
        if (prefixes[b].insert(q.dxccPrefix).second) {
            const std::int64_t grew = growth(outcomes[i].nextCheckpoint, q.band).first;
            if (grew == 1)
                m.firsts.push_back({q.dxccPrefix, false, i});
            else if (grew == 0)
                m.notNew.push_back({q.dxccPrefix, false, i});
            else
                f.mismatches.push_back(q.band + ": the plug-in's DXCC count grew by " + std::to_string(grew) +
                                       " with the QSO of line " + std::to_string(q.line));
        }
        if (const std::string code = kdaCodeOf(q); !code.empty() && codes[b].insert(code).second) {
            m.firsts.push_back({code, true, i});
            m.kdaAreas.push_back(code);
            newCodes[{outcomes[i].nextCheckpoint, b}].push_back(i);
        }
    }
    for (const auto& [key, qsos] : newCodes) {
        const std::string& band = f.bands[key.second];
        const std::int64_t grew = growth(key.first, band).second;
        if (grew != static_cast<std::int64_t>(qsos.size()))
            f.mismatches.push_back(band + ": the plug-in's KDA count grew by " + std::to_string(grew) + " with the " +
                                   std::to_string(qsos.size()) + " new codes of the QSOs from line " +
                                   std::to_string(log.qsos[qsos.front()].line));
    }
    for (BandMultipliers& m : f.multipliers) {
        std::sort(m.kdaAreas.begin(), m.kdaAreas.end());
        const auto dxcc = std::count_if(m.firsts.begin(), m.firsts.end(), [](const FirstWorked& w) { return !w.kdaArea; });
        const auto kda = static_cast<std::int64_t>(m.kdaAreas.size());
        if (dxcc != m.pluginDxcc || kda != m.pluginKda)
            f.mismatches.push_back(m.band + ": " + std::to_string(dxcc) + " DXCC prefixes and " + std::to_string(kda) +
                                   " KDA areas were seen to be new, the plug-in counts " +
                                   std::to_string(m.pluginDxcc) + " and " + std::to_string(m.pluginKda));
    }
    if (static_cast<std::int64_t>(f.countedQsos) != f.totals.total.qsos)
        f.mismatches.push_back("the plug-in counts " + std::to_string(f.totals.total.qsos) + " QSOs, its answers per QSO " +
                               std::to_string(f.countedQsos));
}

void stations(ReportFigures& f, const ContactLog& log, const CountryFile& countryFile,
              const std::vector<bool>& counted) {
    std::map<std::string, std::int64_t> countries, continents, areas;
    std::map<std::string, std::string> countryPrefix;
    // A country's name by the DXCC prefix the QSOs were handed with: one
    // look-up in the country file per prefix, not per QSO.
    std::unordered_map<std::string, std::string> countryOfPrefix;
    std::unordered_map<std::string, std::uint32_t> bandsOfCall;  // a bit per band row
    for (std::size_t i = 0; i < log.qsos.size(); ++i) {
        if (!counted[i]) continue;
        const Qso& q = log.qsos[i];
        auto known = countryOfPrefix.find(q.dxccPrefix);
        if (known == countryOfPrefix.end()) {
            auto country = countryFile.resolve(q.call);
            known = countryOfPrefix.emplace(q.dxccPrefix, country ? country->name : "(not in the country file)").first;
        }
        ++countries[known->second];
        countryPrefix.emplace(known->second, q.dxccPrefix);
        ++continents[q.continent.empty() ? "(none)" : q.continent];
        if (const std::string code = kdaCodeOf(q); !code.empty()) ++areas[code];
        const std::size_t b = indexOf(f.bands, q.band);
        bandsOfCall[q.call] |= b < 32 ? 1u << b : 0u;
    }
    f.countryCount = countries.size();
    f.kdaAreaCount = areas.size();
    f.stationCount = bandsOfCall.size();
    f.countries = ranked(countries, countryPrefix, kRankedRows);
    f.continents = ranked(continents, {}, continents.size());
    f.kdaAreas = ranked(areas, {}, kRankedRows);

    // The stations with the most bands, then by call.
    std::vector<RankedName> multiBand;
    for (const auto& [call, mask] : bandsOfCall) {
        std::int64_t count = 0;
        std::string list;
        for (std::size_t b = 0; b < f.bands.size() && b < 32; ++b) {
            if (!(mask & (1u << b))) continue;
            ++count;
            list += (list.empty() ? "" : " ") + f.bands[b];
        }
        if (count > 1) multiBand.push_back({call, list, count});
    }
    const std::size_t keep = std::min(kRankedRows, multiBand.size());
    std::partial_sort(multiBand.begin(), multiBand.begin() + static_cast<std::ptrdiff_t>(keep), multiBand.end(),
                      [](const RankedName& a, const RankedName& b) {
                          return a.count != b.count ? a.count > b.count : a.name < b.name;
                      });
    multiBand.resize(keep);
    f.multiBandStations = std::move(multiBand);
}

void problems(ReportFigures& f, const ContactLog& log, const std::vector<QsoOutcome>& outcomes) {
    auto keyOf = [](const Qso& q) { return q.call + '\x1F' + q.band + '\x1F' + q.mode; };
    std::unordered_map<std::string, std::optional<std::size_t>> firstStored;  // the dupes' call, band and mode
    for (std::size_t i = 0; i < log.qsos.size(); ++i) {
        const QsoVerdict verdict = verdictOf(outcomes[i]);
        if (verdict.verdict != Verdict::counted) f.problems.push_back({i, verdict, std::nullopt});
        if (verdict.verdict == Verdict::dupe) firstStored.emplace(keyOf(log.qsos[i]), std::nullopt);
    }
    if (firstStored.empty()) return;
    // The QSO a dupe repeats: the first the plug-in stored with its call,
    // band and mode (the plug-in's dupe search looks for exactly these).
    for (std::size_t i = 0; i < log.qsos.size(); ++i) {
        if (!outcomes[i].stored) continue;
        auto it = firstStored.find(keyOf(log.qsos[i]));
        if (it != firstStored.end() && !it->second) it->second = i;
    }
    for (Problem& p : f.problems) {
        if (p.verdict.verdict != Verdict::dupe) continue;
        const std::optional<std::size_t> first = firstStored[keyOf(log.qsos[p.qso])];
        if (first && *first != p.qso) p.repeats = first;
    }
}

}  // namespace

QsoVerdict verdictOf(const QsoOutcome& outcome) {
    QsoVerdict v;
    bool dupe = false, badKda = false;
    for (const std::string& line : outcome.badLines) {
        const std::string message = messageOf(line);
        dupe = dupe || message.find("DUPE") != std::string::npos;
        badKda = badKda || message.find("KDA") != std::string::npos;
        v.reason += (v.reason.empty() ? "" : "; ") + message;
    }
    if (dupe)
        v.verdict = Verdict::dupe;
    else if (badKda)
        v.verdict = Verdict::badKda;
    else if (!outcome.stored || !outcome.badLines.empty())
        v.verdict = Verdict::rejected;
    if (v.verdict == Verdict::rejected && v.reason.empty()) v.reason = "rejected without a line in the bad-QSO file";
    return v;
}

TimeBins timeBinsFor(const ContactLog& log) {
    std::optional<std::int64_t> first, last;
    for (const Qso& q : log.qsos) {
        if (auto second = qsoSecond(q)) {
            first = first ? std::min(*first, *second) : *second;
            last = last ? std::max(*last, *second) : *second;
        }
    }
    TimeBins bins;
    if (!first) return bins;
    static const std::int64_t kWidths[] = {1, 2, 3, 4, 6, 8, 12, 24};
    std::int64_t hours = 0;
    auto countFor = [&](std::int64_t width) {
        const std::int64_t seconds = width * kHour;
        return floorDiv(*last, seconds) - floorDiv(*first, seconds) + 1;
    };
    for (std::int64_t width : kWidths) {
        if (countFor(width) <= static_cast<std::int64_t>(kMostBins)) {
            hours = width;
            break;
        }
    }
    if (hours == 0)
        for (hours = 48; countFor(hours) > static_cast<std::int64_t>(kMostBins);) hours *= 2;
    bins.seconds = hours * kHour;
    bins.start = floorDiv(*first, bins.seconds) * bins.seconds;
    bins.count = static_cast<std::size_t>(countFor(hours));
    bins.samplesPerBin = std::clamp<std::size_t>(kMostSamples / bins.count, 1, 6);
    return bins;
}

std::vector<std::int64_t> sampleMoments(const TimeBins& bins) {
    std::vector<std::int64_t> moments;
    if (bins.count == 0) return moments;
    const std::int64_t step = bins.seconds / static_cast<std::int64_t>(bins.samplesPerBin);
    for (std::size_t b = 0; b < bins.count; ++b)
        for (std::size_t k = 0; k < bins.samplesPerBin; ++k)
            moments.push_back(bins.edge(b) + static_cast<std::int64_t>(k) * step);
    moments.push_back(bins.edge(bins.count));
    return moments;
}

std::string formatMoment(std::int64_t second) {
    DateTime value;
    value.days = static_cast<double>(second) / 86400.0;
    auto t = toCivilTime(value);
    if (!t) return "?";
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t->year, t->month, t->day, t->hour, t->minute);
    return text;
}

std::string formatDuration(std::int64_t seconds) {
    const std::int64_t minutes = std::max<std::int64_t>(seconds, 0) / 60;
    const std::int64_t days = minutes / 1440, hours = minutes / 60 % 24, rest = minutes % 60;
    if (days == 0 && hours == 0) return std::to_string(rest) + " min";
    const std::string clock = std::to_string(hours) + " h " + (rest < 10 ? "0" : "") + std::to_string(rest) + " min";
    return days == 0 ? clock : std::to_string(days) + " d " + clock;
}

ReportFigures computeFigures(const ReportInput& input, const TimeBins& bins) {
    const ContactLog& log = input.log;
    const std::vector<QsoOutcome>& outcomes = input.replay.outcomes;
    ReportFigures f;
    f.own = input.own;
    for (const HeaderLine& line : input.header)
        if (line.tag.rfind("CATEGORY-", 0) == 0) f.category.push_back(line);
    f.offTimeMinutes = input.offTimeMinutes;
    f.totals = input.replay.final();
    f.bins = bins;
    f.samples = input.replay.samples;
    for (const PluginBandRow& row : f.totals.bands) f.bands.push_back(row.band);
    f.modes = {"CW", "SSB"};
    f.loggedQsos = log.qsos.size();

    std::vector<std::optional<std::int64_t>> seconds(log.qsos.size());
    std::vector<bool> counted(log.qsos.size());
    for (std::size_t i = 0; i < log.qsos.size(); ++i) {
        seconds[i] = qsoSecond(log.qsos[i]);
        counted[i] = i < outcomes.size() && outcomes[i].counted();
    }
    f.countedQsos = static_cast<std::size_t>(std::count(counted.begin(), counted.end(), true));

    summarise(f, seconds, counted, input.offTimeMinutes);
    overTime(f, log, seconds, counted);
    multipliers(f, log, input.replay);
    stations(f, log, input.countries, counted);
    problems(f, log, outcomes);
    return f;
}

}  // namespace korvan::host
