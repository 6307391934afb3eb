// Face substitution in dialog templates and the launcher's font.
#include "app/ui_font.h"

#include "app/strings_win.h"

#include <cstring>
#include <cwchar>

namespace qv::win {
namespace {

int CALLBACK collectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
    auto* faces = reinterpret_cast<std::vector<std::wstring>*>(data);
    if (font->lfFaceName[0] != L'@') faces->push_back(font->lfFaceName); // '@': vertical variants
    return 1;
}

// The faces installed with the charset: the one named, or all when face is empty.
std::vector<std::wstring> installedFaces(const std::wstring& face, BYTE charset) {
    std::vector<std::wstring> faces;
    if (face.size() >= LF_FACESIZE) return faces;
    LOGFONTW query{};
    query.lfCharSet = charset;
    std::wcscpy(query.lfFaceName, face.c_str());
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, collectFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, screen);
    return faces;
}

// Whether the face draws every character of text with a glyph of its own.
bool hasGlyphs(const std::wstring& face, BYTE charset, const wchar_t* text) {
    LOGFONTW request{};
    request.lfHeight = -12;
    request.lfCharSet = charset;
    std::wcsncpy(request.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&request);
    if (!font) return false;
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    const int length = static_cast<int>(std::wcslen(text));
    std::vector<WORD> glyphs(static_cast<size_t>(length));
    bool complete = GetGlyphIndicesW(screen, text, length, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) ==
        static_cast<DWORD>(length);
    for (WORD glyph : glyphs) complete = complete && glyph != 0xFFFF;
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return complete;
}

std::wstring installedFace(const std::wstring& face, BYTE charset) {
    const auto faces = installedFaces(face, charset);
    return faces.empty() ? std::wstring() : faces.front();
}

// Little-endian fields of a template.
WORD word(const BYTE* at) { return static_cast<WORD>(at[0] | (at[1] << 8)); }
DWORD dword(const BYTE* at) { return word(at) | (static_cast<DWORD>(word(at + 2)) << 16); }

// Skips a NUL-terminated UTF-16 string; 0 when it runs past the end.
size_t skipString(const BYTE* data, size_t at, size_t size) {
    while (at + 2 <= size) {
        const WORD unit = word(data + at);
        at += 2;
        if (unit == 0) return at;
    }
    return 0;
}

// Skips a sz_Or_Ord field; 0 when it runs past the end.
size_t skipNameOrOrdinal(const BYTE* data, size_t at, size_t size) {
    if (at + 2 > size) return 0;
    const WORD first = word(data + at);
    if (first == 0) return at + 2;
    if (first == 0xFFFF) return at + 4 <= size ? at + 4 : 0;
    return skipString(data, at, size);
}

} // namespace

BYTE charsetOf(LANGID language) {
    switch (language) {
    case languageTraditionalChinese: return CHINESEBIG5_CHARSET;
    case languageSimplifiedChinese: return GB2312_CHARSET;
    default: return DEFAULT_CHARSET;
    }
}

std::wstring interfaceFace(LANGID language) {
    const BYTE charset = charsetOf(language);
    if (charset == DEFAULT_CHARSET) return {};
    static const wchar_t* const traditional[] = {L"Microsoft JhengHei", L"PMingLiU", L"MingLiU"};
    static const wchar_t* const simplified[] = {L"Microsoft YaHei", L"SimSun", L"NSimSun"};
    for (const wchar_t* face : charset == CHINESEBIG5_CHARSET ? traditional : simplified) {
        std::wstring found = installedFace(face, charset);
        if (!found.empty()) return found;
    }
    // Any font with the charset that also has the Latin letters, digits and punctuation the
    // Chinese texts mix in (some fallback fonts carry the ideographs alone).
    for (const std::wstring& face : installedFaces({}, charset))
        if (hasGlyphs(face, charset, charset == CHINESEBIG5_CHARSET ? L"Az09:(.)\u8a9e" : L"Az09:(.)\u8bed"))
            return face;
    return {};
}

std::vector<BYTE> localisedTemplate(const void* layout, DWORD size, LANGID language) {
    const auto* data = static_cast<const BYTE*>(layout);
    const BYTE charset = charsetOf(language);
    // DIALOGEX: version 1, signature 0xFFFF, then help id, extended style, style, item count and
    // the rectangle (26 bytes), menu, class and title, then the font when DS_SETFONT is set.
    if (!data || charset == DEFAULT_CHARSET || size < 26 || word(data) != 1 || word(data + 2) != 0xFFFF) return {};
    const DWORD style = dword(data + 12);
    if (!(style & DS_SETFONT)) return {};
    size_t at = 26;
    at = skipNameOrOrdinal(data, at, size);
    if (at) at = skipNameOrOrdinal(data, at, size);
    if (at) at = skipString(data, at, size);
    if (!at || at + 6 > size) return {};
    const size_t faceAt = at + 6; // point size, weight, italic, charset
    const size_t faceEnd = skipString(data, faceAt, size);
    if (!faceEnd) return {};
    const std::wstring face(reinterpret_cast<const wchar_t*>(data + faceAt), (faceEnd - faceAt) / 2 - 1);
    if (!installedFace(face, charset).empty()) return {};
    const std::wstring substitute = interfaceFace(language);
    if (substitute.empty()) return {};

    // Items start on the next 4-byte boundary after the face; moving them by a multiple of 4
    // keeps every item's own alignment.
    const size_t itemsAt = (faceEnd + 3) & ~size_t{3};
    std::vector<BYTE> copy(data, data + faceAt);
    copy[faceAt - 1] = charset;
    const auto* faceBytes = reinterpret_cast<const BYTE*>(substitute.c_str());
    copy.insert(copy.end(), faceBytes, faceBytes + (substitute.size() + 1) * sizeof(wchar_t));
    copy.resize((copy.size() + 3) & ~size_t{3}, 0);
    if (itemsAt < size) copy.insert(copy.end(), data + itemsAt, data + size);
    return copy;
}

HFONT createInterfaceFont(LANGID language) {
    LOGFONTW font{};
    if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0)) return nullptr;
    const std::wstring face = interfaceFace(language);
    if (!face.empty() && installedFace(font.lfFaceName, charsetOf(language)).empty()) {
        std::wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        font.lfCharSet = charsetOf(language);
    }
    return CreateFontIndirectW(&font);
}

} // namespace qv::win
