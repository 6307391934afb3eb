// Texts from the string tables, loaded by explicit language (FindResourceEx), never through the
// thread language that plain LoadString follows. Texts are UTF-16 so the three languages show
// correctly whatever the system's ANSI code page is.
#pragma once

#include <windows.h>

#include "support/strings.h"

#include <string>

namespace qv::win {

inline constexpr LANGID languageEnglish = 1033;
inline constexpr LANGID languageTraditionalChinese = 1028;
inline constexpr LANGID languageSimplifiedChinese = 2052;

// The language of the calling thread's user interface: the one set by setThreadLanguage on this
// thread, else the program's chosen language, else the thread locale.
LANGID currentLanguage();
// The program-wide chosen language (start-up, Properties); worker threads start in it.
void setChosenLanguage(LANGID language);
LANGID chosenLanguage();
// SetThreadUILanguage (looked up in Kernel32.dll at run time, skipped where missing), then
// SetThreadLocale, and remembers the language for currentLanguage().
void setThreadLanguage(LANGID language);

// A string-table text in a language; falls back to English, then to the empty string.
std::wstring loadString(Msg id, LANGID language);
// The catalogue language of a user-interface language (core texts take it): Traditional or
// Simplified Chinese by sublanguage, English for every other language.
Language catalogueLanguage(LANGID language);
inline std::wstring loadString(Msg id) { return loadString(id, currentLanguage()); }
// Conversions between UTF-16 and a code page: CP_UTF8, or CP_ACP for the ANSI interfaces (window
// class, registry paths, help files, the driver's names).
std::string narrow(const std::wstring& text, UINT codePage);
std::wstring widen(const std::string& text, UINT codePage);
inline std::string toUtf8(const std::wstring& text) { return narrow(text, CP_UTF8); }
inline std::string toAnsi(const std::wstring& text) { return narrow(text, CP_ACP); }
inline std::wstring fromUtf8(const std::string& text) { return widen(text, CP_UTF8); }
inline std::wstring fromAnsi(const std::string& text) { return widen(text, CP_ACP); }

// The module that holds the resources (the executable by default; tests may point elsewhere).
HINSTANCE resourceModule();
void setResourceModule(HINSTANCE module);

} // namespace qv::win
