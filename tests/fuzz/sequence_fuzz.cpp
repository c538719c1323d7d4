// Sequences of export calls decoded from the fuzzer's bytes (resets with and
// without an export run, adds, removals, call checks, exchange checks,
// statistics), made through the exported functions and on the linear
// reference engine side by side: results, out-buffers, stored QSOs, worked
// bands, statistics texts and per-band lists, the bad-QSO files and the
// Cabrillo log must agree, and after every operation the statistics figures
// the plug-in keeps must be those of the reference's walks.
// Texts are taken from small pools (so that dupes, equal moments and
// directory hits occur) or, now and then, are raw bytes with control
// characters.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "cabrillo/cabrillo_export.h"
#include "cabrillo/cabrillo_log.h"
#include "export_calls.h"
#include "fuzz_support.h"
#include "linear_engine.h"
#include "tally_check.h"
#include "platform/dialog.h"
#include "platform/headless/testing.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "resources/resource.h"

using namespace korvan;

namespace {

const char* const kCalls[] = {"UN7AB", "UN7ABC", "UN7B", "DL1ABC", "dl1abc", "UN7A", "K1XX", "UN7AB/P", ""};
const char* const kBands[] = {"80m", "40m", "20m", "15m", "10m", "20M", "160m", ""};
const char* const kModes[] = {"CW", "SSB", "cw", "RTTY", ""};
const char* const kExchanges[] = {"A01", " a01 ", "B02", "Z03", "A07", "015", "K02", ""};
const char* const kPrefixes[] = {"UN", "DL", "UA", "IT9", "K", ""};
const char* const kDirectoryStarts[] = {"UN7A", "UN7AB", "UN7ABC", "UN7B", "UN9Q", "un7ab", "UN7AB/P"};
const char* const kCodes[] = {"A01", "B02", "K02", "Z03", "NET", "A0"};

template <std::size_t N>
std::string from(fuzz::Bytes& bytes, const char* const (&pool)[N]) {
    // One byte in sixteen asks for raw bytes instead.
    if (bytes.pick(16) == 0) return bytes.text(20);
    return pool[bytes.pick(N)];
}

std::string fileText(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

QsoArguments qsoFrom(fuzz::Bytes& bytes) {
    QsoArguments q;
    q.ownCall = bytes.pick(16) == 0 ? bytes.text(20) : std::string("UN0OWN");
    q.call = from(bytes, kCalls);
    q.band = from(bytes, kBands);
    q.mode = from(bytes, kModes);
    q.frequencyHz = 14025000u + bytes.next() * 977u;
    q.rstSent = q.rstReceived = "599";
    if (bytes.pick(16) == 0) q.rstReceived = bytes.text(8);
    q.exchangeSent = bytes.pick(16) == 0 ? std::string() : std::string("001");
    q.exchangeReceived = from(bytes, kExchanges);
    q.prefix = from(bytes, kPrefixes);
    q.continent = bytes.pick(2) ? "AS" : "EU";
    // Mostly a few minutes (equal moments), else three hours to the second
    // (the edges of the rates' windows), before the epoch or not a number.
    q.time = COleDateTime::fromParts(2017, 3, 18, 9, bytes.pick(5));
    switch (bytes.pick(8)) {
        case 0: case 1: q.time = COleDateTime::fromParts(2017, 3, 18, 8 + bytes.pick(3), bytes.pick(60), bytes.pick(60)); break;
        case 2: q.time.m_dt = -1.0 - static_cast<double>(bytes.pick(120)) / 1440.0; break;
        case 3: if (bytes.pick(8) == 0) q.time.m_dt = std::nan(""); break;
        default: break;
    }
    if (bytes.pick(32) == 0) q.time.m_status = DateTimeStatus::null;
    if (bytes.pick(32) == 0) q.time.m_status = DateTimeStatus::invalid;
    return q;
}

bool sameQsos(const std::vector<CInfo>& expected, const QsoList& actual) {
    if (expected.size() != actual.size()) return false;
    auto stored = actual.begin();
    for (std::size_t i = 0; i < expected.size(); ++i, ++stored) {
        const CInfo& e = expected[i];
        const CInfo& a = *stored;
        if (std::tie(e.call, e.prefix, e.continent, e.band, e.mode, e.rstReceived, e.rstSent, e.exchangeReceived,
                     e.exchangeSent, e.kdaCode, e.frequencyKHz, e.invalid, e.badCode, e.dupe) !=
                std::tie(a.call, a.prefix, a.continent, a.band, a.mode, a.rstReceived, a.rstSent,
                         a.exchangeReceived, a.exchangeSent, a.kdaCode, a.frequencyKHz, a.invalid, a.badCode,
                         a.dupe) ||
            std::memcmp(&e.qsoTime.m_dt, &a.qsoTime.m_dt, sizeof e.qsoTime.m_dt) != 0 ||
            e.qsoTime.m_status != a.qsoTime.m_status)
            return false;
    }
    return true;
}

class Run {
public:
    explicit Run(fuzz::Bytes& bytes) : bytes_(bytes) {}

    void reset() {
        std::string directory;
        for (std::size_t lines = bytes_.pick(8); lines > 0; --lines)
            directory += std::string(kDirectoryStarts[bytes_.pick(7)]) + (bytes_.pick(2) ? " " : "") +
                         kCodes[bytes_.pick(6)] + "\r\n";
        if (bytes_.pick(8) == 0) {
            std::remove("Plugins/kda.dom");
        } else {
            std::ofstream out("Plugins/kda.dom", std::ios::binary | std::ios::trunc);
            out << directory;
        }
        ResetArguments args;
        args.ownCall = bytes_.pick(8) == 0 ? bytes_.text(16) : std::string("UN0OWN");
        args.exportRun = bytes_.pick(4) == 0 ? 1 : 0;
        args.firstDate = args.secondDate = COleDateTime::fromParts(2017, 3, 18, 6, 0);
        args.ownPrefix = bytes_.pick(2) ? "UN" : "DL";
        args.ownContinent = bytes_.pick(2) ? "AS" : "EU";
        // "Start" = "1": no window thread.
        platform::writeProfileString(settingsFile, settingsSection, "Start", "1");
        if (reference_.reset(args) != exports::resetStats(args)) fuzz::fail("reset result");
    }

    void add() {
        const QsoArguments q = qsoFrom(bytes_);
        if (reference_.add(q) != exports::addData(q)) fuzz::fail("AddData0 result for [" + q.call + "]");
    }

    void remove() {
        QsoArguments q = qsoFrom(bytes_);
        if (!reference_.qsoList.empty() && bytes_.pick(4) != 0) {
            const CInfo& stored = reference_.qsoList[bytes_.pick(reference_.qsoList.size())];
            q.call = stored.call;
            q.band = stored.band;
            q.mode = stored.mode;
            q.time = stored.qsoTime;
        }
        if (reference_.remove(q) != exports::removeData(q)) fuzz::fail("RemoveData0 result");
    }

    void checkCall() {
        const QsoArguments q = qsoFrom(bytes_);
        char expected[100];
        char actual[100];
        std::memset(expected, '#', sizeof expected);
        std::memset(actual, '#', sizeof actual);
        if (reference_.checkCall(q.call, q.mode, q.band, expected) != exports::checkCall(q.call, q.mode, q.band, actual))
            fuzz::fail("CheckCallFunc0 result for [" + q.call + "]");
        if (std::memcmp(expected, actual, sizeof expected) != 0) fuzz::fail("CheckCallFunc0 out-buffer");
    }

    void validExchange() {
        const std::string exchange = from(bytes_, kExchanges);
        if (StatsIsValidExchg0(exchange.c_str(), "", "", "", 0, 0, 0) != (isKdaCode(exchange) ? 1 : 0))
            fuzz::fail("StatsIsValidExchg0 for [" + exchange + "]");
    }

    void statistics() {
        boxes_.clear();
        int status = 0;
        const std::string text = GetResult0(&status);
        if (text != reference_.result(extendedOutput.load() != 0)) fuzz::fail("GetResult0 text");
        int exportRun = 0;
        {
            std::lock_guard<std::mutex> guard(stateLock());
            exportRun = contestState().exportRun;
            if (contestState().bandDxccLists != reference_.bandDxccLists) fuzz::fail("DXCC lists");
            if (contestState().bandKdaLists != reference_.bandKdaLists) fuzz::fail("KDA lists");
            if (contestState().claimedScore != reference_.claimedScore) fuzz::fail("claimed score");
        }
        if (exportRun == 0) {
            if (!boxes_.empty()) fuzz::fail("an Output box without an export run");
            return;
        }
        // The log holds every stored QSO once, in list order.
        CabrilloLog expected = cabrilloLog();
        expected.qsoLines.clear();
        for (const CInfo& qso : reference_.qsoList)
            expected.addQsoLine(qso.call, qso.frequencyKHz, cabrilloModeCode(qso.mode), qso.qsoTime, qso.rstSent,
                                qso.exchangeSent, qso.rstReceived, qso.exchangeReceived);
        std::string hostVersion;
        {
            std::lock_guard<std::mutex> guard(stateLock());
            hostVersion = contestState().hostVersion;
        }
        const std::string name = cabrilloLog().fileCallsign + ".cbr";
        if (boxes_ != std::vector<std::string>{"File produced: " + name}) fuzz::fail("the Output box");
        const std::string log = fileText(name);
        // Own calls made of raw bytes name a new file each: none is kept.
        std::remove(name.c_str());
        if (log != expected.logText(hostVersion, reference_.claimedScore)) fuzz::fail("the Cabrillo log");
        // No field may add lines: the QSO lines are exactly one per QSO.
        std::size_t qsoLines = 0;
        for (std::size_t at = log.find("\r\nQSO: "); at != std::string::npos; at = log.find("\r\nQSO: ", at + 1))
            ++qsoLines;
        if (qsoLines != reference_.qsoList.size()) fuzz::fail("QSO line count of the Cabrillo log");
    }

    // After every operation: the stored QSOs, the worked bands and the
    // statistics figures the plug-in keeps up to date.
    void expectSameState() {
        std::lock_guard<std::mutex> guard(stateLock());
        if (!sameQsos(reference_.qsoList, contestState().qsoList)) fuzz::fail("stored QSOs");
        if (reference_.workedBands != contestState().workedBands) fuzz::fail("worked bands");
        if (const std::string mismatch = linear::tallyMismatch(reference_, contestState()); !mismatch.empty())
            fuzz::fail("kept statistics: " + mismatch);
    }

    void expectSameFiles() {
        const std::string linear = fileText(reference_.badQsoFileName);
        std::string plugin;
        {
            std::lock_guard<std::mutex> guard(stateLock());
            plugin = fileText(contestState().badQsoFileName);
        }
        if (linear != plugin) fuzz::fail("bad-QSO files");
        // Every line of the file is a header or a QSO line: no field broke one.
        for (std::size_t at = plugin.find("\r\n"); at != std::string::npos && at + 2 < plugin.size();
             at = plugin.find("\r\n", at + 2))
            if (plugin.compare(at + 2, 6, "QSO:  ") != 0) fuzz::fail("a bad-QSO line that is no QSO line");
    }

    std::vector<std::string>& boxes() { return boxes_; }

private:
    fuzz::Bytes& bytes_;
    linear::Engine reference_;
    std::vector<std::string> boxes_;
};

Run* current = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enterScratchFolder("sequence");
    platform::headless::setModalScript(IDD_CABRILLO, [](platform::Dialog& editor) { platform::headless::clickButton(editor, platform::kIdOk); });
    platform::setMessageBoxSink([](const std::string& text, const std::string&, unsigned) {
        if (current) current->boxes().push_back(text);
        return platform::kIdOk;
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Bytes bytes(data, size);
    resetContestStateForTesting();
    Run run(bytes);
    current = &run;
    if (bytes.pick(2)) setVersion("");
    run.reset();
    for (int operations = 0; operations < 64 && !bytes.empty(); ++operations) {
        switch (bytes.pick(16)) {
            case 0: run.reset(); break;
            case 1: case 2: case 3: case 4: case 5: case 6: run.add(); break;
            case 7: case 8: case 9: run.remove(); break;
            case 10: case 11: run.checkCall(); break;
            case 12: run.validExchange(); break;
            default: run.statistics(); break;
        }
        run.expectSameState();
    }
    run.statistics();
    run.expectSameFiles();
    current = nullptr;
    return 0;
}
