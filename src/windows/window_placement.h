#pragma once
// How the operator windows keep their place: the settings numbers they read
// and the position they save when the mouse passes over them.
#include <string>

#include "platform/dialog.h"

namespace korvan {

struct WindowMemory;

// The decimal value of a settings key as atoi reads it (missing, empty or
// not a number: 0).
int readSettingsNumber(const char* key);

// Called when the mouse passes over the window: writes xKey and yKey
// (decimal) when the window's left or top edge differs from the position
// remembered by any of the windows, and remembers the new value.
void saveWindowPosition(const platform::Dialog& window, WindowMemory& memory, const char* xKey, const char* yKey);

}  // namespace korvan
