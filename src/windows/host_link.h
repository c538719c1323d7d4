#pragma once
// The host program's automation object as the window thread holds it: one
// object, acquired by the running panel and used only on its thread. Every
// call does nothing when there is no object, and a call that fails (or a
// host that went away) only makes that call fail.
#include <memory>
#include <optional>
#include <string>

#include "platform/host_automation.h"

// The host object of the running panel; null until a panel acquires it.
// Window thread only.
extern std::unique_ptr<platform::HostAutomation> hostAutomation;

// Acquires the host object for the calling thread's panel.
void acquireHostObject();
// Releases the host object and ends the thread's use of automation; on the
// thread that acquired it, after its panel has ended. Does nothing when
// the thread acquired nothing.
void releaseHostObject();

// The three members of the host object. false / empty when there is no
// host object or the call failed.
bool sendHostCommand(const std::string& text);
std::optional<double> hostFrequency();
// Item 5 is the callsign being worked ("" when the result is not a text).
std::optional<std::string> hostQsoItem(int item);
