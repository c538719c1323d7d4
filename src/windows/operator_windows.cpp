#include "windows/operator_windows.h"

#include "windows/dxcc_window.h"
#include "windows/kda_window.h"

std::unique_ptr<platform::Dialog> makeKdaWindow() { return std::make_unique<KdaAreaWindow>(); }

std::unique_ptr<platform::Dialog> makeDxccWindow() { return std::make_unique<DxccWindow>(); }
