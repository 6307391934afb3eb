// Text File to Waveform (10011) and Altera's Waveform to QV's Waveform (10013): one dialog
// (template 380) over one code path, the variant picked by the function id. Load reads the file's
// declarations and timing into the signal list and the frequency entry; Convert reads its PATTERN
// into the sample image, writes the hand-off files and the base frequency, and opens the Wave
// Editor. The reading is core's (converters/text_vector_convert.h).
#pragma once

#include <windows.h>

namespace qv::win {

// Create function of both tools: functionId picks the text vector or the Altera table variant.
void openTextVectorTool(HWND mainWindow, int functionId, LPARAM parameter);

} // namespace qv::win
