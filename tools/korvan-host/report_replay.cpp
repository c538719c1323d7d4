#include "report_replay.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unordered_set>

#include "log_error.h"
#include "text.h"

namespace fs = std::filesystem;

namespace korvan::host {

namespace {

std::optional<std::int64_t> number(std::string_view text) {
    text = trim(text);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::vector<std::string_view> split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> pieces;
    for (std::size_t at = 0;;) {
        const std::size_t next = text.find(separator, at);
        pieces.push_back(text.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        if (next == std::string_view::npos) return pieces;
        at = next + separator.size();
    }
}

// The lines a file gained since the last look. The plug-in appends the
// lines of one QSO in one write, each ending in CR LF.
class AppendedLines {
public:
    explicit AppendedLines(const std::string& path) : path_(path) {
        std::error_code ec;
        offset_ = fs::file_size(path_, ec);
        if (ec)
            throw InputError(path, 0,
                             "the plug-in did not make its bad-QSO file here (" + ec.message() +
                                 "); without it the QSOs it flags cannot be told");
    }

    std::vector<std::string> take() {
        std::vector<std::string> lines;
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(path_, ec);
        if (ec || size <= offset_) return lines;
        std::ifstream file(path_, std::ios::binary);
        file.seekg(static_cast<std::streamoff>(offset_));
        std::string bytes(static_cast<std::size_t>(size - offset_), '\0');
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(file.gcount()));
        // Only whole lines are taken; a line still being written stays for
        // the next look.
        const std::size_t end = bytes.rfind("\r\n");
        if (end == std::string::npos) return lines;
        for (std::string_view line : split(std::string_view(bytes).substr(0, end), "\r\n"))
            lines.emplace_back(line);
        offset_ += end + 2;
        return lines;
    }

private:
    std::string path_;
    std::uintmax_t offset_ = 0;
};

Sample sampleOf(const PluginStatistics& statistics, std::int64_t second) {
    const PluginBandRow& total = statistics.total;
    return {second, total.qsos, total.points, total.dxcc, total.kda, statistics.score};
}

PluginStatistics askStatistics(HostSession& session) {
    const std::string text = session.result();
    if (auto statistics = readStatisticsText(text)) return *statistics;
    throw InputError("the plug-in", 0, "answered the statistics request with a text korvan-host cannot read");
}

}  // namespace

std::optional<PluginStatistics> readStatisticsText(std::string_view text) {
    PluginStatistics statistics;
    bool sawTotal = false, sawScore = false;
    const std::vector<std::string_view> lines = split(text, "\r\n");
    statistics.heading = std::string(trim(lines.front()));
    for (std::string_view line : lines) {
        const std::vector<std::string_view> fields = split(line, "\t");
        if (line.rfind("Score:", 0) == 0) {
            const std::size_t equals = line.rfind('=');
            auto score = equals == std::string_view::npos ? std::nullopt : number(line.substr(equals + 1));
            if (!score) return std::nullopt;
            statistics.score = *score;
            statistics.scoreLine = std::string(trim(line));
            sawScore = true;
        } else if (fields.size() == 2 && (fields[0] == "Dupe" || fields[0] == "Bad QSO")) {
            auto count = number(fields[1]);
            if (!count) return std::nullopt;
            (fields[0] == "Dupe" ? statistics.dupes : statistics.badQsos) = *count;
        } else if (fields.size() == 7 && !fields[0].empty()) {
            PluginBandRow row;
            row.band = std::string(fields[0]);
            std::int64_t* columns[] = {&row.qsos, &row.points, &row.dxcc, &row.kda, &row.cw, &row.ssb};
            for (std::size_t i = 0; i < 6; ++i) {
                auto value = number(fields[i + 1]);
                if (!value) return std::nullopt;
                *columns[i] = *value;
            }
            if (row.band == "Total") {
                statistics.total = row;
                sawTotal = true;
            } else {
                statistics.bands.push_back(row);
            }
        }
    }
    if (!sawTotal || !sawScore) return std::nullopt;
    return statistics;
}

std::optional<std::int64_t> qsoSecond(const Qso& qso) {
    if (qso.time.status != static_cast<std::int32_t>(DateTimeStatus::valid) || !std::isfinite(qso.time.days))
        return std::nullopt;
    // Before the epoch the fraction counts the time of day forward from the
    // negative day number (-1.25 is 6:00 on 29 December 1899).
    double days = qso.time.days;
    if (days < 0) {
        const double day = std::ceil(days);
        days = day - (days - day);
    }
    if (std::fabs(days) > 1e8) return std::nullopt;
    return static_cast<std::int64_t>(std::llround(days * 86400.0));
}

std::string badQsoFileName(const DateTime& contestDate) {
    char name[64] = "BadQSO_StatsKORVAN_.txt";
    if (auto t = toCivilTime(contestDate))
        std::snprintf(name, sizeof name, "BadQSO_StatsKORVAN_%02d_%02d_%04d.txt", t->day, t->month, t->year);
    return name;
}

std::string kdaCodeOf(const Qso& qso) {
    return qso.dxccPrefix == "UN" ? toUpper(trim(qso.exchangeReceived)) : std::string();
}

namespace {

// The DXCC prefixes and KDA codes each band has had among the counted QSOs,
// and whether one came since the last statistics request.
// The DXCC prefixes each band has had among the counted QSOs, and the
// bands that gained one since the last statistics request.
class PrefixSteps {
public:
    // Whether q would bring its band a second new prefix since the last
    // request.
    bool wouldBeSecond(const Qso& q) const { return pending_.count(q.band) && !seen_.count(key(q)); }
    void counted(const Qso& q) {
        if (seen_.insert(key(q)).second) pending_.insert(q.band);
    }
    void statisticsRead() { pending_.clear(); }

private:
    static std::string key(const Qso& q) { return q.band + '\x1F' + q.dxccPrefix; }

    std::unordered_set<std::string> seen_, pending_;
};

}  // namespace

ReportReplay replayForReport(HostSession& session, const ContactLog& log, const std::string& badQsoFile,
                             const std::vector<std::int64_t>& sampleMoments,
                             const std::function<void(std::size_t, std::size_t)>& progress) {
    AppendedLines badLines(badQsoFile);
    PrefixSteps steps;
    ReportReplay replay;
    replay.outcomes.reserve(log.qsos.size());
    replay.samples.reserve(sampleMoments.size());

    bool current = false;  // the last checkpoint is the plug-in's state now
    auto statistics = [&]() -> const PluginStatistics& {
        if (!current) {
            replay.checkpoints.push_back(askStatistics(session));
            steps.statisticsRead();
            current = true;
        }
        return replay.checkpoints.back();
    };
    std::size_t nextMoment = 0;
    const std::size_t total = log.qsos.size();
    for (std::size_t i = 0; i < total; ++i) {
        const Qso& q = log.qsos[i];
        if (auto second = qsoSecond(q)) {
            while (nextMoment < sampleMoments.size() && sampleMoments[nextMoment] <= *second)
                replay.samples.push_back(sampleOf(statistics(), sampleMoments[nextMoment++]));
        }
        if (steps.wouldBeSecond(q)) statistics();
        QsoOutcome outcome;
        outcome.stored = session.add(q) == 1;
        outcome.badLines = badLines.take();
        outcome.nextCheckpoint = replay.checkpoints.size();
        current = false;
        if (outcome.counted()) steps.counted(q);
        replay.outcomes.push_back(std::move(outcome));
        if (progress && ((i + 1) % 500 == 0 || i + 1 == total)) progress(i + 1, total);
    }
    while (nextMoment < sampleMoments.size())
        replay.samples.push_back(sampleOf(statistics(), sampleMoments[nextMoment++]));
    statistics();
    return replay;
}

}  // namespace korvan::host
