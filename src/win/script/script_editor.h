// The script tool (function 10004, template 308): a function dialog that shows and edits the
// schedule text of the working directory with its own drawing (no edit control), a toolbar whose
// buttons only look pressed, a list pane and a status line. The text is never saved; the list
// pane's height is kept in SCRIPT.VAR and the placement under the Script key.
#pragma once

#include <windows.h>

#include "app/dialog_template.h"

#include <string>

namespace qv::win {

extern const DialogDefinition scriptEditorDialog;

void openScriptEditor(HWND mainWindow, int functionId, LPARAM parameter);

// For tests: the open tool's dialog, its text and the status line's two parts.
HWND scriptEditorWindow();
std::string scriptEditorText();
std::wstring scriptEditorStatus(int part);

} // namespace qv::win
