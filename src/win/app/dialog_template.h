// Dialogs created from the template of an explicit language (FindResourceEx), so a dialog shows in
// the program's chosen language whatever the thread language the system follows. Unicode dialogs,
// so Chinese texts show whatever the ANSI code page is; a Chinese template's font face is replaced
// by an installed one with the glyphs where the named face is missing (app/ui_font).
#pragma once

#include <windows.h>

#include <vector>

namespace qv::win {

// The template of dialog id in the language, else in English; nullptr when neither exists.
const DLGTEMPLATE* findDialogTemplate(int dialogId, LANGID language);

// The template ready to create: a copy of the resource, its face replaced where needed.
// Empty when the dialog exists in neither the language nor English.
std::vector<BYTE> loadDialogLayout(int dialogId, LANGID language);

// Modal and modeless dialogs in the calling thread's current language (currentLanguage()).
INT_PTR dialogBoxInLanguage(HWND owner, int dialogId, DLGPROC procedure, LPARAM parameter = 0);
HWND createDialogInLanguage(HWND parent, int dialogId, DLGPROC procedure, LPARAM parameter = 0);

} // namespace qv::win
