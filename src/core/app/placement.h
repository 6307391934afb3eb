// Whether a stored window placement can be used on the screens as they are now. A placement from
// another monitor set-up, or hand-edited, may put the title bar where no screen shows it (the
// window could then not be moved back) or be too small to use; such a placement counts as not
// stored, and the default placement is used.
#pragma once

#include "app/settings.h"

#include <span>

namespace qv {

struct ScreenArea {
    int left, top, right, bottom;
};

// The main window cannot be sized below this (its minimum tracking size), and a stored placement
// smaller than this is not used.
inline constexpr int minimumWindowWidth = 320;
inline constexpr int minimumWindowHeight = 200;
// How much of the title bar one work area must show for the window to be dragged: this width and
// half the caption height.
inline constexpr int minimumVisibleTitleWidth = 40;

bool placementUsable(const Placement& placement, std::span<const ScreenArea> workAreas, int captionHeight);

// The placement itself when usable, else the default placement.
Placement usablePlacement(const Placement& placement, std::span<const ScreenArea> workAreas, int captionHeight);

} // namespace qv
