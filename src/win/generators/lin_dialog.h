// The LIN tool (function 10017, template 437): the entry kind (message frame, wake-up, go to
// sleep), break and delimiter, identifier with its parity and data length, data and checksum in
// the classic or enhanced model, the wake-up delimiter, bit rate and channel, the event list with
// Add, Insert, Modify, Delete, Export and Import, and Run on the output engine. No Convert.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function.
void openLinTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open LIN dialog, or nullptr.
HWND linToolWindow();

} // namespace qv::win
