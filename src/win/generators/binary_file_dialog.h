// Binary File to Waveform (function 10010, template 399): a file played as a parallel bit stream,
// Data Width bytes a sample, its lowest Output Width bits from Start Channel up, at the typed
// frequency; Run on the output engine, in sections when the file is longer than the memory.
#pragma once

#include <windows.h>

namespace qv::win {

void openBinaryFileTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open dialog, or nullptr.
HWND binaryFileToolWindow();

} // namespace qv::win
