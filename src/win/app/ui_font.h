// Fonts for the Chinese user interfaces. A Chinese dialog template names a face (PMingLiU, SimSun,
// MS Shell Dlg) that a Chinese Windows maps to a font with the glyphs; elsewhere, Wine among them,
// the face may be missing and the text shows as boxes. Here the face is replaced, before the
// dialog is created, by an installed font that has the language's character set.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qv::win {

// The character set a language's texts need: CHINESEBIG5_CHARSET, GB2312_CHARSET, or
// DEFAULT_CHARSET for the languages the usual faces cover.
BYTE charsetOf(LANGID language);
// An installed face for the language: the usual Windows faces first, then any font with the
// charset; empty for languages that need none or when no such font is installed.
std::wstring interfaceFace(LANGID language);

// A copy of a DIALOGEX template (size bytes) whose font face is replaced by interfaceFace(language)
// when the language needs one and the named face lacks the charset; empty when the template
// serves as it is (plain DIALOG templates are left alone).
std::vector<BYTE> localisedTemplate(const void* layout, DWORD size, LANGID language);

// The icon-title font, in a face for the language when the system's face lacks its glyphs, for
// controls that use the system's font (the launcher). The caller owns the font.
HFONT createInterfaceFont(LANGID language);

} // namespace qv::win
