// The statistics computation: time spans, points, the band order, the
// bad-line count, and the rows, totals and per-band lists of one pass.
#include "report/statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <random>

#include "engine/qso_search.h"
#include "linear_engine.h"
#include "report_fixture.h"
#include "scratch_folder.h"

using namespace korvan;

namespace {

using report::BandRow;
using report::Statistics;

CInfo dupeOf(CInfo q) {
    q.invalid = 1;
    q.dupe = 1;
    return q;
}

CInfo badCodeOf(CInfo q) {
    q.invalid = 1;
    q.badCode = 1;
    return q;
}

// A contest of an "UA" operator in Europe, filled the way the engine stores it.
class StatisticsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().ownPrefix = "UA";
        contestState().ownContinent = "EU";
    }
    void store(std::vector<std::string> bands, std::vector<CInfo> qsos) {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().workedBands = std::move(bands);
        clearQsos(contestState());
        for (CInfo& q : qsos) storeQso(contestState(), std::move(q));
    }
    Statistics compute() {
        std::lock_guard<std::mutex> guard(stateLock());
        return report::computeStatistics(contestState());
    }
    ScratchFolder folder_;
};

std::vector<std::string> strings(std::initializer_list<const char*> texts) { return {texts.begin(), texts.end()}; }

// ---------------------------------------------------------------- minutes

TEST(MinutesBetween, WindowLimitsAndHalfSecondRounding) {
    const COleDateTime reference = at(12, 0, 0);
    EXPECT_EQ(9, report::minutesBetween(reference, at(11, 50, 1)));   // 9:59
    EXPECT_EQ(10, report::minutesBetween(reference, at(11, 50, 0)));  // 10:00
    EXPECT_EQ(59, report::minutesBetween(reference, at(11, 0, 1)));   // 59:59
    EXPECT_EQ(60, report::minutesBetween(reference, at(11, 0, 0)));   // 60:00
    EXPECT_EQ(0, report::minutesBetween(reference, reference));
    // 59.6 s round up to a whole minute, 59.4 s do not.
    COleDateTime t = reference;
    t.m_dt -= 59.6 / 86400.0;
    EXPECT_EQ(1, report::minutesBetween(reference, t));
    t = reference;
    t.m_dt -= 59.4 / 86400.0;
    EXPECT_EQ(0, report::minutesBetween(reference, t));
    // A QSO after the reference gives a negative span, rounded away from 0.
    EXPECT_EQ(-10, report::minutesBetween(reference, at(12, 10, 0)));
    EXPECT_EQ(-1, report::minutesBetween(reference, at(12, 1, 0)));
}

TEST(MinutesBetween, DaysBeforeTheEpochCountTheTimeOfDayForward) {
    // 29 December 1899: 06:00 is -1.25 and 06:30 is about -1.27; the raw
    // day counts would give a negative span.
    EXPECT_EQ(30, report::minutesBetween(COleDateTime::fromParts(1899, 12, 29, 6, 30),
                                         COleDateTime::fromParts(1899, 12, 29, 6, 0)));
    // Across the epoch: 23:58 on the 29th to 00:05 on the 30th.
    EXPECT_EQ(7, report::minutesBetween(COleDateTime::fromParts(1899, 12, 30, 0, 5),
                                        COleDateTime::fromParts(1899, 12, 29, 23, 58)));
    EXPECT_EQ(24 * 60 * 365, report::minutesBetween(COleDateTime::fromParts(1801, 6, 1, 10, 0),
                                                    COleDateTime::fromParts(1800, 6, 1, 10, 0)));
}

TEST(MinutesBetween, SpansBeyondTheIntegerRangeAreDefined) {
    COleDateTime nan;
    nan.m_dt = std::nan("");
    EXPECT_EQ(std::numeric_limits<std::int64_t>::max(), report::minutesBetween(at(12, 0), nan));
    COleDateTime huge;
    huge.m_dt = 1e300;
    EXPECT_EQ(std::numeric_limits<std::int64_t>::min(), report::minutesBetween(at(12, 0), huge));
    EXPECT_EQ(std::numeric_limits<std::int64_t>::max(), report::minutesBetween(huge, at(12, 0)));
}

// ---------------------------------------------------------------- points

TEST(QsoPoints, ByPrefixThenContinent) {
    const CInfo un = qso("UN7AB", "20m", "CW", "UN", "AS");
    EXPECT_EQ(10, report::qsoPoints(un, "UA", "EU"));
    EXPECT_EQ(2, report::qsoPoints(un, "UN", "AS"));  // own prefix "UN": same-prefix rule
    EXPECT_EQ(2, report::qsoPoints(qso("UA3A", "20m", "CW", "UA", "EU"), "UA", "EU"));
    EXPECT_EQ(3, report::qsoPoints(qso("DL1A", "20m", "CW", "DL", "EU"), "UA", "EU"));
    EXPECT_EQ(5, report::qsoPoints(qso("W1A", "20m", "CW", "K", "NA"), "UA", "EU"));
    // Comparisons are case-sensitive: "un" is no "UN" station.
    EXPECT_EQ(3, report::qsoPoints(qso("UN7AB", "20m", "CW", "un", "EU"), "UA", "EU"));
    EXPECT_EQ(5, report::qsoPoints(qso("DL1A", "20m", "CW", "DL", "eu"), "UA", "EU"));
}

// ---------------------------------------------------------------- band order

TEST(SortWorkedBands, FromLowestToHighestFrequency) {
    std::vector<std::string> bands = strings({"10m", "80m", "20m"});
    report::sortWorkedBands(bands);
    EXPECT_EQ(strings({"80m", "20m", "10m"}), bands);

    bands = strings({"15m", "10m", "160m", "40m", "20m", "80m"});
    report::sortWorkedBands(bands);
    EXPECT_EQ(strings({"160m", "80m", "40m", "20m", "15m", "10m"}), bands);

    // Byte order: "m" sorts above "M".
    bands = strings({"80M", "20m", "80m"});
    report::sortWorkedBands(bands);
    EXPECT_EQ(strings({"80m", "80M", "20m"}), bands);
}

TEST(SortWorkedBands, UnsignedBytesAndTheExchangeSortOfEqualKeys) {
    // 0xE9 compares above '8' as an unsigned byte.
    std::vector<std::string> bands = strings({"80m", "\xE9" "0m"});
    report::sortWorkedBands(bands);
    EXPECT_EQ(strings({"\xE9" "0m", "80m"}), bands);

    // "10m" and "010m" have the same filled key; the exchange sort moves the
    // first of them behind the second (a stable sort would not).
    bands = strings({"10m", "010m", "80m"});
    report::sortWorkedBands(bands);
    EXPECT_EQ(strings({"80m", "010m", "10m"}), bands);

    // Texts of 20 characters and more are compared unfilled: their leading
    // "1" beats the "0" filling of "80m", and "m" beats "0".
    bands = strings({"80m", "12345678901234567890m", "1234567890123456789m"});
    report::sortWorkedBands(bands);
    EXPECT_EQ(strings({"1234567890123456789m", "12345678901234567890m", "80m"}), bands);
}

// ---------------------------------------------------------------- bad lines

TEST(CountBadLines, HeaderAndDupeLinesAreNotCounted) {
    ScratchFolder folder;
    ScratchFolder::write("bad.txt",
                         "KORVAN CONTEST UBN file \r\n"
                         "QSO:  14025  CW  2017-03-18 0942  UA3A  599  001  160M  599  015   WRONG BAND !!!\r\n"
                         "QSO:  14025  CW  2017-03-18 0943  UA3A  599  002  DL1A  599  016   DUPE !!!\r\n");
    EXPECT_EQ(1, report::countBadLines("bad.txt"));

    // Blank lines count; "DUPE" or "UBN" at the very start does not exclude
    // a line; a later "UBN" excludes it even after a leading "DUPE"; the
    // last line needs no line end.
    ScratchFolder::write("bad.txt", "\r\nDUPE first\r\nUBN first\r\nDUPE then UBN\nx  KDA Code is not acceptable !!!");
    EXPECT_EQ(4, report::countBadLines("bad.txt"));

    EXPECT_EQ(0, report::countBadLines("missing.txt"));
    ScratchFolder::write("Plugins/bad.txt", "one\r\ntwo\r\n");
    EXPECT_EQ(2, report::countBadLines("Plugins\\bad.txt"));
}

// ---------------------------------------------------------------- rows

TEST_F(StatisticsTest, RowsCountListedQsosAndSumFlags) {
    store(strings({"20m", "40m"}),
          {qso("DL1A", "20m", "CW", "DL", "EU"),                // 3 points
           qso("W1A", "20m", "SSB", "K", "NA"),                 // 5 points
           dupeOf(qso("DL1A", "20m", "CW", "DL", "EU")),        // dupe: flags only
           badCodeOf(qso("UN7A", "20m", "CW", "UN", "AS")),     // bad code: flags only
           qso("UA3A", "20m", "cw", "UA", "EU"),                // 2 points, neither CW nor SSB
           qso("", "20m", "CW", "JA", "AS"),                    // empty call: nowhere
           dupeOf(qso("", "20m", "CW", "JA", "AS")),            // empty call: not even a dupe
           qso("UN7B", "40m", "CW", "UN", "AS", at(12, 0), "A01")});
    const Statistics stats = compute();
    ASSERT_EQ(2u, stats.rows.size());
    const BandRow& row40 = stats.rows[0];
    const BandRow& row20 = stats.rows[1];
    EXPECT_EQ("40m", row40.band);
    EXPECT_EQ("20m", row20.band);
    EXPECT_EQ(3, row20.qsos);
    EXPECT_EQ(10, row20.points);
    EXPECT_EQ(3, row20.dxcc);
    EXPECT_EQ(0, row20.kda);
    EXPECT_EQ(1, row20.cw);
    EXPECT_EQ(1, row20.ssb);
    EXPECT_EQ(1, row20.dupes);
    EXPECT_EQ(1, row20.bad);
    EXPECT_EQ(1, row40.qsos);
    EXPECT_EQ(10, row40.points);
    EXPECT_EQ(1, row40.kda);
    EXPECT_EQ(4, stats.totals.qsos);
    EXPECT_EQ(20, stats.totals.points);
    EXPECT_EQ(4, stats.totals.dxcc);
    EXPECT_EQ(1, stats.totals.kda);
    EXPECT_EQ(1, stats.totals.dupes);
    EXPECT_EQ(1, stats.totals.badStored);
    EXPECT_EQ(20 * (4 + 1), stats.totals.score);
}

TEST_F(StatisticsTest, MultipliersPerBandAndTheRebuiltLists) {
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().bandDxccLists[0] = strings({"old160"});
        contestState().bandDxccLists[1] = strings({"old80"});
        contestState().bandKdaLists[1] = strings({"Z03"});
        contestState().bandDxccLists[4] = strings({"old15"});
    }
    store(strings({"80m", "40m"}),
          {qso("UN7A", "80m", "CW", "UN", "AS", at(12, 0), "B02"),
           qso("DL1A", "80m", "CW", "DL", "EU"),
           qso("UN7B", "80m", "SSB", "UN", "AS", at(12, 0), "A01"),
           qso("UN7C", "80m", "CW", "UN", "AS", at(12, 0), "B02"),
           qso("EMPTY", "80m", "CW", "", "EU"),  // an empty prefix is a prefix too
           qso("DL1A", "40m", "CW", "DL", "EU"),
           dupeOf(qso("DL1A", "40m", "CW", "DL", "EU")),
           badCodeOf(qso("UN7D", "40m", "CW", "UN", "AS"))});
    const Statistics stats = compute();
    EXPECT_EQ(3, stats.rows[0].dxcc);  // UN, DL, ""
    EXPECT_EQ(2, stats.rows[0].kda);
    EXPECT_EQ(1, stats.rows[1].dxcc);  // DL again: counts on each band
    EXPECT_EQ(0, stats.rows[1].kda);
    EXPECT_EQ(4, stats.totals.dxcc);

    std::lock_guard<std::mutex> guard(stateLock());
    const ContestState& state = contestState();
    EXPECT_EQ(strings({"UN", "DL", ""}), state.bandDxccLists[1]);
    EXPECT_EQ(strings({"B02", "A01"}), state.bandKdaLists[1]);
    EXPECT_EQ(strings({"DL"}), state.bandDxccLists[2]);
    EXPECT_TRUE(state.bandKdaLists[2].empty());
    // Slots of bands that are not worked keep their lists.
    EXPECT_EQ(strings({"old160"}), state.bandDxccLists[0]);
    EXPECT_EQ(strings({"old15"}), state.bandDxccLists[4]);
}

TEST_F(StatisticsTest, BandInOtherLetterCaseHasItsRowButFeedsNoSlot) {
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().bandDxccLists[1] = strings({"old80"});
    }
    store(strings({"80M"}), {qso("DL1A", "80M", "CW", "DL", "EU")});
    Statistics stats = compute();
    ASSERT_EQ(1u, stats.rows.size());
    EXPECT_EQ("80M", stats.rows[0].band);
    EXPECT_EQ(1, stats.rows[0].dxcc);
    {
        std::lock_guard<std::mutex> guard(stateLock());
        EXPECT_EQ(strings({"old80"}), contestState().bandDxccLists[1]);
    }
    // Beside "80m", the "80m" slot shows the "80m" QSOs only.
    store(strings({"80m", "80M"}), {qso("DL1A", "80M", "CW", "DL", "EU"), qso("W1A", "80m", "CW", "K", "NA")});
    stats = compute();
    std::lock_guard<std::mutex> guard(stateLock());
    EXPECT_EQ(strings({"K"}), contestState().bandDxccLists[1]);
}

// ---------------------------------------------------------------- rates

TEST_F(StatisticsTest, RatesAtTheWindowLimits) {
    store(strings({"20m"}),
          {qso("A1", "20m", "CW", "DL", "EU", at(11, 0, 0)),   // 60:00 before: none
           qso("A2", "20m", "CW", "K", "NA", at(11, 0, 1)),    // 59:59: hour
           qso("A3", "20m", "CW", "DL", "EU", at(11, 50, 0)),  // 10:00: hour
           qso("A4", "20m", "CW", "K", "NA", at(11, 50, 1)),   // 9:59: both
           qso("A5", "20m", "CW", "UN", "AS", at(12, 0, 0))}); // the reference: both
    const Statistics stats = compute();
    EXPECT_EQ(4, stats.totals.qsos60);
    EXPECT_EQ(5 + 3 + 5 + 10, stats.totals.points60);
    EXPECT_EQ(2, stats.totals.qsos10);
    EXPECT_EQ(5 + 10, stats.totals.points10);
    EXPECT_EQ(10, stats.totals.lastQsoPoints);
}

TEST_F(StatisticsTest, RatesAndLastPointsFollowTheLastRecordsBand) {
    store(strings({"40m", "20m"}),
          {qso("B1", "20m", "CW", "K", "NA", at(10, 0)),
           qso("B2", "40m", "CW", "UN", "AS", at(11, 58)),
           qso("B3", "40m", "CW", "UN", "AS", at(11, 59)),
           qso("B4", "20m", "CW", "DL", "EU", at(11, 55)),  // earlier than the 40m ones
           qso("B5", "20m", "CW", "UA", "EU", at(11, 30))}); // the last record: its time is the reference
    const Statistics stats = compute();
    // B4 is 25 minutes after the reference (negative span): both windows.
    EXPECT_EQ(2, stats.totals.qsos60);
    EXPECT_EQ(3 + 2, stats.totals.points60);
    EXPECT_EQ(2, stats.totals.qsos10);
    EXPECT_EQ(2, stats.totals.lastQsoPoints);
}

TEST_F(StatisticsTest, LastRecordDupeKeepsItsTimeAsReference) {
    store(strings({"40m", "20m"}),
          {qso("C1", "20m", "CW", "K", "NA", at(11, 0, 0)),
           qso("C2", "20m", "CW", "DL", "EU", at(11, 45)),
           qso("C3", "40m", "CW", "DL", "EU", at(12, 30)),
           dupeOf(qso("C2", "20m", "CW", "DL", "EU", at(12, 0, 1)))});
    Statistics stats = compute();
    EXPECT_EQ(3, stats.totals.lastQsoPoints);  // C2, the latest counted 20m QSO
    EXPECT_EQ(1, stats.totals.qsos60);         // C1 lies 60:01 before the dupe
    EXPECT_EQ(0, stats.totals.qsos10);

    // No counted QSO on the last record's band: no last-QSO points.
    store(strings({"40m", "20m"}),
          {qso("C3", "40m", "CW", "DL", "EU", at(12, 30)), badCodeOf(qso("UN7A", "20m", "CW", "UN", "AS", at(12, 0)))});
    stats = compute();
    EXPECT_EQ(0, stats.totals.lastQsoPoints);
    EXPECT_EQ(0, stats.totals.qsos60);
}

TEST_F(StatisticsTest, ExportRunAndSingleQsoReferenceTime) {
    store(strings({"20m"}), {qso("D1", "20m", "CW", "DL", "EU", at(11, 0)), qso("D2", "20m", "CW", "K", "NA", at(12, 0))});
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().exportRun = 1;
    }
    Statistics stats = compute();
    EXPECT_EQ(0, stats.totals.qsos60);
    EXPECT_EQ(0, stats.totals.points10);
    EXPECT_EQ(5, stats.totals.lastQsoPoints);  // still set in an export run

    // One stored QSO: reference day 0.0, the QSO lies after it.
    {
        std::lock_guard<std::mutex> guard(stateLock());
        contestState().exportRun = 0;
    }
    store(strings({"20m"}), {qso("D1", "20m", "CW", "DL", "EU", at(11, 0))});
    stats = compute();
    EXPECT_EQ(1, stats.totals.qsos60);
    EXPECT_EQ(1, stats.totals.qsos10);
}

// ---------------------------------------------------------------- one pass

TEST_F(StatisticsTest, OnePassEqualsOnePassPerBandOnRandomLogs) {
    const std::vector<std::string> bandTexts = strings({"80m", "40m", "20m", "15m", "10m", "80M", "20M"});
    const std::vector<std::string> modes = strings({"CW", "SSB", "cw", "Ssb"});
    const std::vector<std::string> prefixes = strings({"UA", "UN", "DL", "K", "JA", "", "I", "un"});
    const std::vector<std::string> continents = strings({"EU", "AS", "NA", ""});
    const std::vector<std::string> codes = strings({"", "", "A01", "B02", "Z03", "Q18"});
    std::mt19937 random(20170318);
    auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };

    for (int round = 0; round < 200; ++round) {
        ContestState& state = contestState();
        {
            std::lock_guard<std::mutex> guard(stateLock());
            state.ownPrefix = pick(prefixes);
            state.ownContinent = pick(continents);
            state.exportRun = random() % 4 == 0;
            state.workedBands.clear();
            for (const std::string& band : bandTexts)
                if (random() % 3 != 0) state.workedBands.push_back(band);
            if (round % 10 == 0 && !state.workedBands.empty()) state.workedBands.push_back(state.workedBands[0]);
            clearQsos(state);
            const int count = static_cast<int>(random() % 60);
            for (int i = 0; i < count; ++i) {
                CInfo q = qso(random() % 10 == 0 ? "" : "C" + std::to_string(random() % 30), pick(bandTexts),
                              pick(modes), pick(prefixes), pick(continents), at(10, 0, 0), pick(codes));
                q.qsoTime.m_dt += static_cast<double>(random() % 14400) / 86400.0;
                q.dupe = random() % 5 == 0;
                q.badCode = random() % 7 == 0;
                // Flags outside 0 and 1 are summed as they are.
                if (random() % 20 == 0) q.badCode = random() % 2 ? 2 : -3;
                q.invalid = q.dupe || q.badCode;
                storeQso(state, q);
            }
            // Records taken out again leave the others' counts as they were.
            for (int erased = static_cast<int>(random() % 3); erased > 0 && !state.qsoList.empty(); --erased)
                eraseQso(state, random() % state.qsoList.size());
            state.bandDxccLists[random() % kBandSlotCount] = strings({"stale"});
        }
        ContestState copy;
        {
            std::lock_guard<std::mutex> guard(stateLock());
            copy = state;
        }
        // The computation as written out: one pass over the QSOs per worked
        // band, linear searches in the distinct lists.
        linear::Engine straightforward;
        straightforward.adopt(copy);
        const Statistics expectedStats = straightforward.statistics();
        const Statistics actual = compute();

        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(expectedStats.rows.size(), actual.rows.size());
        for (std::size_t i = 0; i < actual.rows.size(); ++i) {
            const BandRow& e = expectedStats.rows[i];
            const BandRow& a = actual.rows[i];
            EXPECT_EQ(e.band, a.band);
            EXPECT_EQ((std::vector<int>{e.qsos, e.points, e.dxcc, e.kda, e.cw, e.ssb, e.dupes, e.bad}),
                      (std::vector<int>{a.qsos, a.points, a.dxcc, a.kda, a.cw, a.ssb, a.dupes, a.bad}));
        }
        const report::ResultTotals& e = expectedStats.totals;
        const report::ResultTotals& a = actual.totals;
        EXPECT_EQ((std::vector<std::int64_t>{e.qsos, e.points, e.dxcc, e.kda, e.cw, e.ssb, e.dupes, e.badStored,
                                             e.score, e.qsos60, e.points60, e.qsos10, e.points10, e.lastQsoPoints}),
                  (std::vector<std::int64_t>{a.qsos, a.points, a.dxcc, a.kda, a.cw, a.ssb, a.dupes, a.badStored,
                                             a.score, a.qsos60, a.points60, a.qsos10, a.points10, a.lastQsoPoints}));
        std::lock_guard<std::mutex> guard(stateLock());
        EXPECT_EQ(straightforward.bandDxccLists, state.bandDxccLists);
        EXPECT_EQ(straightforward.bandKdaLists, state.bandKdaLists);
    }
}

}  // namespace
