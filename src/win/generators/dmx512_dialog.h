// The DMX512 tool (function 10028, template 562): D+ and D- channels, bit rate, the four times, the
// slot values typed, random or from a file; Run, Stop, Repeat and Convert to the Wave Editor.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function.
void openDmx512Tool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open dialog, or nullptr.
HWND dmx512ToolWindow();

} // namespace qv::win
