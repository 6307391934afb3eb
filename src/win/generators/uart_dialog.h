// The UART (RS232) tool (function 10008, template 306): baud rate, parity, data and stop bits,
// output port, data format, an optional synchronous channel, the data edit or a data file; Run
// on the output engine, in sections when the data is larger than the memory.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function.
void openUartTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open UART dialog, or nullptr.
HWND uartToolWindow();

} // namespace qv::win
