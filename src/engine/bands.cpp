#include "engine/bands.h"

#include <cmath>

namespace korvan {

int bandSlot(std::string_view band) {
    for (int slot = 0; slot < kBandSlotCount; ++slot)
        if (band == kBandSlots[static_cast<std::size_t>(slot)].label) return slot;
    return -1;
}

int bandSlotOfFrequency(double hertz) {
    const double megahertz = std::trunc(hertz / 1000000.0);
    if (!(megahertz >= 0.0 && megahertz <= 100.0)) return -1;  // also not a number
    for (int slot = 0; slot < kBandSlotCount; ++slot)
        if (static_cast<int>(megahertz) == kBandSlots[static_cast<std::size_t>(slot)].megahertz) return slot;
    return -1;
}

}  // namespace korvan
