// The SPI tool (function 10015, template 425): chip select, clock and data channels, polarity,
// latching edge, width, clock rate, bit order, and the words from the data edit, the random
// generator or a file; Run on the output engine, Convert to the Wave Editor, Example.
#pragma once

#include <windows.h>

namespace qv::win {

// The tool table's create function.
void openSpiTool(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open SPI dialog, or nullptr.
HWND spiToolWindow();

} // namespace qv::win
