// Batch Output (10014, template 415): a list of .qvw and .qvv files played on the instrument one
// after another, with an interval or a Manual click between them, optionally for ever. The
// dialog edits the list and starts the output thread; the thread's logic is core's (runBatch).
#pragma once

#include <windows.h>

namespace qv::win {

void openBatchTool(HWND mainWindow, int functionId, LPARAM parameter);
// The open Batch Output dialog, or nullptr.
HWND batchToolWindow();

} // namespace qv::win
