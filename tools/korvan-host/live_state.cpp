#include "live_state.h"

namespace korvan::host {

std::string formatJournalLine(const JournalLine& line) {
    std::string text = std::to_string(line.phase) + " " + line.member;
    if (!line.text.empty()) text += " " + line.text;
    return text;
}

void HostObjectState::setFrequency(double hertz) {
    std::lock_guard<std::mutex> guard(lock_);
    frequency_ = hertz;
    ++phase_;
}

void HostObjectState::setQsoItem(const QsoItemAnswer& answer) {
    std::lock_guard<std::mutex> guard(lock_);
    item_ = answer;
    ++phase_;
}

void HostObjectState::disconnect() {
    std::lock_guard<std::mutex> guard(lock_);
    disconnected_ = true;
    ++phase_;
}

bool HostObjectState::command(const std::string& text) {
    std::lock_guard<std::mutex> guard(lock_);
    if (disconnected_) return false;
    journal_.push_back({phase_, "command", text});
    commands_.push_back(text);
    return true;
}

bool HostObjectState::frequency(double& hertz) {
    std::lock_guard<std::mutex> guard(lock_);
    if (disconnected_) return false;
    journal_.push_back({phase_, "frequency", ""});
    ++reads_;
    hertz = frequency_;
    return true;
}

bool HostObjectState::qsoItem(int item, QsoItemAnswer& answer) {
    std::lock_guard<std::mutex> guard(lock_);
    if (disconnected_) return false;
    journal_.push_back({phase_, "item", std::to_string(item)});
    answer = item_;
    return true;
}

void HostObjectState::refuse(const std::string& what) {
    std::lock_guard<std::mutex> guard(lock_);
    journal_.push_back({phase_, "refused", what});
}

bool HostObjectState::disconnected() const {
    std::lock_guard<std::mutex> guard(lock_);
    return disconnected_;
}

std::vector<JournalLine> HostObjectState::journal() const {
    std::lock_guard<std::mutex> guard(lock_);
    return journal_;
}

bool HostObjectState::waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit,
                              const std::function<void(std::chrono::milliseconds)>& wait) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (done()) return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        wait(std::chrono::milliseconds(10));
    }
}

bool HostObjectState::expectCommand(const std::string& command, std::chrono::milliseconds limit,
                                    const std::function<void(std::chrono::milliseconds)>& wait) {
    return waitFor(
        [&] {
            for (std::size_t i = expectedCommands_; i < commands_.size(); ++i) {
                if (commands_[i] == command) {
                    expectedCommands_ = i + 1;
                    return true;
                }
            }
            return false;
        },
        limit, wait);
}

bool HostObjectState::expectReads(std::size_t count, std::chrono::milliseconds limit,
                                  const std::function<void(std::chrono::milliseconds)>& wait) {
    return waitFor(
        [&] {
            if (reads_ < expectedReads_ + count) return false;
            expectedReads_ += count;
            return true;
        },
        limit, wait);
}

std::vector<std::string> HostObjectState::takeNewCommands() {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::string> fresh(commands_.begin() + static_cast<std::ptrdiff_t>(observedCommands_), commands_.end());
    observedCommands_ = commands_.size();
    return fresh;
}

}  // namespace korvan::host
