// The Encoder tool (function 10022, template 529): channel, bit order, line code, data rate and
// the Data(Hex) text with Sample; Run, Stop and Repeat on the output engine. No Convert.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function.
void openEncoderTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open Encoder dialog, or nullptr.
HWND encoderToolWindow();

} // namespace qv::win
