#pragma once
// The objects of the KDA area window and the DXCC window that the setup
// panel opens; their windows are created by the panel (modeless, from
// dialog resources 106 and 108).
#include <memory>

#include "platform/dialog.h"

std::unique_ptr<platform::Dialog> makeKdaWindow();
std::unique_ptr<platform::Dialog> makeDxccWindow();
