#pragma once
// What the operator windows share about their placement: the position last
// saved by any of them and whether the KDA and DXCC windows stay on top.
// Window thread only.
#include <string>

#include "platform/dialog.h"

// One remembered position shared by the setup panel, the KDA window and the
// DXCC window: a window writes its keys when it stands elsewhere.
extern int rememberedLeft;
extern int rememberedTop;
// 1 while the operator wants the KDA and DXCC windows on top; read when
// they are created. Outlives the panel.
extern int keepWindowsOnTop;

// The decimal value of a settings key as atoi reads it (missing, empty or
// not a number: 0).
int readSettingsNumber(const char* key);

// Called when the mouse passes over the window: writes xKey and yKey
// (decimal) when the window's left or top edge differs from the remembered
// position, and remembers the new value.
void saveWindowPosition(const platform::Dialog& window, const char* xKey, const char* yKey);
