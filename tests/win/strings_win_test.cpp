// The string tables in the three languages, loaded by explicit language.
#include "app/strings_win.h"
#include "app/message_box.h"

#include <gtest/gtest.h>

namespace qv::win {

TEST(StringTables, LoadEveryLanguageExplicitly) {
    EXPECT_EQ(loadString(12033, languageEnglish), L"Enter DEMO mode.(No QV)");
    EXPECT_EQ(loadString(10104, languageTraditionalChinese), L"\\twQV.chm");
    EXPECT_EQ(loadString(10104, languageSimplifiedChinese), L"\\cnQV.chm");
    EXPECT_EQ(loadString(10105, languageTraditionalChinese), L"\\QV.hlp");
    // A language the program does not carry falls back to English.
    EXPECT_EQ(loadString(12007, 1031), L"Memory not enough!");
    EXPECT_TRUE(loadString(4242, languageEnglish).empty());
}

TEST(MessageBoxes, ScriptAnswersAndSeesTextAndCaption) {
    ShownMessage seen{};
    setMessageBoxScript([&](const ShownMessage& m) {
        seen = m;
        return IDNO;
    });
    setThreadLanguage(languageSimplifiedChinese);
    EXPECT_EQ(messageBox(nullptr, 12094, MB_OK, captionShortName), IDNO);
    setThreadLanguage(languageEnglish);
    setMessageBoxScript({});
    EXPECT_EQ(seen.stringId, 12094);
    EXPECT_EQ(seen.text, L"数据保存错误。");
    EXPECT_EQ(seen.caption, L"QVEditor");
}

} // namespace qv::win
