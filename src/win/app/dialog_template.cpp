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

const DLGTEMPLATE* findDialogTemplate(int dialogId, LANGID language) {
    return reinterpret_cast<const DLGTEMPLATE*>(findTemplate(dialogId, language).data);
}

std::vector<BYTE> loadDialogLayout(int dialogId, LANGID language) {
    const FoundTemplate found = findTemplate(dialogId, language);
    if (!found.data) return {};
    std::vector<BYTE> layout = localisedTemplate(found.data, found.size, found.language);
    if (layout.empty()) layout.assign(found.data, found.data + found.size);
    return layout;
}

INT_PTR dialogBoxInLanguage(HWND owner, int dialogId, DLGPROC procedure, LPARAM parameter) {
    const std::vector<BYTE> layout = loadDialogLayout(dialogId, currentLanguage());
    if (layout.empty()) return -1;
    return DialogBoxIndirectParamW(resourceModule(), reinterpret_cast<const DLGTEMPLATE*>(layout.data()), owner,
                                   procedure, parameter);
}

HWND createDialogInLanguage(HWND parent, int dialogId, DLGPROC procedure, LPARAM parameter) {
    const std::vector<BYTE> layout = loadDialogLayout(dialogId, currentLanguage());
    if (layout.empty()) return nullptr;
    return CreateDialogIndirectParamW(resourceModule(), reinterpret_cast<const DLGTEMPLATE*>(layout.data()), parent,
                                      procedure, parameter);
}

} // namespace qv::win
