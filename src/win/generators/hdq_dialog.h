// The HDQ tool (function 10019, template 449): address, data, Write/Read and the HDQ8/HDQ16 width,
// the transaction list (a list view) with Add, Delete, Append, Modify (dialog 462), Export and
// Import as icon buttons and a context menu, channel, transmission rate 3.5 to 5.5 kbit/s, and
// Run, Stop and Repeat on the output engine. No Convert.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function.
void openHdqTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open HDQ dialog, or nullptr.
HWND hdqToolWindow();

} // namespace qv::win
