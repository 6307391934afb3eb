// The printer port tool, Printer(SPP) (function 10007, template 356): a text or a data file sent
// byte by byte on eight data channels with an nSTROBE pulse, waiting for BUSY on an event input;
// Pin Define (370) sets the channels and the event. Run on the output engine, in sections when the
// data is larger than the memory. No Convert.
#pragma once

#include <windows.h>

namespace qv::win {

void openPrinterTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open printer dialog, or nullptr.
HWND printerToolWindow();

} // namespace qv::win
