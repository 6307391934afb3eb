// The string tables in the three languages, loaded by explicit language; message boxes and the
// Prompt port over them.
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/window_prompt.h"

#include <gtest/gtest.h>

namespace qv::win {

TEST(StringTables, LoadEveryLanguageExplicitly) {
    EXPECT_EQ(loadString(Msg::DemoMode, languageEnglish), L"Enter DEMO mode.(No QV)");
    EXPECT_EQ(loadString(Msg::HelpFileChm, languageTraditionalChinese), L"\\twQV.chm");
    EXPECT_EQ(loadString(Msg::HelpFileChm, languageSimplifiedChinese), L"\\cnQV.chm");
    EXPECT_EQ(loadString(Msg::HelpFileHlp, languageTraditionalChinese), L"\\QV.hlp");
    // A language the program does not carry falls back to English.
    EXPECT_EQ(loadString(Msg::MemoryNotEnough, 1031), L"Memory not enough!");
    EXPECT_TRUE(loadString(static_cast<Msg>(4242), languageEnglish).empty());
}

TEST(MessageBoxes, ScriptAnswersAndSeesTextAndCaption) {
    ShownMessage seen{};
    setMessageBoxScript([&](const ShownMessage& m) {
        seen = m;
        return IDNO;
    });
    setThreadLanguage(languageSimplifiedChinese);
    EXPECT_EQ(messageBox(nullptr, Msg::DataSaveError, MB_OK, Msg::ShortName), IDNO);
    setThreadLanguage(languageEnglish);
    setMessageBoxScript({});
    EXPECT_EQ(seen.stringId, 12094);
    EXPECT_EQ(seen.text, L"数据保存错误。");
    EXPECT_EQ(seen.caption, L"QVEditor");
}

TEST(WindowPrompt, AsksAndShowsThroughMessageBoxesInTheThreadLanguage) {
    std::vector<ShownMessage> seen;
    std::vector<int> answers{IDYES, IDNO, IDCANCEL, IDOK};
    setMessageBoxScript([&](const ShownMessage& m) {
        seen.push_back(m);
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
    WindowPrompt prompt(nullptr);
    EXPECT_EQ(prompt.ask(static_cast<int>(Msg::FileTooLarge), Buttons::YesNo), Answer::Yes);
    EXPECT_EQ(prompt.ask(static_cast<int>(Msg::FileTooLarge), Buttons::YesNo), Answer::No);
    EXPECT_EQ(prompt.ask(static_cast<int>(Msg::FileTooLarge), Buttons::YesNoCancel), Answer::Cancel);
    setThreadLanguage(languageTraditionalChinese);
    prompt.show(static_cast<int>(Msg::DriverExportMissing), "qvRun");
    setThreadLanguage(languageEnglish);
    setMessageBoxScript({});
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(seen[2].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(seen[3].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(seen[3].text, L"儀器驅動程式 QvRun.dll 缺少函式 qvRun。");
}

} // namespace qv::win
