#pragma once
// The contest's band slots, in one table: the label of each slot, the entry
// the band acceptance list holds for it, and the frequency-to-slot rule.
// The statistics file their per-band lists by slot, the acceptance list is
// built from it, and the operator windows show the slot's label and find
// the slot of the host's frequency here.
#include <array>
#include <string_view>

namespace korvan {

constexpr int kBandSlotCount = 6;

struct BandSlotInfo {
    // The slot's name where the plug-in shows a band: the windows' titles
    // and worked-with rows; also the band text whose QSOs the statistics
    // file under this slot (exact, case-sensitive).
    const char* label;
    // The acceptance list's entry for this slot (compared ignoring case).
    const char* acceptedBand;
    // The whole megahertz of a frequency on this band.
    int megahertz;
};

// Slot 0 is 160 m for the windows: a frequency of 1 MHz shows "160m" in the
// titles. The contest does not count 160 m, so the acceptance list holds
// "80m" a second time in its place: a 160 m QSO is rejected as a wrong
// band, while the windows keep the slot (and its empty per-band lists).
inline constexpr std::array<BandSlotInfo, kBandSlotCount> kBandSlots{{
    {"160m", "80m", 1},
    {"80m", "80m", 3},
    {"40m", "40m", 7},
    {"20m", "20m", 14},
    {"15m", "15m", 21},
    {"10m", "10m", 28},
}};

// The slot whose label is exactly this band text, or -1.
// Whether slot names one of the band slots (-1 stands for "no band").
constexpr bool isBandSlot(int slot) { return slot >= 0 && slot < kBandSlotCount; }

int bandSlot(std::string_view band);
// The slot of a frequency in Hz from its whole megahertz, or -1 (no band,
// also for a negative frequency or one that is not a number).
int bandSlotOfFrequency(double hertz);

}  // namespace korvan
