#pragma once
// The one re-entry rule of the windows: no handler of a thread's dialogs
// runs while that thread is inside a call of the host's automation object.
// Such a call may run a message loop until the host answers (COM's, in a
// single-threaded apartment); the dialog backend keeps back what would run
// a handler there (commands, keys, close requests, posted user messages)
// and delivers it, in order, once the outermost call has returned. Every
// host object that acquireHostAutomation gives makes its calls inside a
// HostCallScope, whatever gave the object, so the window code does nothing
// for it. Only the platform layer includes this header.
#include <memory>

#include "platform/host_automation.h"

namespace korvan::platform::detail {

// The calling thread is inside a host call while one of these lives
// (implemented by the dialog backend).
class HostCallScope {
public:
    HostCallScope();
    ~HostCallScope();
    HostCallScope(const HostCallScope&) = delete;
    HostCallScope& operator=(const HostCallScope&) = delete;
};

bool insideHostCall();

// The backend's own host object (the host's running object through COM, or
// the host stand-in's); null when there is none.
std::unique_ptr<HostAutomation> acquireBackendHostAutomation();

// The object with each of its calls made inside a HostCallScope; null for
// null.
std::unique_ptr<HostAutomation> guardHostCalls(std::unique_ptr<HostAutomation> host);

}  // namespace korvan::platform::detail
