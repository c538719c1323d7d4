// korvan-host live: the platform's part. On Windows the host object is a
// COM object in the running object table and the windows are real ones;
// elsewhere the plug-in finds the object through the C functions that the
// executable exports (platform/headless/host_stand_in.h) and hands over its
// headless windows.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "live_observation.h"
#include "live_state.h"

namespace korvan::host {

enum class Automation { registered, notRunning, absent };
enum class Apartment { mta, sta };

// The host object could not be offered (registry, COM, running object
// table). Has an exit code of its own.
class HostObjectError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class LiveHost {
public:
    virtual ~LiveHost() = default;
    // Offers the host object as automation says; throws HostObjectError.
    virtual void start(Automation automation, Apartment apartment) = 0;
    // The object goes away: its calls fail from now on.
    virtual void disconnect() = 0;
    // Withdraws everything start offered (also called on failure paths).
    virtual void stop() = 0;
    // Asks the plug-in's windows to close and waits (bounded) until they
    // are gone, where the unload of the library does not do it itself.
    virtual void closeWindows(std::chrono::milliseconds limit) = 0;
    // Waits about that long; in a single-threaded apartment it serves the
    // thread's messages meanwhile.
    virtual void idle(std::chrono::milliseconds time) = 0;

    // Waits, at most limit, until the thread of each of the plug-in's
    // windows has answered a message sent behind everything queued for it
    // and has nothing left to paint; false on time-out. True at once when
    // there is no window.
    virtual bool windowsAnswered(std::chrono::milliseconds limit) = 0;

    // The plug-in's windows as the host can see them.
    virtual std::vector<WindowView> windows() = 0;
    // Presses a control of the panel or a key in a window as the operator
    // would; false when there is no such window.
    virtual bool click(int controlId) = 0;
    virtual bool key(const std::string& kind, bool escape) = 0;
    // Writes each visible plug-in window's client area as
    // folder/name-<kind>.bmp; returns the files written, or nothing where
    // the platform has no pixels.
    virtual std::vector<std::string> snapshot(const std::string& folder, const std::string& name) = 0;
    // The process's GDI object count, where the platform has one.
    virtual std::optional<long> gdiObjects() = 0;
};

std::unique_ptr<LiveHost> makeLiveHost(HostObjectState& state);

}  // namespace korvan::host
