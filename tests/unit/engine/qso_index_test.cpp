// The indexes behind the engine's searches, against walks from the first
// element on data larger and more tangled than the end-to-end sequences:
// the KDA directory with thousands of overlapping lines (bytes above 0x7F
// included), and the QSO index through thousands of appends and erasures.
#include <gtest/gtest.h>

#include <random>

#include "engine/contest_state.h"
#include "engine/kda_directory.h"
#include "engine/qso_index.h"
#include "engine/qso_search.h"

using namespace korvan;

namespace {

std::string linearLookup(const std::vector<std::string>& lines, const std::string& call) {
    if (call.size() < 4) return "NET";
    for (const std::string& line : lines)
        if (line.size() >= call.size() && line.compare(0, call.size(), call) == 0)
            return line.size() < 3 ? line : line.substr(line.size() - 3);
    return "NET";
}

std::string randomText(std::mt19937& random, std::size_t maxLength) {
    // A small alphabet makes long shared starts; 0xC0 sorts after the
    // letters only when bytes compare as unsigned, and a 0 byte must not
    // pass for the end of a shorter line.
    static const char alphabet[] = {'U', 'N', '7', 'A', 'B', ' ', '\xC0', '\0'};
    std::string text(std::uniform_int_distribution<std::size_t>(0, maxLength)(random), ' ');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    return text;
}

TEST(KdaDirectoryIndex, FirstLineInFileOrderAmongThousandsOfOverlappingLines) {
    std::mt19937 random(7);
    std::vector<std::string> lines;
    // Half of the lines share a start, so that long runs of lines start
    // with the same callsign.
    for (int i = 0; i < 5000; ++i) lines.push_back((i % 2 ? "UN7A" : "") + randomText(random, 12));
    KdaDirectory directory;
    directory.assign(lines);
    for (int i = 0; i < 5000; ++i) {
        // Starts of existing lines (found) and random texts (mostly not).
        std::string call = i % 2 ? lines[random() % lines.size()] : randomText(random, 10);
        if (i % 2 && !call.empty()) call.resize(random() % (call.size() + 1));
        ASSERT_EQ(linearLookup(lines, call), directory.lookupKdaCode(call)) << '"' << call << '"';
    }
}

TEST(KdaDirectoryIndex, ReloadAndAppendReplaceTheAnswers) {
    KdaDirectory directory;
    directory.assign({"UNTESTKK02", "UNTESTA01"});
    EXPECT_EQ("K02", directory.lookupKdaCode("UNTEST"));
    directory.assign({"UNTESTA01", "UNTESTKK02"});
    EXPECT_EQ("A01", directory.lookupKdaCode("UNTEST"));
    EXPECT_EQ("NET", directory.lookupKdaCode("UP2LAB"));
    directory.append("UP2LAB Z03");
    EXPECT_EQ("Z03", directory.lookupKdaCode("UP2LAB"));
    directory.clear();
    EXPECT_EQ("NET", directory.lookupKdaCode("UNTEST"));
}

CInfo record(std::mt19937& random) {
    static const char* const calls[] = {"UN7AB", "UN7CD", "DL1ABC", "dl1abc", "K1XX", ""};
    static const char* const bands[] = {"20m", "40m", "20M"};
    static const char* const modes[] = {"CW", "SSB", "cw"};
    static const char* const codes[] = {"", "A01", "B02"};
    CInfo qso;
    qso.call = calls[random() % 6];
    qso.band = bands[random() % 3];
    qso.mode = modes[random() % 3];
    qso.kdaCode = codes[random() % 3];
    qso.qsoTime = COleDateTime::fromParts(2017, 3, 18, 9, static_cast<int>(random() % 4));
    return qso;
}

// The first match of a key (dupe, removal) and the last (worked-with rows,
// per mode and whatever the mode).
TEST(QsoIndex, AppendsAndErasuresKeepTheFirstAndLastMatchesOfTheWalks) {
    std::mt19937 random(11);
    QsoList qsos;
    QsoIndex index;
    for (int step = 0; step < 6000; ++step) {
        // Grows to a few hundred QSOs, then shrinks and grows again.
        if (qsos.empty() || random() % 100 < (step % 2000 < 1200 ? 65 : 35)) {
            qsos.push_back(record(random));
            index.appended(qsos.back());
        } else {
            index.erase(qsos, random() % qsos.size());
        }
        const CInfo probe = record(random);
        std::ptrdiff_t dupe = QsoIndex::kNone;
        std::ptrdiff_t logged = QsoIndex::kNone;
        std::ptrdiff_t latest = QsoIndex::kNone;
        std::ptrdiff_t latestOnBand = QsoIndex::kNone;
        bool area = false;
        for (std::size_t i = 0; i < qsos.size(); ++i) {
            const CInfo& q = qsos[i];
            const bool sameKey = q.call == probe.call && q.band == probe.band && q.mode == probe.mode;
            if (sameKey && dupe == QsoIndex::kNone) dupe = static_cast<std::ptrdiff_t>(i);
            if (sameKey) latest = static_cast<std::ptrdiff_t>(i);
            if (q.call == probe.call && q.band == probe.band) latestOnBand = static_cast<std::ptrdiff_t>(i);
            if (sameKey && logged == QsoIndex::kNone && sameMoment(q.qsoTime, probe.qsoTime))
                logged = static_cast<std::ptrdiff_t>(i);
            area = area || (q.band == probe.band && q.kdaCode == probe.kdaCode);
        }
        ASSERT_EQ(dupe, index.firstWith(probe.call, probe.band, probe.mode)) << "step " << step;
        ASSERT_EQ(dupe != QsoIndex::kNone, index.hasCall(probe.call, probe.band, probe.mode));
        ASSERT_EQ(logged, index.firstLoggedAt(qsos, probe.call, probe.band, probe.mode, probe.qsoTime));
        ASSERT_EQ(area, index.hasArea(probe.band, probe.kdaCode));
        ASSERT_EQ(latest, index.lastWith(probe.call, probe.band, probe.mode));
        ASSERT_EQ(latestOnBand, index.lastOnBand(probe.call, probe.band));
    }
}

TEST(QsoIndex, ListReplacedAsAWholeIsIndexedAgainBeforeItAnswers) {
    ContestState state;
    CInfo first;
    first.call = "UN7AB";
    first.band = "20m";
    first.mode = "CW";
    storeQso(state, first);
    CInfo other = first;
    other.call = "DL1ABC";
    other.kdaCode = "A01";
    state.qsoList = {other, first};
    EXPECT_TRUE(isDupe(state, "UN7AB", "20m", "CW"));
    EXPECT_EQ(1, findLoggedQso(state, "UN7AB", "20m", "CW", COleDateTime{}));
    EXPECT_TRUE(isAreaWorked(state, "20m", "A01"));
    EXPECT_EQ(1, findLatestQsoOnBand(state, "UN7AB", "20m"));
    eraseQso(state, 0);
    EXPECT_EQ(0, findLatestQso(state, "UN7AB", "20m", "CW"));
    EXPECT_EQ(0, findLoggedQso(state, "UN7AB", "20m", "CW", COleDateTime{}));
    EXPECT_FALSE(isAreaWorked(state, "20m", "A01"));
    clearQsos(state);
    EXPECT_EQ(kNotFound, findLatestQsoOnBand(state, "UN7AB", "20m"));
}

}  // namespace
