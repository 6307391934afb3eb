// The Wave Editor's toolbar: owner-drawn buttons with their icons, scaled for the screen and with
// tool tips, and their enabling from the selection, the zoom and the run state.
#pragma once

#include <windows.h>

#include <vector>

namespace qv::win {

// The rows an editing operation would act on: the row-range selection's rows, else the rows
// selected in the label column.
std::vector<int> selectedRows();

void setUpToolbar(HWND dialog);
void drawToolbarItem(const DRAWITEMSTRUCT& item);
// Zoom In and Zoom Out by the zoom rules; the rest by the selection and the run state.
void enableZoomButtons();

} // namespace qv::win
