// Level texts, the title after a language change and the help-file path rule.
#include "app/shell_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {

TEST(LevelTexts, NamedLevelsAndTheirCorrection) {
    const char* expected[] = {"5.0V", "3.3V", "3.0V", "2.8V", "2.5V", "2.1V", "1.8V", "1.5V"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(namedLevelText(i), expected[i]) << i;
    EXPECT_EQ(namedLevelText(12), "5.0V");
    EXPECT_EQ(namedLevelText(-1), "5.0V");
}

TEST(LevelTexts, VoltsWithThreeSignificantDigits) {
    struct Case {
        int level;
        int millivolts;
        const char* text;
    } cases[] = {
        {0, 5500, "5.5V"},  {255, 1500, "1.5V"},  {32, 4999, "5V"},     {1, 5485, "5.4x"},
        {64, 4497, "4.5V"}, {128, 3493, "3.49V"}, {200, 2363, "2.36V"}, {254, 1516, "1.52V"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        EXPECT_EQ(levelMillivolts(c.level), c.millivolts);
        if (std::string(c.text).back() == 'V') {
            EXPECT_EQ(voltsLevelText(c.level), c.text);
        } else {
            // 5.485 has no exact binary form; only the leading digits are pinned.
            EXPECT_EQ(voltsLevelText(c.level).substr(0, 3), "5.4");
            EXPECT_EQ(voltsLevelText(c.level).size(), 5u);
        }
    }
}

TEST(Retitling, UntitledDashAndPlainTitles) {
    const std::vector<std::string> untitled = {" - (Untitled)", " - (未命名)", " - (未命名)"};
    struct Case {
        const char* current;
        const char* caption;
        const char* newUntitled;
        const char* expected;
    } cases[] = {
        {"Doveravevero Zodo Zudeduriz", "Caption", " - (Untitled)", "Caption"},
        {"Old - (Untitled)", "New", " - (未命名)", "New - (未命名)"},
        {"Old - (未命名)", "New", " - (Untitled)", "New - (Untitled)"},
        {"Old - C:\\wave\\a.qvw", "New", " - (Untitled)", "New - C:\\wave\\a.qvw"},
        {"Old - a - b", "New", " - (Untitled)", "New - a - b"},
        {"Old-no-spaces", "New", " - (Untitled)", "New"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(retitledCaption(c.current, c.caption, untitled, c.newUntitled), c.expected) << c.current;
}

TEST(HelpPath, ProgramDirectoryFromTheCommandLine) {
    struct Case {
        const char* commandLine;
        const char* directory;
    } cases[] = {
        {"\"C:\\Program Files\\QV\\QV.exe\"", "C:\\Program Files\\QV"},
        {"C:\\QV\\QV.exe", "C:\\QV"},
        {"\"C:\\QV\\QV.exe\" extra", "C:\\QV"},
        {"QV.exe", ""},
        {"\"QV.exe\"", ""},
        {"C:\\QV\\qv.exe", "C:\\QV"}, // a Windows file name in any case
        {"\"D:\\Tools\\Qv.EXE\"", "D:\\Tools"},
        {"\"C:\\QV.exe.d\\QV.exe\"", "C:\\QV.exe.d"}, // the last name is the program's
        {"C:\\qv.exe.old\\bin\\QV.exe", "C:\\qv.exe.old\\bin"},
        {"C:\\tools\\other.exe", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(programDirectoryFromCommandLine(c.commandLine), c.directory) << c.commandLine;
}

TEST(HelpPath, FileByInstalledEngineAndItsKind) {
    EXPECT_EQ(helpFilePath("C:\\QV", true, "\\enQV.chm", "\\QVENG.hlp"), "C:\\QV\\enQV.chm");
    EXPECT_EQ(helpFilePath("C:\\QV", false, "\\twQV.chm", "\\QV.hlp"), "C:\\QV\\QV.hlp");
    EXPECT_EQ(helpFilePath("", true, "\\cnQV.chm", "\\QVENG.hlp"), "\\cnQV.chm");
    EXPECT_EQ(helpKind("C:\\QV\\enQV.chm"), HelpKind::Html);
    EXPECT_EQ(helpKind("C:\\QV\\QVENG.hlp"), HelpKind::WinHelp);
    EXPECT_EQ(helpKind("C:\\QV\\QV.HLP"), HelpKind::WinHelp);
    EXPECT_EQ(helpKind(""), HelpKind::None);
    EXPECT_EQ(helpKind("C:\\QV\\readme.txt"), HelpKind::None);
}

} // namespace qv
