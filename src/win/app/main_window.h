// The main window: the program's only top-level window. Its client area shows the launcher or the
// one open function dialog; it forwards keys and help to that dialog, carries the system-menu
// commands and answers the other process that shares the instrument.
#pragma once

#include <windows.h>

#include <string>

namespace qv::win {

inline constexpr char mainWindowClassName[] = "PatternGeneratorClass";

// Messages the main window posts to the open function dialog.
inline constexpr UINT toolKeyDown = 0x500; // WM_KEYDOWN's wParam and lParam
inline constexpr UINT toolKeyUp = 0x501; // WM_KEYUP's
inline constexpr UINT toolChar = 0x502; // WM_CHAR's
// WM_HELP's wParam and lParam. The HELPINFO that lParam pointed to is gone by the time the posted
// message arrives: a tool opens its topic and never reads it.
inline constexpr UINT toolHelp = 0x503;
// Sent to the main window by another process: returns qvGetHwInfo(wParam, lParam).
inline constexpr UINT driverInformation = 0x505;
// The online-update thread's report.
inline constexpr UINT updateReport = 0x506;

// Registers "PatternGeneratorClass" (RegisterClassExA, else RegisterClassA) and creates the main
// window at app().savedPlacement, maximised when its flag is set, else with showCommand.
// Stores it as app().mainWindow; nullptr on failure.
HWND createMainWindow(HINSTANCE instance, int showCommand);

// The system-menu items Properties, Online Update and Help: appended after a separator at creation,
// relabelled in the current language after a language change.
void appendSystemMenuItems(HWND mainWindow);
void relabelSystemMenu(HWND mainWindow);
// After Properties: launcher labels and title in the new language.
void applyLanguageChange(HWND mainWindow);
// The main window's title in UTF-16, whatever the system's code page (a document's path, "(Untitled)").
void setMainWindowTitle(HWND mainWindow, const std::wstring& title);

} // namespace qv::win
