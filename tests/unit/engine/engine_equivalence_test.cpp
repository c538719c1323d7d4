// The indexed engine, reached through the exported functions, against the
// straightforward walks of linear_engine.h: random sequences of resets
// (with a changed or missing kda.dom), adds (dupes, bad codes, wrong bands
// and modes, letter-case variants, equal moments), removals of stored and of
// unknown QSOs, call checks and statistics requests must give the same
// results, out-buffers, stored QSOs, band lists, texts and bad-QSO files;
// after every operation the statistics figures the engine keeps must be
// those of the walks.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>

#include "engine_fixture.h"
#include "export_calls.h"
#include "linear_engine.h"
#include "tally_check.h"

namespace {

const std::string kLinearBadQsoFile = "Linear_" + kBadQsoFile;

class Sequence {
public:
    explicit Sequence(unsigned seed) : random_(seed) {}

    template <typename T>
    const T& pick(const std::vector<T>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random_)];
    }
    bool chance(int percent) { return std::uniform_int_distribution<int>(0, 99)(random_) < percent; }
    int upTo(int last) { return std::uniform_int_distribution<int>(0, last)(random_); }

    // Overlapping callsigns in a random order, so that the first line that
    // starts with a callsign is not the only one, nor the longest one.
    std::string kdaDirectoryText() {
        static const std::vector<std::string> starts = {"UN7A", "UN7AB", "UN7ABC", "UN7ABD", "UN7B",   "UN7BX",
                                                        "UN9Q", "UN9QA",  "UP2L",   "un7ab",  "UN7AB/P"};
        static const std::vector<std::string> codes = {"A01", "B02", "K02", "Z03", "A07", "NET", "A06"};
        std::string text;
        const int lines = upTo(14);
        for (int i = 0; i < lines; ++i) {
            if (chance(5)) text += "\r\n";  // blank lines are not directory lines
            text += pick(starts) + (chance(50) ? " " : "") + pick(codes) + "\r\n";
        }
        return text;
    }

    QsoArguments qso() {
        static const std::vector<std::string> calls = {"UN7AB", "UN7ABC", "UN7B",  "UN9QA", "DL1ABC", "dl1abc",
                                                       "UN7A",  "K1XX",   "UN7AB/P", "UP2L", ""};
        static const std::vector<std::string> bands = {"80m", "40m", "20m", "20m", "15m", "10m", "20M", "160m"};
        static const std::vector<std::string> modes = {"CW", "CW", "SSB", "SSB", "cw", "RTTY"};
        static const std::vector<std::string> exchanges = {"A01", " a01 ", "B02", "Z03", "A07", "015", "K02"};
        static const std::vector<std::string> prefixes = {"UN", "UN", "UN", "DL", "UA", "IT9", "K"};
        QsoArguments q;
        q.ownCall = "UN0OWN";
        q.call = pick(calls);
        q.band = pick(bands);
        q.mode = pick(modes);
        q.frequencyHz = 14025000u + static_cast<unsigned>(upTo(2000));
        q.rstSent = "599";
        q.rstReceived = "599";
        q.exchangeSent = chance(3) ? "" : "001";
        q.exchangeReceived = chance(3) ? "" : pick(exchanges);
        q.prefix = pick(prefixes);
        q.continent = chance(5) ? "" : chance(50) ? "AS" : "EU";
        // Half of them in few distinct minutes, so that equal moments of
        // different QSOs occur; the others over three hours to the second
        // (the rates' windows), now and then before the epoch or not a number.
        q.time = at(9, upTo(5));
        if (chance(50)) q.time = COleDateTime::fromParts(2017, 3, 18, 8 + upTo(2), upTo(59), upTo(59));
        if (chance(3)) q.time.m_dt = -1.0 - upTo(120) / 1440.0;
        if (chance(1)) q.time.m_dt = std::nan("");
        if (chance(3)) q.time.m_status = DateTimeStatus::null;
        if (chance(2)) q.time.m_status = DateTimeStatus::invalid;
        return q;
    }

    ResetArguments reset() {
        ResetArguments r = resetArguments();
        // Also a prefix and a continent that no QSO has.
        r.ownPrefix = chance(10) ? "JA" : chance(50) ? "UN" : "DL";
        r.ownContinent = chance(10) ? "NA" : chance(50) ? "AS" : "EU";
        return r;
    }

private:
    std::mt19937 random_;
};

void expectSameQsos(const std::vector<CInfo>& expected, const QsoList& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    auto stored = actual.begin();
    for (std::size_t i = 0; i < expected.size(); ++i, ++stored) {
        const CInfo& e = expected[i];
        const CInfo& a = *stored;
        SCOPED_TRACE("QSO " + std::to_string(i));
        EXPECT_EQ(std::tie(e.call, e.prefix, e.continent, e.band, e.mode, e.rstReceived, e.rstSent,
                           e.exchangeReceived, e.exchangeSent, e.kdaCode, e.frequencyKHz, e.invalid, e.badCode, e.dupe),
                  std::tie(a.call, a.prefix, a.continent, a.band, a.mode, a.rstReceived, a.rstSent,
                           a.exchangeReceived, a.exchangeSent, a.kdaCode, a.frequencyKHz, a.invalid, a.badCode, a.dupe));
        EXPECT_EQ(0, std::memcmp(&e.qsoTime.m_dt, &a.qsoTime.m_dt, sizeof e.qsoTime.m_dt));
        EXPECT_EQ(e.qsoTime.m_status, a.qsoTime.m_status);
    }
}

// The sequences rewrite the bad-QSO files and the settings file thousands
// of times; a memory-backed folder, where there is one, keeps that quick.
class MemoryBackedTemporaryFolder {
public:
    MemoryBackedTemporaryFolder() {
        if (const char* tmp = std::getenv("TMPDIR")) previous_ = tmp;
        if (std::filesystem::is_directory("/dev/shm")) setenv("TMPDIR", "/dev/shm", 1);
    }
    ~MemoryBackedTemporaryFolder() {
        if (previous_)
            setenv("TMPDIR", previous_->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> previous_;
};

// The scratch folder of EngineTest is made after TMPDIR is set.
class EngineEquivalenceTest : private MemoryBackedTemporaryFolder, public EngineTest {
protected:
    void resetBoth(Sequence& sequence) {
        if (sequence.chance(15))
            std::filesystem::remove(folder.path() / "Plugins" / "kda.dom");
        else
            ScratchFolder::write(folder.path() / "Plugins" / "kda.dom", sequence.kdaDirectoryText());
        const ResetArguments args = sequence.reset();
        // "Start" = "1" keeps the window thread from starting.
        platform::writeProfileString(settingsFile, settingsSection, "Start", "1");
        ASSERT_EQ(reference.reset(args), exports::resetStats(args));
    }

    // Also the figures kept for the statistics, after every operation.
    void expectSameState() {
        std::lock_guard<std::mutex> guard(stateLock());
        expectSameQsos(reference.qsoList, state().qsoList);
        EXPECT_EQ(reference.workedBands, state().workedBands);
        EXPECT_EQ("", linear::tallyMismatch(reference, state()));
    }

    void expectSameResult() {
        int status = 0;
        const std::string text = GetResult0(&status);
        EXPECT_EQ(reference.result(extendedOutput.load() != 0), text);
        std::lock_guard<std::mutex> guard(stateLock());
        EXPECT_EQ(reference.workedBands, state().workedBands);
        EXPECT_EQ(reference.bandDxccLists, state().bandDxccLists);
        EXPECT_EQ(reference.bandKdaLists, state().bandKdaLists);
    }

    void expectSameBadQsoFiles() {
        EXPECT_EQ(ScratchFolder::read(folder.path() / kLinearBadQsoFile), badQsoFile());
    }

    void run(unsigned seed) {
        Sequence sequence(seed);
        extendedOutput = sequence.chance(50) ? 1 : 0;
        resetBoth(sequence);
        const int operations = 20 + sequence.upTo(40);
        for (int op = 0; op < operations && !HasFatalFailure(); ++op) {
            SCOPED_TRACE("operation " + std::to_string(op));
            const int kind = sequence.upTo(99);
            if (kind < 45) {
                const QsoArguments q = sequence.qso();
                EXPECT_EQ(reference.add(q), exports::addData(q));
            } else if (kind < 60) {
                QsoArguments q = sequence.qso();
                if (!reference.qsoList.empty() && sequence.chance(70)) {
                    const CInfo& stored = sequence.pick(reference.qsoList);
                    q.call = stored.call;
                    q.band = stored.band;
                    q.mode = stored.mode;
                    q.time = stored.qsoTime;
                }
                EXPECT_EQ(reference.remove(q), exports::removeData(q));
            } else if (kind < 88) {
                const QsoArguments q = sequence.qso();
                char expected[100];
                char actual[100];
                std::memset(expected, '#', sizeof expected);
                std::memset(actual, '#', sizeof actual);
                const bool withBuffer = sequence.chance(90);
                EXPECT_EQ(reference.checkCall(q.call, q.mode, q.band, withBuffer ? expected : nullptr),
                          exports::checkCall(q.call, q.mode, q.band, withBuffer ? actual : nullptr))
                    << q.call << " " << q.band << " " << q.mode;
                EXPECT_EQ(0, std::memcmp(expected, actual, sizeof expected)) << q.call;
            } else if (kind < 96) {
                expectSameResult();
            } else if (kind == 96) {
                // A holder of the lock replaces the list as a whole (shorter
                // by its last records); the engine indexes it again.
                const std::size_t kept = reference.qsoList.size() / 2;
                reference.qsoList.resize(kept);
                std::lock_guard<std::mutex> guard(stateLock());
                std::vector<CInfo> shorter(state().qsoList.begin(), state().qsoList.end());
                shorter.resize(kept);
                state().qsoList = shorter;
            } else {
                resetBoth(sequence);
            }
            expectSameState();
        }
        expectSameResult();
        expectSameBadQsoFiles();
    }

    linear::Engine reference;
};

TEST_F(EngineEquivalenceTest, RandomSequencesGiveTheResultsOfTheLinearWalks) {
    for (unsigned seed = 1; seed <= 250 && !HasFailure(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        run(seed);
    }
}

}  // namespace
