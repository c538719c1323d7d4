#pragma once
// The live score: posts the figures of the statistics requests to an online
// scoreboard from a thread of its own, so the host's thread only hands a
// snapshot over and never waits for the network.
//
// Rules:
//  - a snapshot is due when its score differs from the last one posted
//    (or that post failed); the newest due snapshot waits until
//    IntervalMinutes have passed since the last attempt, then is posted;
//  - one post at a time; the thread runs while a post is due or running
//    and ends when none is (so an idle plug-in has no thread);
//  - finish() (the unload step) posts a snapshot that still waits for the
//    interval at once, waits for the thread at most the time it is given,
//    then gives the post up.
// Every attempt's outcome is written to the status (posting_status.h).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/http_post.h"
#include "scoreboard/posting_settings.h"
#include "scoreboard/score_document.h"

namespace korvan {

// The poster's sense of time. Tests give their own, so the interval is held
// without waiting through it.
class PostingClock {
public:
    virtual ~PostingClock() = default;
    // For the interval between posts.
    virtual std::chrono::steady_clock::time_point now() = 0;
    // For the document's timestamp and the status lines.
    virtual std::chrono::system_clock::time_point utcNow() = 0;
    // Waits on wake (lock held on entry and on return) until now() reaches
    // due or wake is notified; may return early.
    virtual void waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                           std::chrono::steady_clock::time_point due) = 0;
};

// The system's clocks.
PostingClock& systemPostingClock();

// Makes one post (platform::postText in the plug-in).
using PostTransport = std::function<platform::HttpAnswer(const std::string& url, const std::string& contentType,
                                                         const std::string& body, unsigned timeoutSeconds,
                                                         const std::atomic<bool>& giveUp)>;

class ScorePoster {
public:
    // lock guards what the host's thread and the posting thread share (the
    // plug-in gives the contest state's lock); settingsFile is where the
    // status goes.
    ScorePoster(std::mutex& lock, PostingClock& clock, PostTransport transport, std::string settingsFile);
    // Gives a running post up and waits until the thread has left.
    ~ScorePoster();
    ScorePoster(const ScorePoster&) = delete;
    ScorePoster& operator=(const ScorePoster&) = delete;

    // At every reset: the settings and station as read now. A refused
    // posting (Enabled=1 with an unusable Url, or no HTTP support) is
    // written to the status. liveRun false (an export run) posts nothing.
    // When posting is off, a score waiting for the interval is dropped.
    void configure(const PostingSettings& settings, const StationDetails& station, bool liveRun);

    // True when statistics requests should hand their figures over.
    bool wantsScores() const { return wanted_.load(); }

    // After a statistics request, on the host's thread: takes the figures
    // and, when they are due, wakes or starts the posting thread. Never
    // waits for the network.
    void offer(ScoreSnapshot snapshot);

    // The unload step: when postWaiting, a snapshot that waits for the
    // interval is posted now (where the unload step may not start a thread
    // or wait, pass false). Waits at most `wait` for the thread to end,
    // giving a post that is still running up a little before then.
    void finish(std::chrono::milliseconds wait, bool postWaiting);

    // What the thread is doing, for tests and korvan-host.
    enum class Activity { idle, waitingForInterval, posting };
    Activity activity() const;
    bool threadRunning() const;
    // Attempts made since construction.
    int attempts() const;

private:
    struct Job {
        ScoreSnapshot snapshot;
        PostingSettings settings;
        StationDetails station;
    };

    static void threadEntry(void* self);
    void work();
    bool post(const Job& job);
    bool startThreadLocked();
    bool dueLocked(const ScoreSnapshot& snapshot) const;

    std::mutex& lock_;
    PostingClock& clock_;
    PostTransport transport_;
    std::string settingsFile_;
    std::atomic<bool> wanted_{false};
    std::atomic<bool> giveUp_{false};

    // Under lock_.
    std::condition_variable wake_;
    PostingSettings settings_;
    StationDetails station_;
    std::optional<Job> waiting_;
    bool threadRunning_ = false;
    bool finishing_ = false;
    Activity activity_ = Activity::idle;
    std::optional<std::chrono::steady_clock::time_point> lastAttempt_;
    std::optional<std::int64_t> lastPostedScore_;  // the score of the last post that succeeded
    std::optional<std::int64_t> postingScore_;     // the score of the post running now
    int attempts_ = 0;
};

}  // namespace korvan
