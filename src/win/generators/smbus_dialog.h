// The SMBus tool (function 10024, template 548) and the PMBus tool (function 10025, template 551):
// protocol, address, command (and the PMBus extension), data and "Sr", the packet list that Add
// List or Ok fills, with its context menu and packet dialog, the clock rate and channels, and Run
// on the output engine. No Convert.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create functions.
void openSmbusTool(HWND mainWindow, int functionId, LPARAM parameter);
void openPmbusTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open dialog, or nullptr.
HWND smbusToolWindow();
HWND pmbusToolWindow();

} // namespace qv::win
