// The device-removal watch: the main window registers for notifications on the instrument's open
// device handle; when the instrument goes, the driver is told, a countdown ("USB Disconnect!")
// runs, and the main window is closed (twice: an open tool first, then the window itself).
#pragma once

#include <windows.h>

#include "app/dialog_template.h"

namespace qv::win {

inline constexpr UINT_PTR countdownTimer = 999;
inline constexpr UINT countdownTickMilliseconds = 1000;
inline constexpr int countdownSeconds = 8;

// At main-window creation. Returns the registration (nullptr when the driver gives no handle,
// as in demo mode); the main window ends it with stopDeviceWatch when it is destroyed.
HDEVNOTIFY startDeviceWatch(HWND mainWindow);
void stopDeviceWatch(HDEVNOTIFY registration);

// The main window's WM_DEVICECHANGE handler: device arrival or removal on the watched handle
// runs the countdown and closes the program; every other event goes to DefWindowProcA.
LRESULT onDeviceChange(HWND mainWindow, UINT message, WPARAM wParam, LPARAM lParam);

// Dialog 443, modal: ends after the countdown or when its button is pressed (Esc does not end it).
extern const DialogDefinition countdownDialog;
void showDisconnectCountdown(HWND owner);

} // namespace qv::win
