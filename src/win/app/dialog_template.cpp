// Dialog templates by explicit language.
#include "app/dialog_template.h"

#include "app/strings_win.h"

namespace qv::win {

const DLGTEMPLATE* findDialogTemplate(int dialogId, LANGID language) {
    HMODULE module = resourceModule();
    HRSRC found = FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_DIALOG), MAKEINTRESOURCEW(dialogId), language);
    if (!found && language != languageEnglish)
        found = FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_DIALOG), MAKEINTRESOURCEW(dialogId), languageEnglish);
    if (!found) return nullptr;
    return static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module, found)));
}

INT_PTR dialogBoxInLanguage(HWND owner, int dialogId, DLGPROC procedure, LPARAM parameter) {
    const DLGTEMPLATE* layout = findDialogTemplate(dialogId, currentLanguage());
    if (!layout) return -1;
    return DialogBoxIndirectParamW(resourceModule(), layout, owner, procedure, parameter);
}

HWND createDialogInLanguage(HWND parent, int dialogId, DLGPROC procedure, LPARAM parameter) {
    const DLGTEMPLATE* layout = findDialogTemplate(dialogId, currentLanguage());
    if (!layout) return nullptr;
    return CreateDialogIndirectParamW(resourceModule(), layout, parent, procedure, parameter);
}

} // namespace qv::win
