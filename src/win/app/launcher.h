// The function launcher: a list view (control 100) of the 27 tools with large icons. Item texts
// come from the string table; a double click posts the item's command to the main window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "app/dispatch.h"
#include "support/strings.h"

#include <span>

namespace qv::win {

struct LauncherItem {
    Msg caption; // its id is the function id
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
// Each item's caption in the current language.
void relabelLauncher(HWND launcher);
// The item's display text as shown (tests and screenshots).
const wchar_t* launcherText(int index);
// The main window's entries for WM_NOTIFY from the launcher.
inline constexpr int launcherNotificationCount = 6;
extern const NotifyEntry launcherNotifications[launcherNotificationCount];

} // namespace qv::win
