// Dialogs created from the template of an explicit language (FindResourceEx), so a dialog shows in
// the program's chosen language whatever the thread language the system follows. Unicode dialogs,
// so Chinese texts show whatever the ANSI code page is; a Chinese template's font face is replaced
// by an installed one with the glyphs where the named face is missing (app/ui_font).
#pragma once

#include <windows.h>

#include <vector>

namespace qv::win {

// A dialog as its module offers it: the template and the procedure made from its message table.
struct DialogDefinition {
    int templateId;
    DLGPROC procedure;
};

// The template ready to create: a copy of the resource in the language, else in English, its face
// replaced where needed. Empty when the dialog exists in neither.
std::vector<BYTE> loadDialogLayout(int dialogId, LANGID language);

// Modal and modeless dialogs in the calling thread's current language (currentLanguage()).
INT_PTR dialogBoxInLanguage(HWND owner, const DialogDefinition& dialog, LPARAM parameter = 0);
HWND createDialogInLanguage(HWND parent, const DialogDefinition& dialog, LPARAM parameter = 0);

} // namespace qv::win
