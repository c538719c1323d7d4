#pragma once
// Keeps a window's handlers from running inside one another. A handler that
// calls the host waits in the host call's message loop (an outgoing COM
// call dispatches the thread's messages on Windows); a click or a refresh
// that arrives meanwhile must not run in the middle of it. Each handler
// runs through run(): called while another one runs, it is kept and runs
// after that one has returned, in the order of arrival.
#include <deque>
#include <functional>

class OneHandlerAtATime {
public:
    // Runs the handler now, or after the running one. A handler with a
    // non-zero tag is kept once: while one with the same tag waits, a
    // second is dropped (the waiting one does the same work).
    void run(std::function<void()> handler, int tag = 0);
    bool running() const { return running_; }

private:
    struct Waiting {
        std::function<void()> handler;
        int tag;
    };
    bool running_ = false;
    std::deque<Waiting> waiting_;
};
