// Memory running out at every allocation in turn of AddData0 and of an
// export run's GetResult0: a QSO is stored and indexed completely or not at
// all (also when every allocation after the first failing one fails too),
// and the export still tells the operator that no file was produced.
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "cabrillo/cabrillo_log.h"
#include "engine_fixture.h"
#include "export_calls.h"
#include "failing_allocation.h"
#include "platform/message_box.h"
#include "platform/threads.h"

using namespace korvan;

namespace {

class OutOfMemoryTest : public EngineTest {
protected:
    void TearDown() override {
        failing_allocation::stop();
        platform::setMessageBoxSink({});
    }

    // The index of the state answers as one built afresh from the list.
    void expectIndexOfTheList(const QsoArguments& q) {
        std::lock_guard<std::mutex> guard(stateLock());
        const ContestState& s = state();
        ASSERT_TRUE(s.qsoIndex.covers(s.qsoList));
        QsoIndex fresh;
        fresh.rebuild(s.qsoList);
        EXPECT_EQ(fresh.firstWith(q.call, q.band, q.mode), s.qsoIndex.firstWith(q.call, q.band, q.mode));
        EXPECT_EQ(fresh.hasArea(q.band, "A01"), s.qsoIndex.hasArea(q.band, "A01"));
        const auto& expected = fresh.digests();
        const auto& actual = s.qsoIndex.digests();
        ASSERT_EQ(expected.records().size(), actual.records().size());
        for (std::size_t i = 0; i < expected.records().size(); ++i) {
            const QsoDigest& e = expected.records()[i];
            const QsoDigest& a = actual.records()[i];
            EXPECT_EQ(expected.text(QsoDigests::band, e.band), actual.text(QsoDigests::band, a.band));
            EXPECT_EQ(expected.text(QsoDigests::kdaCode, e.kdaCode), actual.text(QsoDigests::kdaCode, a.kdaCode));
            EXPECT_EQ(e.flags, a.flags);
        }
    }
};

TEST_F(OutOfMemoryTest, QsoIsStoredAndIndexedWhollyOrNotAtAll) {
    QsoArguments onNewBand = unQso("UN7AB", "A01");
    onNewBand.band = "10m";
    onNewBand.prefix = "UN";
    // A new key with new texts, and a dupe of a stored QSO.
    for (const QsoArguments& q : {onNewBand, unQso("UN7CD", "A01")}) {
        bool failed = true;
        for (long allowed = 0; failed; ++allowed) {
            SCOPED_TRACE(q.call + ", allocations allowed: " + std::to_string(allowed));
            resetWithoutPanel();
            for (const char* call : {"UN7CD", "DL1ABC", "UN7EF"}) addQso(unQso(call, "A01"));
            failing_allocation::failFrom(allowed);
            const int result = exports::addData(q);
            failed = failing_allocation::stop();
            EXPECT_EQ(result == 1 ? 4u : 3u, state().qsoList.size());
            expectIndexOfTheList(q);
            if (HasFailure()) return;
        }
    }
}

TEST_F(OutOfMemoryTest, ExportStillSaysFileNotProduced) {
    std::vector<std::string> boxes;
    platform::setMessageBoxSink([&boxes](const std::string& text, const std::string&, unsigned) {
        failing_allocation::stop();  // the allocations counted are the plug-in's
        boxes.push_back(text);
        return platform::kIdOk;
    });
    resetWithoutPanel();
    for (const char* call : {"UN7AB", "UN7CD", "DL1ABC"}) addQso(unQso(call, "A01"));
    {
        std::lock_guard<std::mutex> guard(stateLock());
        state().exportRun = 1;
    }
    cabrilloLog().callsign = cabrilloLog().fileCallsign = "UN0OWN";
    int status = 0;
    GetResult0(&status);
    const std::string whole = ScratchFolder::read(folder.path() / "UN0OWN.cbr");

    bool failed = true;
    for (long allowed = 0; failed; ++allowed) {
        SCOPED_TRACE("allocations allowed: " + std::to_string(allowed));
        std::filesystem::remove(folder.path() / "UN0OWN.cbr");
        boxes.clear();
        failing_allocation::failOnce(allowed);
        GetResult0(&status);
        failed = failing_allocation::stop();
        ASSERT_EQ(1u, boxes.size());
        if (boxes[0] == "File produced: UN0OWN.cbr")
            EXPECT_EQ(whole, ScratchFolder::read(folder.path() / "UN0OWN.cbr"));
        else
            ASSERT_EQ("File not produced: UN0OWN.cbr", boxes[0]);
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_NE(".tmp", entry.path().extension()) << entry.path();
}

std::atomic<int> threadsEntered{0};
void countThreadEntry() { ++threadsEntered; }

// A thread start that runs out of memory at any step reports failure and
// leaves the list of started threads whole for the starts after it.
TEST(OutOfMemoryThreads, AFailedThreadStartLeavesTheStartedThreadsWhole) {
    int started = 0;
    bool failed = true;
    for (long allowed = 0; failed; ++allowed) {
        SCOPED_TRACE("allocations allowed: " + std::to_string(allowed));
        failing_allocation::failOnce(allowed);
        const bool ok = platform::startThread(&countThreadEntry);
        failed = failing_allocation::stop();
        EXPECT_TRUE(ok || failed);
        started += ok ? 1 : 0;
    }
    ASSERT_TRUE(platform::startThread(&countThreadEntry));
    ++started;
    for (int i = 0; i < 500 && threadsEntered.load() < started; ++i) platform::sleepMilliseconds(2);
    EXPECT_EQ(started, threadsEntered.load());
}

}  // namespace
