// Chinese dialog templates get an installed face that has their glyphs; English ones stay as they are.
#include "app/dialog_template.h"
#include "app/properties.h"
#include "app/strings_win.h"
#include "app/ui_font.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace qv::win {
namespace {

INT_PTR CALLBACK inertDialogProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Whether the font shows every character of text with a glyph of its own.
bool drawsAll(HFONT font, const wchar_t* text) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    const int length = lstrlenW(text);
    std::vector<WORD> glyphs(static_cast<size_t>(length));
    GetGlyphIndicesW(screen, text, length, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    for (WORD glyph : glyphs)
        if (glyph == 0xFFFF) return false;
    return true;
}

TEST(InterfaceFonts, ChineseDialogsShowTheirTextsWithGlyphs) {
    struct Case {
        LANGID language;
        const wchar_t* sample; // Chinese with the Latin, digits and punctuation beside it
    } cases[] = {{languageTraditionalChinese, L"電壓 1: QV-C350 (USB)"},
                 {languageSimplifiedChinese, L"电压 1: QV-C350 (USB)"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        if (interfaceFace(c.language).empty()) GTEST_SKIP() << "no font with Chinese glyphs installed";
        const std::vector<BYTE> layout = loadDialogLayout(IDD_PROPERTIES, c.language);
        ASSERT_FALSE(layout.empty());
        HWND dialog =
            CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(layout.data()),
                                       nullptr, inertDialogProcedure, 0);
        ASSERT_TRUE(dialog);
        // Every control of the template survived the face change.
        for (int control : {1169, 1171, 1173, 1225, 1228, 1231, 1230, 1163, IDOK, IDCANCEL, 1181})
            EXPECT_TRUE(GetDlgItem(dialog, control)) << control;
        wchar_t text[64] = {};
        GetDlgItemTextW(dialog, 1181, text, 64);
        EXPECT_STREQ(text, c.language == languageTraditionalChinese ? L"說明" : L"帮助");
        const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
        ASSERT_TRUE(font);
        EXPECT_TRUE(drawsAll(font, c.sample));
        DestroyWindow(dialog);

        HFONT labels = createInterfaceFont(c.language);
        ASSERT_TRUE(labels);
        EXPECT_TRUE(drawsAll(labels, c.sample));
        DeleteObject(labels);
    }
}

TEST(InterfaceFonts, EnglishAndForeignTemplatesStayAsTheyAre) {
    EXPECT_TRUE(interfaceFace(languageEnglish).empty());
    HRSRC found = FindResourceExW(GetModuleHandleW(nullptr), reinterpret_cast<LPCWSTR>(RT_DIALOG),
                                  MAKEINTRESOURCEW(IDD_PROPERTIES), languageEnglish);
    ASSERT_TRUE(found);
    const void* data = LockResource(LoadResource(GetModuleHandleW(nullptr), found));
    const DWORD size = SizeofResource(GetModuleHandleW(nullptr), found);
    EXPECT_TRUE(localisedTemplate(data, size, languageEnglish).empty());
    // Truncated or foreign data is left alone rather than misread.
    EXPECT_TRUE(localisedTemplate(data, 20, languageTraditionalChinese).empty());
    const BYTE notATemplate[40] = {1, 0, 0, 0};
    EXPECT_TRUE(localisedTemplate(notATemplate, sizeof notATemplate, languageSimplifiedChinese).empty());
    const std::vector<BYTE> english = loadDialogLayout(IDD_PROPERTIES, languageEnglish);
    ASSERT_EQ(english.size(), size);
    EXPECT_EQ(std::memcmp(english.data(), data, size), 0);
}

} // namespace
} // namespace qv::win
