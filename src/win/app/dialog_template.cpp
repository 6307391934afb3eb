// Dialog templates by explicit language.
#include "app/dialog_template.h"

#include "app/strings_win.h"
#include "app/ui_font.h"

namespace qv::win {
namespace {

struct FoundTemplate {
    const BYTE* data = nullptr;
    DWORD size = 0;
    LANGID language = 0;
};

FoundTemplate findTemplate(int dialogId, LANGID language) {
    HMODULE module = resourceModule();
    for (LANGID candidate : {language, languageEnglish}) {
        HRSRC found =
            FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_DIALOG), MAKEINTRESOURCEW(dialogId), candidate);
        if (!found) continue;
        const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        if (data) return {data, SizeofResource(module, found), candidate};
    }
    return {};
}

} // namespace

std::vector<BYTE> loadDialogLayout(int dialogId, LANGID language) {
    const FoundTemplate found = findTemplate(dialogId, language);
    if (!found.data) return {};
    std::vector<BYTE> layout = localisedTemplate(found.data, found.size, found.language);
    if (layout.empty()) layout.assign(found.data, found.data + found.size);
    return layout;
}

INT_PTR dialogBoxInLanguage(HWND owner, const DialogDefinition& dialog, LPARAM parameter) {
    const std::vector<BYTE> layout = loadDialogLayout(dialog.templateId, currentLanguage());
    if (layout.empty()) return -1;
    return DialogBoxIndirectParamW(resourceModule(), reinterpret_cast<const DLGTEMPLATE*>(layout.data()), owner,
                                   dialog.procedure, parameter);
}

HWND createDialogInLanguage(HWND parent, const DialogDefinition& dialog, LPARAM parameter) {
    const std::vector<BYTE> layout = loadDialogLayout(dialog.templateId, currentLanguage());
    if (layout.empty()) return nullptr;
    return CreateDialogIndirectParamW(resourceModule(), reinterpret_cast<const DLGTEMPLATE*>(layout.data()), parent,
                                      dialog.procedure, parameter);
}

} // namespace qv::win
