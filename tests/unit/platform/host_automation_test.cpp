// The host's automation object as the posix platform reaches it: through
// the C function that a host stand-in exports (this test program does).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host_automation.h"
#include "platform/headless/host_stand_in.h"

using namespace korvan;

namespace {

// The stand-in's object, driven by the tests.
struct StandIn {
    bool running = false;
    int failWith = 0;
    double hertz = 14025000.0;
    int isString = 1;
    std::string call = "UN7ZZ";
    std::vector<std::string> commands;
    std::vector<int> items;
    int references = 0;
} standIn;

int sendCommand(void* context, const char* text) {
    auto& self = *static_cast<StandIn*>(context);
    if (self.failWith) return self.failWith;
    self.commands.push_back(text);
    return 0;
}

int frequency(void* context, double* hertz) {
    auto& self = *static_cast<StandIn*>(context);
    if (self.failWith) return self.failWith;
    *hertz = self.hertz;
    return 0;
}

int qsoItem(void* context, int item, int* isString, char* text, unsigned size) {
    auto& self = *static_cast<StandIn*>(context);
    if (self.failWith) return self.failWith;
    self.items.push_back(item);
    *isString = self.isString;
    const std::size_t n = std::min<std::size_t>(self.call.size(), size - 1);
    std::memcpy(text, self.call.data(), n);
    text[n] = '\0';
    return 0;
}

void release(void* context) { --static_cast<StandIn*>(context)->references; }

const KorvanHostObject object{&standIn, &sendCommand, &frequency, &qsoItem, &release};

}  // namespace

extern "C" __attribute__((visibility("default"))) const KorvanHostObject* korvan_host_running_object(void) {
    if (!standIn.running) return nullptr;
    ++standIn.references;
    return &object;
}

namespace {

class HostAutomationTest : public ::testing::Test {
protected:
    void SetUp() override { standIn = StandIn(); }
    void TearDown() override { platform::setHostAutomationFactory({}); }
};

TEST_F(HostAutomationTest, NoRunningObjectGivesNoHost) {
    EXPECT_EQ(platform::acquireHostAutomation(), nullptr);
    platform::endThreadAutomation();  // nothing to end here
}

TEST_F(HostAutomationTest, TheStandInsObjectAnswersTheThreeMembers) {
    standIn.running = true;
    {
        std::unique_ptr<platform::HostAutomation> host = platform::acquireHostAutomation();
        ASSERT_NE(host, nullptr);
        EXPECT_EQ(standIn.references, 1);
        EXPECT_TRUE(host->sendCommand("<MODE:CW>"));
        EXPECT_EQ(host->frequency(), 14025000.0);
        EXPECT_EQ(host->qsoItem(5), "UN7ZZ");
        standIn.isString = 0;
        EXPECT_EQ(host->qsoItem(5), "");  // not a text
        EXPECT_EQ(standIn.commands, std::vector<std::string>{"<MODE:CW>"});
        EXPECT_EQ(standIn.items, (std::vector<int>{5, 5}));

        // A host that went away: every call fails, and keeps failing.
        standIn.failWith = static_cast<int>(0x80010108u);
        EXPECT_FALSE(host->sendCommand("<SP1>"));
        EXPECT_EQ(host->frequency(), std::nullopt);
        EXPECT_EQ(host->qsoItem(5), std::nullopt);
        EXPECT_FALSE(host->sendCommand("<SP1>"));
    }
    EXPECT_EQ(standIn.references, 0);  // released with the wrapper
}

TEST_F(HostAutomationTest, ALongCallIsCut) {
    standIn.running = true;
    standIn.call = std::string(10000, 'A');
    std::unique_ptr<platform::HostAutomation> host = platform::acquireHostAutomation();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->qsoItem(5), std::string(4095, 'A'));
}

class FakeHost : public platform::HostAutomation {
public:
    bool sendCommand(const std::string&) override { return true; }
    std::optional<double> frequency() override { return 7.0; }
    std::optional<std::string> qsoItem(int) override { return "fake"; }
};

TEST_F(HostAutomationTest, AFactoryReplacesTheAcquisition) {
    standIn.running = true;
    platform::setHostAutomationFactory([] { return std::make_unique<FakeHost>(); });
    std::unique_ptr<platform::HostAutomation> host = platform::acquireHostAutomation();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->qsoItem(5), "fake");
    EXPECT_EQ(standIn.references, 0);
    platform::setHostAutomationFactory({});
    EXPECT_NE(platform::acquireHostAutomation(), nullptr);
}

}  // namespace
