// The I2S tool (function 10021, template 525): SCK, WS and SD channels, width, the preset or manual
// SCK frequency and the words; Run, Stop, Repeat, Export, Import, Sample, Help and Exit.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function.
void openI2sTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open dialog, or nullptr.
HWND i2sToolWindow();

} // namespace qv::win
