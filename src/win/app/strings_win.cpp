// String-table access by explicit language.
#include "app/strings_win.h"

namespace qv::win {
namespace {

HINSTANCE resources = nullptr;
LANGID programLanguage = 0;
thread_local LANGID threadLanguage = 0;

std::wstring findString(int id, LANGID language) {
    // String tables hold blocks of 16 strings: block id/16 + 1, entry id % 16, each a length word
    // followed by that many UTF-16 units.
    HRSRC block = FindResourceExW(resourceModule(), reinterpret_cast<LPCWSTR>(RT_STRING), MAKEINTRESOURCEW(id / 16 + 1),
                                  language);
    if (!block) return {};
    HGLOBAL loaded = LoadResource(resourceModule(), block);
    const auto* data = static_cast<const WCHAR*>(LockResource(loaded));
    const DWORD units = SizeofResource(resourceModule(), block) / sizeof(WCHAR);
    if (!data) return {};
    DWORD at = 0;
    for (int entry = 0; entry < id % 16; ++entry) {
        if (at >= units) return {};
        at += 1 + data[at];
    }
    if (at >= units) return {};
    const DWORD length = data[at];
    if (at + 1 + length > units) return {};
    return std::wstring(data + at + 1, length);
}

} // namespace

LANGID currentLanguage() {
    if (threadLanguage) return threadLanguage;
    if (programLanguage) return programLanguage;
    return LANGIDFROMLCID(GetThreadLocale());
}

void setChosenLanguage(LANGID language) { programLanguage = language; }
LANGID chosenLanguage() { return programLanguage; }

void setThreadLanguage(LANGID language) {
    using SetThreadUILanguageFn = LANGID(WINAPI*)(LANGID);
    if (HMODULE kernel = GetModuleHandleA("Kernel32.dll")) {
        auto fn = reinterpret_cast<SetThreadUILanguageFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadUILanguage")));
        if (fn) fn(language);
    }
    SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
    threadLanguage = language;
}

std::wstring loadString(Msg id, LANGID language) {
    std::wstring text = findString(static_cast<int>(id), language);
    if (text.empty() && language != languageEnglish) text = findString(static_cast<int>(id), languageEnglish);
    return text;
}

std::string narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::wstring widen(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring out(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, out.data(), units);
    return out;
}

HINSTANCE resourceModule() { return resources ? resources : GetModuleHandleW(nullptr); }
void setResourceModule(HINSTANCE module) { resources = module; }

} // namespace qv::win

namespace qv::win {

Language catalogueLanguage(LANGID language) {
    if (PRIMARYLANGID(language) != LANG_CHINESE) return Language::English;
    switch (SUBLANGID(language)) {
    case SUBLANG_CHINESE_SIMPLIFIED:
    case SUBLANG_CHINESE_SINGAPORE: return Language::SimplifiedChinese;
    default: return Language::TraditionalChinese;
    }
}

} // namespace qv::win
