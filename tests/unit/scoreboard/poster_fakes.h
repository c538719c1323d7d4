#pragma once
// A clock the test moves by hand and a scoreboard that records each post
// and answers when the test says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "scoreboard/score_poster.h"

using namespace korvan;

namespace korvan::testing {

// Every wait of the tests ends after this long at most.
constexpr std::chrono::seconds kPatience{10};

class ManualClock : public PostingClock {
public:
    std::chrono::steady_clock::time_point now() override {
        std::lock_guard<std::mutex> guard(own_);
        return now_;
    }
    std::chrono::system_clock::time_point utcNow() override {
        // 2024-05-01 12:34:56 UTC plus the time moved.
        return std::chrono::system_clock::time_point(std::chrono::seconds(1714566896)) +
               std::chrono::duration_cast<std::chrono::system_clock::duration>(now() - start_);
    }
    // Blocks until notified: only advance() (or the poster) moves time on.
    void waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                   std::chrono::steady_clock::time_point due) override {
        {
            std::lock_guard<std::mutex> guard(own_);
            wake_ = &wake;
            waiter_ = lock.mutex();
            ++waits_;
        }
        if (now() < due) wake.wait(lock);
    }
    // Moves time on and wakes a waiting poster.
    void advance(std::chrono::steady_clock::duration step) {
        std::condition_variable* wake = nullptr;
        std::mutex* waiter = nullptr;
        {
            std::lock_guard<std::mutex> guard(own_);
            now_ += step;
            wake = wake_;
            waiter = waiter_;
        }
        if (wake) {
            std::lock_guard<std::mutex> guard(*waiter);
            wake->notify_all();
        }
    }
    int waits() {
        std::lock_guard<std::mutex> guard(own_);
        return waits_;
    }

private:
    std::mutex own_;
    const std::chrono::steady_clock::time_point start_{std::chrono::hours(1000)};
    std::chrono::steady_clock::time_point now_{start_};
    std::condition_variable* wake_ = nullptr;
    std::mutex* waiter_ = nullptr;
    int waits_ = 0;
};

struct RecordedPost {
    std::string url, contentType, body;
    unsigned timeoutSeconds = 0;
};

// Answers every post with `answer`; while held, a post waits until it is
// released or given up.
class RecordingScoreboard {
public:
    platform::HttpAnswer answer{200, platform::HttpFailure::none, "Thanks\r\nsecond line"};

    PostTransport transport() {
        return [this](const std::string& url, const std::string& contentType, const std::string& body,
                      unsigned timeoutSeconds, const std::atomic<bool>& giveUp) {
            std::unique_lock<std::mutex> guard(lock_);
            posts_.push_back({url, contentType, body, timeoutSeconds});
            ++running_;
            mostAtOnce_ = std::max(mostAtOnce_, running_);
            changed_.notify_all();
            while (held_ && !giveUp.load()) changed_.wait_for(guard, std::chrono::milliseconds(5));
            --running_;
            if (giveUp.load()) return platform::HttpAnswer{0, platform::HttpFailure::givenUp, ""};
            return answer;
        };
    }
    void hold() {
        std::lock_guard<std::mutex> guard(lock_);
        held_ = true;
    }
    void release() {
        std::lock_guard<std::mutex> guard(lock_);
        held_ = false;
        changed_.notify_all();
    }
    // Waits until `count` posts have arrived; false after kPatience.
    bool awaitPosts(std::size_t count) {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, kPatience, [&] { return posts_.size() >= count; });
    }
    std::vector<RecordedPost> posts() {
        std::lock_guard<std::mutex> guard(lock_);
        return posts_;
    }
    int mostAtOnce() {
        std::lock_guard<std::mutex> guard(lock_);
        return mostAtOnce_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<RecordedPost> posts_;
    bool held_ = false;
    int running_ = 0;
    int mostAtOnce_ = 0;
};

// Polls condition until it holds; false after kPatience.
inline bool eventually(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace korvan::testing
