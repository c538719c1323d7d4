#pragma once
// The KDA area window: a grid of 210 check boxes, one per area, that ticks
// the areas worked on the band the host is tuned to. It only shows; the
// refresh sets its title and its marks.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog.h"

namespace korvan {

class OperatorWindows;

constexpr int kAreaCount = 210;
using AreaMarks = std::array<std::int32_t, kAreaCount>;

// The area codes of the boxes in grid order (from resources/kda_grid.h):
// element k of the marks belongs to code k. The grid has Q19 and no J22.
extern const std::array<const char*, kAreaCount> areaGridCodes;

class KdaAreaWindow : public platform::Dialog {
public:
    explicit KdaAreaWindow(OperatorWindows& owner);

    // Ticks exactly the boxes of the listed codes (codes not in the grid
    // mark nothing) and unticks the rest, also when the list is empty.
    void rebuildMarks(const std::vector<std::string>& codes);
    // The marks of a list of codes, and showing marks in the boxes: the two
    // halves of rebuildMarks, so the refresh can read the engine's list under
    // the state lock and touch the window outside it.
    static AreaMarks marksOf(const std::vector<std::string>& codes);
    void showMarks(const AreaMarks& marks);
    const AreaMarks& marks() const { return areaMarks; }

protected:
    bool onInitDialog() override;
    void doDataExchange(platform::DataExchange& exchange) override;
    // Enter does nothing; Esc hides the window (the modeless default).
    void onOK() override {}
    void onSetCursor() override;
    std::optional<platform::ControlColors> onControlColor(int controlId) override;
    // A box ticked or unticked by the operator.
    void onCommand(int controlId, int notifyCode) override;

private:
    OperatorWindows& owner_;
    AreaMarks areaMarks{};
    // Whether every box shows its element of areaMarks: then a new set of
    // marks only touches the boxes that change (each box is a window
    // message on Windows, and the refresh runs at every call check).
    bool boxesShowMarks_ = false;
};

}  // namespace korvan
