// The live score through the exported functions, in this process: off by
// default without a socket or a thread, and a real post (libcurl on
// loopback) to a server that never answers, which the host's statistics
// requests do not wait for and which ends with a status.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "../engine/engine_fixture.h"
#include "export_calls.h"
#include "platform/http_post.h"
#include "platform/profile.h"
#include "plugin/score_posting.h"
#include "poster_fakes.h"
#include "scratch_folder.h"

using namespace korvan;

namespace {

using namespace std::chrono_literals;

const char kSettings[] = "Plugins\\Korvan.ini";

// The process's threads and open sockets, as the kernel lists them.
int threadCount() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                          std::filesystem::directory_iterator()));
}
int socketCount() {
    int sockets = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(entry.path(), ignored).string().rfind("socket:", 0) == 0) ++sockets;
    }
    return sockets;
}

// A loopback socket bound to a free port; listening, the system accepts
// connections that nobody answers.
class LoopbackPort {
public:
    explicit LoopbackPort(bool listening) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(fd_, reinterpret_cast<sockaddr*>(&address), size);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        if (listening) {
            listen(fd_, 4);
        } else {
            close(fd_);  // nobody listens there any more: connections are refused
            fd_ = -1;
        }
    }
    ~LoopbackPort() {
        if (fd_ >= 0) close(fd_);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/post?key=SECRET"; }

private:
    int fd_ = -1;
    int port_ = 0;
};

class PluginPostingTest : public ::testing::Test {
protected:
    ScratchFolder folder;

    void SetUp() override {
        // No operator windows: the reset would start their thread.
        ::platform::writeProfileString(kSettings, settingsSection, "Start", "1");
    }
    static void enable(const std::string& url) {
        ::platform::writeProfileString(kSettings, "ScoreReporting", "Enabled", "1");
        ::platform::writeProfileString(kSettings, "ScoreReporting", "Url", url);
    }
    static void playContest(int qsos) {
        exports::resetStats(resetArguments());
        for (int i = 0; i < qsos; ++i) exports::addData(qso("DL" + std::to_string(i) + "AB"));
    }
    static std::chrono::steady_clock::duration timedStatistics() {
        int status = 0;
        const auto started = std::chrono::steady_clock::now();
        GetResult0(&status);
        return std::chrono::steady_clock::now() - started;
    }
    static std::string lastResult() { return ::platform::readProfileString(kSettings, "ScoreReporting", "LastResult", ""); }
};

TEST_F(PluginPostingTest, OffByDefaultWithoutASocketOrAThread) {
    const int threads = threadCount();
    const int sockets = socketCount();
    playContest(3);
    int status = 0;
    GetResult0(&status);
    exports::addData(qso("DL9XY"));
    GetResult0(&status);
    EXPECT_FALSE(korvan::scorePostingWanted());
    EXPECT_EQ(threads, threadCount());
    EXPECT_EQ(sockets, socketCount());
    EXPECT_EQ("", lastResult());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Plugins" / "ScoreReporting.log"));
}

TEST_F(PluginPostingTest, ServerThatNeverAnswersDelaysNeitherTheStatisticsNorTheStatus) {
    if (!korvan::platform::httpPostAvailable()) GTEST_SKIP() << "this build has no HTTP support";
    LoopbackPort silent(true);
    enable(silent.url());
    ::platform::writeProfileString(kSettings, "ScoreReporting", "TimeoutSeconds", "1");
    playContest(2);
    const int sockets = socketCount();
    EXPECT_LT(timedStatistics(), 200ms);  // starts the post
    ASSERT_TRUE(korvan::testing::eventually([&] { return socketCount() > sockets; }));
    const int threadsWhilePosting = threadCount();
    // The post waits for its answer meanwhile (a second at most): far longer
    // than any of these requests may take.
    for (int i = 0; i < 5; ++i) EXPECT_LT(timedStatistics(), 200ms);
    ASSERT_TRUE(korvan::testing::eventually([] { return !lastResult().empty(); }));
    EXPECT_NE(std::string::npos, lastResult().find(" UTC failed: no whole answer within 1 s")) << lastResult();
    // The thread ends with its post; the status names no secret.
    EXPECT_TRUE(korvan::testing::eventually([&] { return threadCount() < threadsWhilePosting; }));
    const std::string log = ScratchFolder::read(folder.path() / "Plugins" / "ScoreReporting.log");
    EXPECT_NE(std::string::npos, log.find(" to http://127.0.0.1:")) << log;
    EXPECT_EQ(std::string::npos, log.find("SECRET"));
}

}  // namespace
