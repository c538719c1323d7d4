#pragma once
// The host program's automation object, as the windows use it: three
// members called by number. Win32 reaches the host's running object through
// IDispatch; elsewhere a host stand-in offers its object (see
// headless/host_stand_in.h). Used only on the thread that acquired it.
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace korvan::platform {

class HostAutomation {
public:
    virtual ~HostAutomation() = default;
    // Member 16 with one text. false when the call failed.
    virtual bool sendCommand(const std::string& text) = 0;
    // Member 2, a property read: the host's frequency in Hz. Empty when the
    // call failed.
    virtual std::optional<double> frequency() = 0;
    // Member 8 with one integer argument: the text of a string result in the
    // ANSI code page; "" when the result is not a string. Empty when the call
    // failed.
    virtual std::optional<std::string> qsoItem(int item) = 0;
};

// Looks up the host's class, initialises COM for the calling thread (in this
// order), and asks for the host's running object. Null when no host object
// is running or it offers no automation interface. Every call must be
// balanced by endThreadAutomation() on the same thread, after the object
// has been released.
std::unique_ptr<HostAutomation> acquireHostAutomation();
void endThreadAutomation();

// Substitutes the host: acquireHostAutomation() returns what the factory
// gives (an empty function restores the real acquisition).
void setHostAutomationFactory(std::function<std::unique_ptr<HostAutomation>()> factory);

}  // namespace korvan::platform
