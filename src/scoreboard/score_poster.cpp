#include "scoreboard/score_poster.h"

#include <utility>

#include "platform/threads.h"
#include "scoreboard/posting_status.h"

namespace korvan {
namespace {

// How long before the end of finish()'s wait a running post is given up:
// long enough for it to stop (it looks every tenth of a second) and for
// the thread to write the status and leave.
constexpr std::chrono::milliseconds kGiveUpMargin{250};

class SystemPostingClock final : public PostingClock {
public:
    std::chrono::steady_clock::time_point now() override { return std::chrono::steady_clock::now(); }
    std::chrono::system_clock::time_point utcNow() override { return std::chrono::system_clock::now(); }
    void waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                   std::chrono::steady_clock::time_point due) override {
        wake.wait_until(lock, due);
    }
};

bool succeeded(const platform::HttpAnswer& answer) {
    return answer.failure == platform::HttpFailure::none && answer.status >= 200 && answer.status < 300;
}

}  // namespace

PostingClock& systemPostingClock() {
    static SystemPostingClock clock;  // no state of its own
    return clock;
}

ScorePoster::ScorePoster(std::mutex& lock, PostingClock& clock, PostTransport transport, std::string settingsFile)
    : lock_(lock), clock_(clock), transport_(std::move(transport)), settingsFile_(std::move(settingsFile)) {}

ScorePoster::~ScorePoster() {
    // When the process is terminating the system has ended the thread
    // already; it can no longer clear its flag.
    if (platform::processIsTerminating()) return;
    std::unique_lock<std::mutex> guard(lock_);
    finishing_ = true;
    giveUp_ = true;
    waiting_.reset();
    wake_.notify_all();
    wake_.wait(guard, [this] { return !threadRunning_; });
}

void ScorePoster::configure(const PostingSettings& settings, const StationDetails& station, bool liveRun) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        settings_ = settings;
        station_ = station;
        if (!liveRun) settings_.enabled = false;
        wanted_ = settings_.posting() && !finishing_;
        // Posting turned off: a score that waits for the interval is not
        // sent either (a post under way ends as it ends).
        if (!settings_.posting()) {
            waiting_.reset();
            wake_.notify_all();
        }
    }
    if (liveRun && settings.enabled && !settings.refusal.empty()) {
        const std::string line = statusLine(clock_.utcNow(), "not posting: " + settings.refusal);
        recordPostingStatus(settingsFile_, line, line);
    }
}

bool ScorePoster::dueLocked(const ScoreSnapshot& snapshot) const {
    return postingScore_ != snapshot.score && lastPostedScore_ != snapshot.score;
}

void ScorePoster::offer(ScoreSnapshot snapshot) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!settings_.posting() || finishing_) return;
    if (!dueLocked(snapshot)) {
        // The board has (or is being sent) this very score: a waiting older
        // one would only overwrite it. A thread waiting for it ends.
        waiting_.reset();
        wake_.notify_all();
        return;
    }
    waiting_ = Job{std::move(snapshot), settings_, station_};
    if (threadRunning_)
        wake_.notify_all();
    else
        startThreadLocked();
}

bool ScorePoster::startThreadLocked() {
    threadRunning_ = true;
    if (platform::startThread(&ScorePoster::threadEntry, this)) return true;
    // The snapshot stays; the next statistics request tries again.
    threadRunning_ = false;
    return false;
}

void ScorePoster::threadEntry(void* self) { static_cast<ScorePoster*>(self)->work(); }

void ScorePoster::work() {
    std::unique_lock<std::mutex> guard(lock_);
    try {
        while (waiting_ && !giveUp_) {
            if (!finishing_ && lastAttempt_) {
                const auto due = *lastAttempt_ + std::chrono::minutes(waiting_->settings.intervalMinutes);
                if (clock_.now() < due) {
                    activity_ = Activity::waitingForInterval;
                    clock_.waitUntil(wake_, guard, due);
                    continue;
                }
            }
            Job job = std::move(*waiting_);
            waiting_.reset();
            activity_ = Activity::posting;
            postingScore_ = job.snapshot.score;
            lastAttempt_ = clock_.now();
            ++attempts_;
            guard.unlock();
            bool posted = false;
            try {
                posted = post(job);
            } catch (...) {
            }
            guard.lock();
            postingScore_.reset();
            if (posted) lastPostedScore_ = job.snapshot.score;
            activity_ = Activity::idle;
        }
    } catch (...) {
        // Nothing may end the host's process from this thread.
        if (!guard.owns_lock()) guard.lock();
    }
    activity_ = Activity::idle;
    threadRunning_ = false;
    wake_.notify_all();
}

bool ScorePoster::post(const Job& job) {
    const std::string document = scoreDocument(job.station, job.snapshot);
    const bool form = job.settings.body == PostBody::form;
    const platform::HttpAnswer answer =
        transport_(job.settings.url, form ? "application/x-www-form-urlencoded" : "text/xml; charset=utf-8",
                   form ? formBody(document) : document, job.settings.timeoutSeconds, giveUp_);
    const std::string outcome = outcomeText(answer, job.settings.timeoutSeconds);
    const auto now = clock_.utcNow();
    recordPostingStatus(settingsFile_, statusLine(now, outcome),
                        statusLine(now, "score " + std::to_string(job.snapshot.score) + " to " +
                                            urlWithoutSecrets(job.settings.url) + ": " + outcome));
    return succeeded(answer);
}

void ScorePoster::finish(std::chrono::milliseconds wait, bool postWaiting) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_lock<std::mutex> guard(lock_);
    finishing_ = true;
    wanted_ = false;
    if (!postWaiting) waiting_.reset();
    if (waiting_ && !threadRunning_) startThreadLocked();
    wake_.notify_all();
    const auto stopped = [this] { return !threadRunning_; };
    if (wake_.wait_until(guard, deadline - kGiveUpMargin, stopped)) return;
    giveUp_ = true;
    waiting_.reset();
    wake_.wait_until(guard, deadline, stopped);
}

ScorePoster::Activity ScorePoster::activity() const {
    std::lock_guard<std::mutex> guard(lock_);
    return activity_;
}

bool ScorePoster::threadRunning() const {
    std::lock_guard<std::mutex> guard(lock_);
    return threadRunning_;
}

int ScorePoster::attempts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return attempts_;
}

}  // namespace korvan
