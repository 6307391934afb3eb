// The I2C tool (function 10009, template 373): output pins (the two ports or two channels), wait
// for event 1, addressing mode, bit rate and the statement text ("Aw=12;", "D=10,20;"); Run on
// the output engine (a second Run is the manual trigger), Export/Import of the text, Convert.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function: the main window moves to a quarter of the screen width and
// a third of its height first.
void openI2cTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open I2C dialog, or nullptr.
HWND i2cToolWindow();

} // namespace qv::win
