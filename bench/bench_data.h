#pragma once
// The data of the benchmarks: a temporary working folder with a kda.dom of
// 50,000 lines, and one deterministic contest log (about 20 % "UN"
// stations from the directory, a few dupes, bad codes, wrong bands and
// modes, one QSO a second) shared by the plug-in and the linear baseline.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/contest_rules.h"
#include "engine/host_calls.h"

using namespace korvan;

namespace bench {

inline constexpr std::size_t kDirectoryLines = 50000;
inline constexpr std::size_t kLargestLog = 100000;
// QSOs beyond the largest log, for the benchmarks that add to a log of any
// size: new stations, except that every 33rd repeats one of the first
// 1,000 QSOs, so they hold the same dupes whatever the size of the log.
inline constexpr std::size_t kExtraQsos = 4000;

// The current folder for the whole run; removed at the end.
class WorkingFolder {
public:
    WorkingFolder() {
        path_ = std::filesystem::temp_directory_path() / ("korvan-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path_ / "Plugins");
        std::filesystem::current_path(path_);
    }
    ~WorkingFolder() {
        std::error_code ignored;
        std::filesystem::current_path(path_.parent_path(), ignored);
        std::filesystem::remove_all(path_, ignored);
    }

private:
    std::filesystem::path path_;
};

// Callsign of directory line i: "UN"/"UP"/"UQ", a digit and three letters.
inline std::string directoryCall(std::size_t i) {
    static const char* const prefixes[] = {"UN", "UP", "UQ"};
    std::string call = prefixes[i % 3];
    i /= 3;
    call += static_cast<char>('0' + i % 10);
    i /= 10;
    for (int n = 0; n < 3; ++n, i /= 26) call += static_cast<char>('A' + i % 26);
    return call;
}

inline std::string directoryCode(std::size_t i) {
    const auto& table = kdaCodeTable();
    return std::string(table[(i * 7919) % table.size()]);
}

inline void writeKdaDirectory() {
    std::ofstream out("Plugins/kda.dom", std::ios::binary | std::ios::trunc);
    for (std::size_t i = 0; i < kDirectoryLines; ++i) out << directoryCall(i) << "  " << directoryCode(i) << "\r\n";
}

inline ResetArguments resetArguments() {
    ResetArguments args;
    args.ownCall = "UN0OWN";
    args.firstDate = COleDateTime::fromParts(2017, 3, 18, 6, 0);
    args.secondDate = COleDateTime::fromParts(2017, 3, 18, 12, 0);
    args.ownPrefix = "UN";
    args.ownContinent = "AS";
    return args;
}

// kLargestLog + kExtraQsos QSOs in logging order.
inline const std::vector<QsoArguments>& contestLog() {
    static const std::vector<QsoArguments> log = [] {
        struct Country {
            const char* prefix;
            const char* continent;
        };
        static const Country countries[] = {{"DL", "EU"}, {"UA", "EU"}, {"K", "NA"},  {"G", "EU"},   {"F", "EU"},
                                            {"I", "EU"},  {"SP", "EU"}, {"OK", "EU"}, {"JA", "AS"},  {"UA9", "AS"},
                                            {"VK", "OC"}, {"PY", "SA"}, {"ZS", "AF"}, {"EA", "EU"},  {"ON", "EU"},
                                            {"UR", "EU"}, {"YO", "EU"}, {"LZ", "EU"}, {"IT9", "EU"}, {"BY", "AS"}};
        static const char* const bands[] = {"80m", "40m", "20m", "15m", "10m"};
        std::mt19937 random(2017);
        std::vector<QsoArguments> qsos;
        qsos.reserve(kLargestLog + kExtraQsos);
        const COleDateTime start = COleDateTime::fromParts(2017, 3, 18, 6, 0);
        for (std::size_t i = 0; i < kLargestLog + kExtraQsos; ++i) {
            QsoArguments q;
            q.ownCall = "UN0OWN";
            q.time = start;
            q.time.m_dt += static_cast<double>(i) / 86400.0;
            q.band = bands[random() % 5];
            q.mode = random() % 2 ? "CW" : "SSB";
            q.frequencyHz = 14025000;
            q.rstSent = q.mode == "CW" ? "599" : "59";
            q.rstReceived = q.rstSent;
            q.exchangeSent = std::to_string(i % 1000 + 1);
            // 250,000 stations: 50,000 of the directory and 200,000 others.
            const std::size_t station = random() % 250000;
            if (station < kDirectoryLines) {
                q.call = directoryCall(station);
                q.prefix = "UN";
                q.continent = "AS";
                q.exchangeReceived = random() % 50 ? directoryCode(station) : "A07";  // 2 % bad codes
            } else {
                const Country& country = countries[station % 20];
                q.call = std::string(country.prefix) + std::to_string(station % 10) +
                         static_cast<char>('A' + station / 10 % 26) + static_cast<char>('A' + station / 260 % 26) +
                         static_cast<char>('A' + station / 6760 % 26);
                q.prefix = country.prefix;
                q.continent = country.continent;
                q.exchangeReceived = std::to_string(random() % 2000 + 1);
            }
            if (i >= kLargestLog) {
                const std::size_t extra = i - kLargestLog;
                if (extra % 33 == 0) {
                    const QsoArguments& repeated = qsos[extra % 1000];
                    q.call = repeated.call;
                    q.band = repeated.band;
                    q.mode = repeated.mode;
                } else {
                    // A fourth letter: no station of the log has one.
                    q.call += static_cast<char>('A' + extra % 26);
                }
            }
            const unsigned odd = random() % 400;
            if (odd == 0) q.band = "160m";   // wrong band
            if (odd == 1) q.mode = "RTTY";   // wrong mode
            qsos.push_back(std::move(q));
        }
        return qsos;
    }();
    return log;
}

// A benchmark program's main: a scratch working folder with the KDA
// directory, the contest log made before any timing, then the benchmarks.
inline int runBenchmarks(int argc, char** argv) {
    WorkingFolder folder;
    writeKdaDirectory();
    contestLog();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
