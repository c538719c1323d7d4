#include "windows/one_handler_at_a_time.h"

#include <algorithm>

void OneHandlerAtATime::run(std::function<void()> handler, int tag) {
    if (running_) {
        const bool alreadyWaiting = tag != 0 && std::any_of(waiting_.begin(), waiting_.end(),
                                                            [tag](const Waiting& w) { return w.tag == tag; });
        if (!alreadyWaiting) waiting_.push_back({std::move(handler), tag});
        return;
    }
    running_ = true;
    // One handler's failure ends that handler only.
    const auto runOne = [](const std::function<void()>& body) {
        try {
            body();
        } catch (...) {
        }
    };
    runOne(handler);
    while (!waiting_.empty()) {
        Waiting next = std::move(waiting_.front());
        waiting_.pop_front();
        runOne(next.handler);
    }
    running_ = false;
}
