#pragma once
// The IDispatch side of the host automation, for acquireHostAutomation and
// the Windows platform test.
#include <oaidl.h>

#include <memory>

#include "platform/host_automation.h"

namespace korvan::platform::win32 {

// Takes over the caller's reference on the interface (released by the
// result's destructor, on the calling thread). The result makes its calls
// inside a HostCallScope, as acquireHostAutomation's do.
std::unique_ptr<HostAutomation> wrapHostDispatch(IDispatch* dispatch);

}  // namespace korvan::platform::win32
