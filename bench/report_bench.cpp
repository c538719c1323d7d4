// korvan-host report on logs of 1,000 to 100,000 QSOs: the whole command
// (reading the log and the country file, loading the plug-in, the replay,
// the figures and the page), and its stages on their own.
//
//   build/native/bench/report_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "host_commands.h"
#include "log_reader.h"
#include "plugin_loader.h"
#include "report_figures.h"
#include "report_page.h"
#include "report_replay.h"

using namespace korvan;

namespace fs = std::filesystem;
using namespace korvan::host;

namespace {

const char* const kAreaCodes[] = {
#define KDA_GRID_BOX(id, code, caption, x, y, width) code,
#include "resources/kda_grid_table.inc"
#undef KDA_GRID_BOX
};
constexpr std::size_t kEntities = 300;
const char* const kBands[] = {"80m", "40m", "20m", "15m", "10m"};
const char* const kContinents[] = {"EU", "AS", "NA", "SA", "AF", "OC"};

std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return x;
}

// DXCC entity e: prefix "Z" and two letters.
std::string entityPrefix(std::size_t e) {
    return std::string("Z") + static_cast<char>('A' + e / 26) + static_cast<char>('A' + e % 26);
}

std::string countryFile() {
    std::string text = "Kazakhstan: 17: 30: AS: 48.17: -65.18: -5.0: UN:\n    UN,UO,UP,UQ;\n";
    for (std::size_t e = 0; e < kEntities; ++e)
        text += "Entity " + std::to_string(e) + ": 14: 28: " + kContinents[e % 6] + ": 51.0: -10.0: -1.0: " +
                entityPrefix(e) + ":\n    " + entityPrefix(e) + ";\n";
    return text;
}

std::string adifField(const char* name, const std::string& value) {
    return std::string("<") + name + ":" + std::to_string(value.size()) + ">" + value;
}

// A 48-hour log of `size` QSOs from size / 4 stations: the i-th QSO works
// station i mod S on the (i / S)-th of its band and mode pairs, so no pair
// repeats, except that every 50th QSO repeats the one 7 before (a dupe).
// A fifth of the stations are Kazakh, with a KDA code each; every 97th of
// their QSOs gives a bad code, every 211th QSO is on 160 m. The rate is
// higher in the first and last six hours.
std::string makeLog(std::size_t size) {
    const std::size_t stations = std::max<std::size_t>(size / 4, 1);
    std::ostringstream log;
    log << "report benchmark\n<EOH>\n";
    std::vector<std::string> records;
    records.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        if (i % 50 == 49 && i >= 7) {
            records.push_back(records[i - 7]);
            continue;
        }
        const std::size_t s = i % stations;
        const std::size_t pair = (i / stations + s) % 10;
        const bool kazakh = s % 5 == 0;
        std::string call = kazakh ? "UN" : entityPrefix(mix(s) % kEntities);
        call += static_cast<char>('0' + s % 10);
        for (std::size_t k = 0, x = s / 10; k < 3; ++k, x /= 26) call += static_cast<char>('A' + x % 26);
        std::string band = kBands[pair % 5];
        if (i % 211 == 0) band = "160m";
        const std::string mode = pair < 5 ? "CW" : "SSB";
        std::string received = std::to_string(100 + i % 900);
        if (kazakh) received = i % 97 == 0 ? "X99" : kAreaCodes[mix(s + 7) % std::size(kAreaCodes)];
        // Minutes from the start: the first and last quarters of the QSOs
        // in six hours each, the middle half in the 36 hours between.
        const double f = static_cast<double>(i) / static_cast<double>(size);
        const double minute = f < 0.25 ? f * 4 * 360 : f < 0.75 ? 360 + (f - 0.25) * 2 * 2160 : 2520 + (f - 0.75) * 4 * 360;
        const int total = static_cast<int>(minute);
        const int day = 21 + (12 * 60 + total) / 1440, clock = (12 * 60 + total) % 1440;
        char date[16], time[16];
        std::snprintf(date, sizeof date, "202603%02d", day);
        std::snprintf(time, sizeof time, "%02d%02d", clock / 60, clock % 60);
        records.push_back(adifField("CALL", call) + adifField("QSO_DATE", date) + adifField("TIME_ON", time) +
                          adifField("BAND", band) + adifField("MODE", mode) +
                          adifField("STX_STRING", std::to_string(i + 1)) + adifField("SRX_STRING", received) +
                          adifField("STATION_CALLSIGN", "UN0KVN") + "<EOR>\n");
    }
    for (const std::string& record : records) log << record;
    return log.str();
}

// The files of one run: a temporary folder with the log, the country file
// and the plug-in's working folder; removed at the end.
class BenchFolder {
public:
    explicit BenchFolder(std::size_t size)
        : path_(fs::temp_directory_path() / ("korvan-report-bench-" + std::to_string(::getpid()) + "-" +
                                             std::to_string(size))) {
        fs::create_directories(path_ / "work" / "Plugins");
        std::ofstream(path_ / "log.adi", std::ios::binary) << makeLog(size);
        std::ofstream(path_ / "cty.dat", std::ios::binary) << countryFile();
        std::ofstream(path_ / "work" / "Plugins" / "Korvan.ini", std::ios::binary) << "[Settings]\r\nStart=1\r\n";
    }
    ~BenchFolder() {
        std::error_code ignored;
        fs::current_path(path_.parent_path(), ignored);
        fs::remove_all(path_, ignored);
    }
    std::string operator()(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

BenchFolder& folderFor(std::size_t size) {
    static std::map<std::size_t, std::unique_ptr<BenchFolder>> folders;
    auto& folder = folders[size];
    if (!folder) folder = std::make_unique<BenchFolder>(size);
    return *folder;
}

void Report_Command(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    BenchFolder& files = folderFor(size);
    const std::vector<std::string> args{"report", files("log.adi"), "--plugin", KORVAN_PLUGIN, "--cty", files("cty.dat"),
                                        "--workdir", files("work"), "--out", files("report.html")};
    const fs::path start = fs::current_path();
    for (auto _ : state) {
        std::ostringstream out, err;
        const int code = runHostCommand(args, Defaults{"", "", ""}, out, err);
        fs::current_path(start);
        if (code != 0) {
            state.SkipWithError(("korvan-host report failed: " + err.str()).c_str());
            return;
        }
    }
    state.counters["page_bytes"] = static_cast<double>(fs::file_size(files("report.html")));
    state.counters["qsos"] = static_cast<double>(size);
}
BENCHMARK(Report_Command)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The stages of the command after the log is read: the replay with its
// statistics requests, the figures, the page.
class Stages {
public:
    explicit Stages(std::size_t size) : files_(folderFor(size)) {
        countries_ = CountryFile::parse(countryFile(), "cty.dat");
        log_ = readLogFile(files_("log.adi"));
        for (Qso& q : log_.qsos) {
            auto country = countries_.resolve(q.call);
            q.dxccPrefix = country ? country->prefix : "";
            q.continent = country ? country->continent : "";
        }
        bins_ = timeBinsFor(log_);
    }

    ReportReplay replay() {
        const fs::path start = fs::current_path();
        fs::current_path(files_("work"));
        PluginLibrary plugin(KORVAN_PLUGIN);
        HostSession session(plugin.api());
        const DateTime contestStart = contestSpan(log_).first;
        session.reset("./", false, own_, contestStart, contestStart);
        ReportReplay result = replayForReport(session, log_, badQsoFileName(contestStart), sampleMoments(bins_));
        fs::current_path(start);
        return result;
    }
    ReportFigures figures(const ReportReplay& replay) {
        return computeFigures({log_, replay, countries_, own_, log_.header, 30}, bins_);
    }
    std::string page(const ReportFigures& figures) {
        return renderReportPage(figures, log_, {"log.adi", "korvan-host 1.0"});
    }

private:
    BenchFolder& files_;
    CountryFile countries_;
    ContactLog log_;
    TimeBins bins_;
    Station own_{"UN0KVN", "UN", "AS"};
};

void Report_Replay(benchmark::State& state) {
    Stages stages(static_cast<std::size_t>(state.range(0)));
    std::size_t requests = 0;
    for (auto _ : state) requests = stages.replay().checkpoints.size();
    state.counters["statistics_requests"] = static_cast<double>(requests);
}
BENCHMARK(Report_Replay)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void Report_Figures(benchmark::State& state) {
    Stages stages(static_cast<std::size_t>(state.range(0)));
    const ReportReplay replay = stages.replay();
    for (auto _ : state) benchmark::DoNotOptimize(stages.figures(replay));
}
BENCHMARK(Report_Figures)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void Report_Page(benchmark::State& state) {
    Stages stages(static_cast<std::size_t>(state.range(0)));
    const ReportReplay replay = stages.replay();
    const ReportFigures figures = stages.figures(replay);
    std::size_t bytes = 0;
    for (auto _ : state) bytes = stages.page(figures).size();
    state.counters["page_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(Report_Page)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
