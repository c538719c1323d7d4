#include "windows/window_placement.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "engine/contest_state.h"
#include "platform/profile.h"
#include "windows/operator_windows.h"

namespace korvan {

int readSettingsNumber(const char* key) {
    const std::string value = platform::readProfileString(settingsFile, settingsSection, key, "");
    // As atoi, but a value beyond the range of int is clamped instead of
    // being undefined.
    const long number = std::strtol(value.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(number, INT_MIN, INT_MAX));
}

void saveWindowPosition(const platform::Dialog& window, WindowMemory& memory, const char* xKey, const char* yKey) {
    const platform::Rect rect = window.windowRect();
    if (rect.left != memory.rememberedLeft) {
        memory.rememberedLeft = rect.left;
        platform::writeProfileString(settingsFile, settingsSection, xKey, std::to_string(rect.left));
    }
    if (rect.top != memory.rememberedTop) {
        memory.rememberedTop = rect.top;
        platform::writeProfileString(settingsFile, settingsSection, yKey, std::to_string(rect.top));
    }
}

}  // namespace korvan
