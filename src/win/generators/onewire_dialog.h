// The 1-Wire tool (function 10020, template 468): channel, speed (standard or overdrive), the
// transaction list (a list view: R/W and the data values) with Add, Delete, Append and Modify
// through the Edit dialog (495), Import, Export, Run, Stop and Repeat on the output engine, and a
// context menu on the list. No Convert.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function.
void openOneWireTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open 1-Wire dialog, or nullptr.
HWND oneWireToolWindow();

} // namespace qv::win
