// The CAN tool (function 10018, template 441): the frame fields (identifier format and value,
// frame type, RTR, DLC, data, CRC, CRC delimiter, ACK, interframe space), the bit rate, CAN_High
// and CAN_Low, the frame list with Add, Insert, Modify, Delete, Export and Import, and Run on the
// output engine (a second Run is the manual trigger). No Convert.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function.
void openCanTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open CAN dialog, or nullptr.
HWND canToolWindow();

} // namespace qv::win
