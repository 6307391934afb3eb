// The About box (dialog 301) and the centring routine the program's dialogs share.
#pragma once

#include <windows.h>

namespace qv::win {

inline constexpr int aboutDialogId = 301;
inline constexpr int aboutVersionText = 103;
inline constexpr int aboutPictureArea = 1217;
inline constexpr int aboutImageBitmap = 305;
inline constexpr int aboutMaskBitmap = 396;
inline constexpr int aboutVersionString = 10103;

void showAbout(HWND owner);
INT_PTR CALLBACK aboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Moves window to the centre of over's rectangle, kept on the screen (position only).
void centreWindow(HWND window, HWND over);

} // namespace qv::win
