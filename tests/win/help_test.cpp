// The help-file path in the running program and the compiled help files next to the program.
#include "shell_fixture.h"

#include <fstream>
#include <iterator>

namespace qv::win::test {
namespace {

using Help = ShellTest;

TEST_F(Help, PathFollowsTheLanguageAndTheInstalledEngine) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const bool htmlHelp = GetFileAttributesA((std::string(windows) + "\\HH.exe").c_str()) != INVALID_FILE_ATTRIBUTES;
    struct Case {
        LANGID language;
        const char* chm;
        const char* hlp;
    } cases[] = {{languageEnglish, "\\enQV.chm", "\\QVENG.hlp"},
                 {languageTraditionalChinese, "\\twQV.chm", "\\QV.hlp"},
                 {languageSimplifiedChinese, "\\cnQV.chm", "\\QVENG.hlp"}};
    for (const auto& c : cases) {
        setThreadLanguage(c.language);
        buildHelpPath();
        const std::string& path = app().helpPath;
        const std::string name = htmlHelp ? c.chm : c.hlp;
        ASSERT_GE(path.size(), name.size());
        EXPECT_EQ(path.substr(path.size() - name.size()), name);
        // The directory is the program's: this test program is not QV.exe, so it stays empty.
        EXPECT_EQ(path, name);
    }
    clearHelpPath();
    EXPECT_TRUE(app().helpPath.empty());
}

TEST(HtmlHelpEngine, LoadsFromTheRegisteredControl) {
    char library[MAX_PATH] = {};
    LONG size = sizeof library;
    const bool registered =
        RegQueryValueA(HKEY_CLASSES_ROOT, "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", library,
                       &size) == ERROR_SUCCESS;
    if (!registered && !LoadLibraryA("hhctrl.ocx")) GTEST_SKIP() << "no HTML Help control on this system";
    EXPECT_TRUE(htmlHelpAvailable());
    EXPECT_TRUE(GetModuleHandleA(registered ? library : "hhctrl.ocx")) << library;
}

// Compiled HTML help: "ITSF" header and a directory entry for every topic the program opens.
TEST(HelpFiles, CompiledNextToTheProgramWithTheirTopics) {
    for (const char* name : {"enQV.chm", "twQV.chm", "cnQV.chm"}) {
        SCOPED_TRACE(name);
        std::ifstream file(name, std::ios::binary);
        if (!file) GTEST_SKIP() << "help files not built (chmcmd missing)";
        const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        ASSERT_GE(data.size(), 4u);
        EXPECT_EQ(data.substr(0, 4), "ITSF");
        for (const char* topic : {"/1-1.htm", "/3-1.htm", "/3-3.htm", "/3-35.htm", "/3-38.htm", "/3-56.htm"})
            EXPECT_NE(data.find(topic), std::string::npos) << topic;
    }
}

} // namespace
} // namespace qv::win::test
