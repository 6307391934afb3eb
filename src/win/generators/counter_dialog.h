// The Sync Counter (function 10005, template 307) and Async Counter (10006, template 393) tools:
// width, Start, End, Increment, start channel and frequency with their spins, Binary or Gray code
// (sync) or the Delay Time (async), Repeat and Section (sync); Run on the output engine.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create functions.
void openSyncCounterTool(HWND mainWindow, int functionId, LPARAM parameter);
void openAsyncCounterTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open counter dialog, or nullptr.
HWND counterToolWindow();

} // namespace qv::win
