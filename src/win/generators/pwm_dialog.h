// The PWM tool (function 10026, dialog 554): two channels with their duty cycles, the frequency,
// 1 % or 0.1 % duty steps, Repeat; Run and Stop on the output engine and Export to a .qvv file.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function.
void openPwmTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open PWM dialog, or nullptr.
HWND pwmToolWindow();

} // namespace qv::win
