#include "windows/kda_window.h"

#include <algorithm>
#include <string_view>

#include "resources/resource.h"
#include "windows/window_placement.h"

namespace {

constexpr platform::Color kBackground = platform::rgb(255, 250, 198);

constexpr std::array<int, kAreaCount> kBoxIds = {
#define KDA_GRID_BOX(id, code, caption, x, y, width) id,
#include "resources/kda_grid.h"
#undef KDA_GRID_BOX
};

// The grid order is ascending byte order, so a code's box is found by
// binary search.
constexpr bool gridCodesAscend(const std::array<const char*, kAreaCount>& codes) {
    for (std::size_t k = 1; k < codes.size(); ++k)
        if (!(std::string_view(codes[k - 1]) < std::string_view(codes[k]))) return false;
    return true;
}

constexpr std::array<const char*, kAreaCount> kGridCodes = {
#define KDA_GRID_BOX(id, code, caption, x, y, width) code,
#include "resources/kda_grid.h"
#undef KDA_GRID_BOX
};
static_assert(gridCodesAscend(kGridCodes), "binary search over the grid codes needs ascending order");

}  // namespace

const std::array<const char*, kAreaCount> areaGridCodes = kGridCodes;

oblast::oblast() : platform::Dialog(IDD_OBLAST) {}

AreaMarks oblast::marksOf(const std::vector<std::string>& codes) {
    AreaMarks marks{};
    for (const std::string& code : codes) {
        const auto found = std::lower_bound(kGridCodes.begin(), kGridCodes.end(), std::string_view(code),
                                            [](const char* a, std::string_view b) { return std::string_view(a) < b; });
        if (found != kGridCodes.end() && std::string_view(*found) == code) marks[found - kGridCodes.begin()] = 1;
    }
    return marks;
}

void oblast::showMarks(const AreaMarks& marks) {
    if (!boxesShowMarks_) {
        areaMarks = marks;
        updateData(false);
        boxesShowMarks_ = true;
        return;
    }
    for (std::size_t k = 0; k < kAreaCount; ++k) {
        if (marks[k] == areaMarks[k]) continue;
        areaMarks[k] = marks[k];
        setCheckState(kBoxIds[k], marks[k]);
    }
}

void oblast::onCommand(int controlId, int) {
    if (controlId >= IDC_OBLAST_FIRST_BOX && controlId <= IDC_OBLAST_LAST_BOX) boxesShowMarks_ = false;
}

void oblast::rebuildMarks(const std::vector<std::string>& codes) { showMarks(marksOf(codes)); }

void oblast::doDataExchange(platform::DataExchange& exchange) {
    for (std::size_t k = 0; k < kAreaCount; ++k) exchange.check(kBoxIds[k], areaMarks[k]);
}

bool oblast::onInitDialog() {
    platform::Dialog::onInitDialog();
    boxesShowMarks_ = true;
    // No default position: a window never placed opens at (0, 0).
    rememberedLeft = readSettingsNumber("oblast_x");
    rememberedTop = readSettingsNumber("oblast_y");
    moveTo(rememberedLeft, rememberedTop);
    if (keepWindowsOnTop != 0) makeTopmost();
    setLargeIcon(IDI_KORVAN);
    disableCloseItem();
    return true;
}

void oblast::onSetCursor() { saveWindowPosition(*this, "oblast_x", "oblast_y"); }

std::optional<platform::ControlColors> oblast::onControlColor(int) {
    // The boxes blend with the window's background.
    return platform::ControlColors{platform::rgb(0, 0, 0), kBackground, kBackground};
}
