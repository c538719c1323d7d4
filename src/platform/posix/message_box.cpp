// Message boxes without a screen: handed to a sink, by default stderr.
#include <cstdio>
#include <mutex>

#include "platform/message_box.h"

namespace korvan::platform {
namespace {

int printToStandardError(const std::string& text, const std::string& caption, unsigned) {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    return kIdOk;
}

struct SinkSlot {
    std::mutex lock;
    MessageBoxSink sink;
};

// A plain static: constructed at load, so it outlives the unload step.
SinkSlot sinkSlot;
SinkSlot& slot() { return sinkSlot; }

}  // namespace

int messageBox(const std::string& text, const std::string& caption, unsigned style, MessageBoxOwner) {
    MessageBoxSink sink;
    {
        std::lock_guard<std::mutex> guard(slot().lock);
        sink = slot().sink;
    }
    // The sink runs without the lock: it may block or replace itself.
    return sink ? sink(text, caption, style) : printToStandardError(text, caption, style);
}

MessageBoxSink setMessageBoxSink(MessageBoxSink sink) {
    std::lock_guard<std::mutex> guard(slot().lock);
    MessageBoxSink previous = std::move(slot().sink);
    slot().sink = std::move(sink);
    return previous;
}

}  // namespace korvan::platform
