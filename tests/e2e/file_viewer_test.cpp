// The plug-in's file rewrites while a viewer holds the file, run under wine:
// a second process opens the bad-QSO file or the Cabrillo log as a viewer
// does (read and write sharing, no delete sharing), which makes the rename
// over the file fail. The rewrite must then go into the file in place, and
// when even that is refused the old contents must stay.
// Prints one line per failed check and "N passed, N failed" last; the exit
// code is nonzero when a check failed.
//
// file_viewer_test.exe                         runs the checks
// file_viewer_test.exe hold FILE SHARING TAG   the viewer: holds FILE open
//     (SHARING "rw" or "r") until the event "TAG-release" is set, after it
//     set "TAG-ready"
#include "check_tally.h"
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>

#include "cabrillo/cabrillo_log.h"
#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "platform/files.h"
#include "platform/profile.h"

using namespace korvan;

namespace {


std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

int hold(const std::string& file, const std::string& sharing, const std::string& tag) {
    const DWORD share = sharing == "rw" ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 2;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (tag + "-ready").c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, (tag + "-release").c_str());
    if (!ready || !release) return 3;
    SetEvent(ready);
    WaitForSingleObject(release, 60000);  // bounded: a lost test never leaves a viewer behind
    CloseHandle(handle);
    return 0;
}

// A second process holding a file open as a viewer, for its lifetime.
class Viewer {
public:
    Viewer(const std::string& file, const char* sharing) {
        static int count = 0;
        const std::string tag = "korvan-viewer-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
        ready_ = CreateEventA(nullptr, TRUE, FALSE, (tag + "-ready").c_str());
        release_ = CreateEventA(nullptr, TRUE, FALSE, (tag + "-release").c_str());
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string command = std::string("\"") + self + "\" hold \"" + file + "\" " + sharing + " " + tag;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process_)) {
            HANDLE either[] = {ready_, process_.hProcess};
            holding_ = WaitForMultipleObjects(2, either, FALSE, 30000) == WAIT_OBJECT_0;
        }
        check(holding_, "the viewer holds " + file);
    }
    ~Viewer() {
        SetEvent(release_);
        if (process_.hProcess) {
            WaitForSingleObject(process_.hProcess, 30000);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        CloseHandle(ready_);
        CloseHandle(release_);
    }

private:
    HANDLE ready_ = nullptr;
    HANDLE release_ = nullptr;
    PROCESS_INFORMATION process_{};
    bool holding_ = false;
};

bool noTemporaryFiles() { return platform::listDirectory("*.tmp").empty(); }

QsoArguments dupeQso() {
    QsoArguments q;
    q.ownCall = "UN0OWN";
    q.call = "DL1ABC";
    q.time = COleDateTime::fromParts(2017, 3, 18, 9, 42);
    q.frequencyHz = 14025000;
    q.mode = "CW";
    q.rstSent = q.rstReceived = "599";
    q.exchangeSent = "001";
    q.exchangeReceived = "015";
    q.prefix = "DL";
    q.continent = "EU";
    q.band = "20m";
    return q;
}

void removalRewritesTheHeldBadQsoFile() {
    const std::string file = "BadQSO_StatsKORVAN_18_03_2017.txt";
    ResetArguments reset;
    reset.ownCall = "UN0OWN";
    reset.firstDate = reset.secondDate = COleDateTime::fromParts(2017, 3, 18, 6, 0);
    reset.ownPrefix = "UN";
    reset.ownContinent = "AS";
    CreateDirectoryA("Plugins", nullptr);
    platform::writeProfileString(settingsFile, settingsSection, "Start", "1");  // no window thread
    resetStats(reset);
    addQso(dupeQso());
    addQso(dupeQso());
    const std::string withLine = contents(file);
    check(withLine.find("DL1ABC") != std::string::npos, "the dupe line is in the bad-QSO file");
    {
        Viewer viewer(file, "rw");
        removeQso(dupeQso());
        check(contents(file) == "KORVAN CONTEST UBN file  \r\n",
              "the removal rewrote the held bad-QSO file in place: [" + contents(file) + "]");
    }
    check(noTemporaryFiles(), "no temporary file is left after the removal");
}

void exportRewritesTheHeldLogOrKeepsIt() {
    CabrilloLog& log = cabrilloLog();
    log.callsign = log.fileCallsign = "UN0OWN";
    log.qsoLines = {"QSO: 14025 CW 2017-03-18 0942 UN0OWN        599 001    DL1ABC        599 015\r\n"};
    write("UN0OWN.cbr", "previous log, longer than the new one would need to be to show a cut: " +
                            std::string(5000, 'x') + "\r\n");
    {
        Viewer viewer("UN0OWN.cbr", "rw");
        check(log.writeLog() == "File produced: UN0OWN.cbr", "the held log is written in place");
        std::string hostVersion;
        long long score = 0;
        {
            std::lock_guard<std::mutex> guard(stateLock());
            hostVersion = contestState().hostVersion;
            score = contestState().claimedScore;
        }
        check(contents("UN0OWN.cbr") == log.logText(hostVersion, score), "the held log holds the new contents");
    }
    check(noTemporaryFiles(), "no temporary file is left after the export");

    // A viewer that shares reading only: neither the rename nor the write in
    // place may go through; the old log stays whole.
    write("UN0OWN.cbr", "previous log\r\n");
    {
        Viewer viewer("UN0OWN.cbr", "r");
        check(log.writeLog() == "File not produced: UN0OWN.cbr", "a log held without write sharing is not produced");
        check(contents("UN0OWN.cbr") == "previous log\r\n", "the old log stays whole");
    }
    check(noTemporaryFiles(), "no temporary file is left after the refused export");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "hold") == 0) return hold(argv[2], argv[3], argv[4]);
    removalRewritesTheHeldBadQsoFile();
    exportRewritesTheHeldLogOrKeepsIt();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
