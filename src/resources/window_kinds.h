#pragma once
// Which of the plug-in's windows is which, told by the controls a window
// holds, as a host that enumerates the windows sees them: the KDA grid by
// its first and last area boxes, the setup panel by its "Window on top"
// box (an id the grid's boxes use too, so the grid is asked for first),
// the DXCC window by its owner-drawn info button (the header editor has an
// edit with the same id). The one rule for the headless desktop and for
// korvan-host's window enumeration on Windows.
#include "resources/resource.h"

namespace korvan::resources {

enum class WindowKind { none, panel, kdaGrid, dxcc };

// hasControl(id): the window has a control with this id;
// isOwnerDrawnButton(id): that control is an owner-drawn button.
template <typename HasControl, typename IsOwnerDrawnButton>
WindowKind windowKindOf(HasControl hasControl, IsOwnerDrawnButton isOwnerDrawnButton) {
    if (hasControl(IDC_OBLAST_FIRST_BOX) && hasControl(IDC_OBLAST_LAST_BOX)) return WindowKind::kdaGrid;
    if (hasControl(IDC_SETUP_ON_TOP)) return WindowKind::panel;
    if (hasControl(IDC_DXCC_INFO) && isOwnerDrawnButton(IDC_DXCC_INFO)) return WindowKind::dxcc;
    return WindowKind::none;
}

// The kind's name in a host stand-in's window list; "" for none.
constexpr const char* windowKindName(WindowKind kind) {
    switch (kind) {
        case WindowKind::panel:
            return "panel";
        case WindowKind::kdaGrid:
            return "kda";
        case WindowKind::dxcc:
            return "dxcc";
        case WindowKind::none:
            break;
    }
    return "";
}

}  // namespace korvan::resources
