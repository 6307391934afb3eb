// Stored placements against the screens' work areas.
#include "app/placement.h"

#include <algorithm>

namespace qv {

bool placementUsable(const Placement& placement, std::span<const ScreenArea> workAreas, int captionHeight) {
    // Widths in 64 bits: stored coordinates are any 32-bit values.
    const long long width = static_cast<long long>(placement.right) - placement.left;
    const long long height = static_cast<long long>(placement.bottom) - placement.top;
    if (width < minimumWindowWidth || height < minimumWindowHeight) return false;
    const long long titleTop = placement.top;
    const long long titleBottom = titleTop + std::max(captionHeight, 1);
    const long long neededHeight = std::max(captionHeight / 2, 1);
    return std::any_of(workAreas.begin(), workAreas.end(), [&](const ScreenArea& area) {
        const long long shownWidth =
            std::min<long long>(placement.right, area.right) - std::max<long long>(placement.left, area.left);
        const long long shownHeight =
            std::min<long long>(titleBottom, area.bottom) - std::max<long long>(titleTop, area.top);
        return shownWidth >= minimumVisibleTitleWidth && shownHeight >= neededHeight;
    });
}

Placement usablePlacement(const Placement& placement, std::span<const ScreenArea> workAreas, int captionHeight) {
    return placementUsable(placement, workAreas, captionHeight) ? placement : Placement{};
}

} // namespace qv
