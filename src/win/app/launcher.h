// The function launcher: a list view (control 100) of the 27 tools with large icons. Item texts
// come from the string table; a double click posts the item's command to the main window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <span>

namespace qv::win {

struct LauncherItem {
    int stringId; // caption string id = function id
    WORD iconId;
    UINT message; // posted to the main window on a double click
    WPARAM command;
};

inline constexpr int launcherItemCount = 27;
inline constexpr int launcherTextLength = 31;

std::span<const LauncherItem> launcherItems();

// Creates the list view over the main window's client area; on failure destroys what was made,
// shows "Critical error!" and returns nullptr.
HWND createLauncher(HWND mainWindow);
// Item i gets string 10003 + i in the current language.
void relabelLauncher(HWND launcher);
// The item's display text as shown (tests and screenshots).
const wchar_t* launcherText(int index);
// WM_NOTIFY from control 100.
LRESULT onLauncherNotify(HWND mainWindow, const NMHDR* header);

} // namespace qv::win
