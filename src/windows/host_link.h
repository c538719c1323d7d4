#pragma once
// The host program's automation object as the window thread holds it: one
// object, acquired by the running panel and used only on its thread. Every
// call does nothing when there is no object, and a call that fails (or a
// host that went away) only makes that call fail.
#include <memory>
#include <optional>
#include <string>

#include "platform/host_automation.h"

namespace korvan {

class HostLink {
public:
    HostLink() = default;
    // Releases the object (release()).
    ~HostLink();
    HostLink(const HostLink&) = delete;
    HostLink& operator=(const HostLink&) = delete;

    // Acquires the host object for the calling thread's panel.
    void acquire();
    // Releases the host object and ends the thread's use of automation; on
    // the thread that acquired it, after its panel has ended. Does nothing
    // when nothing was acquired.
    void release();
    bool connected() const { return object_ != nullptr; }

    // The three members of the host object. false / empty when there is no
    // host object or the call failed.
    bool sendCommand(const std::string& text);
    std::optional<double> frequency();
    // Item 5 is the callsign being worked ("" when the result is not a text).
    std::optional<std::string> qsoItem(int item);

private:
    template <typename Result, typename Call>
    Result call(Result failed, Call body);

    std::unique_ptr<platform::HostAutomation> object_;
    // Whether acquire() started the thread's use of automation.
    bool automationStarted_ = false;
};

}  // namespace korvan
