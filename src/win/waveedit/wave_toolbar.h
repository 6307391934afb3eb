// The Wave Editor's toolbar: owner-drawn buttons with their icons, scaled for the screen and with
// tool tips, and their enabling from the selection, the zoom and the run state.
#pragma once

#include <windows.h>

namespace qv::win {

void setUpToolbar(HWND dialog);
void drawToolbarItem(const DRAWITEMSTRUCT& item);
// Zoom In and Zoom Out by the zoom rules; the rest by the selection and the run state.
void enableZoomButtons();

} // namespace qv::win
