#include "windows/operator_windows.h"

#include "resources/resource.h"

// For now the plain dialogs of their resources.
std::unique_ptr<platform::Dialog> makeKdaWindow() { return std::make_unique<platform::Dialog>(IDD_OBLAST); }

std::unique_ptr<platform::Dialog> makeDxccWindow() { return std::make_unique<platform::Dialog>(IDD_DXCC); }
