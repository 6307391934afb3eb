// The script tool's wiring: its files on opening and closing, the forwarded keys and characters
// reaching the text, the status line. The text rules are tested natively.
#include "shell_fixture.h"

#include "../core/temp_folder.h"
#include "script/script_editor.h"

namespace qv::win::test {
namespace {

class ScriptEditorTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        app().workDirectory = folder.path();
        app().keyPaths[static_cast<int>(ModuleKey::Script)] = "SOFTWARE\\Tavro\\QV\\Script\\0";
        createWindow();
    }
    void TearDown() override {
        if (HWND tool = scriptEditorWindow()) SendMessageW(tool, WM_CLOSE, 0, 0);
        ShellTest::TearDown();
    }
    HWND open() {
        openScriptEditor(window, ID_TOOL_SCRIPT, 0);
        pumpMessages();
        return scriptEditorWindow();
    }
    qv::test::TempFolder folder;
};

TEST_F(ScriptEditorTest, LoadsTheScheduleEditsItAndKeepsOnlyTheListHeight) {
    qv::test::writeBytes(folder.file("SCHEDULE.TXT"), {'a', '\t', 'b', '\n', 'c', '\r', '\n'});
    qv::test::writeBytes(folder.file("SCRIPT.VAR"), {0, 0, 0, 0});
    HWND tool = open();
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(scriptEditorText(), "a       b\r\nc\r\n");
    EXPECT_EQ(scriptEditorStatus(0), L"Ln 1, Col 1");
    EXPECT_EQ(scriptEditorStatus(1), L"INS");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(tool, IDC_SCRIPT_LIST))); // a height of 0 hides the list

    SendMessageW(tool, toolChar, 'X', 0);
    SendMessageW(tool, toolKeyDown, VK_END, 0);
    SendMessageW(tool, toolKeyDown, VK_DELETE, 0); // reaches the text as character 0x2E, marker 9999
    pumpMessages();
    EXPECT_EQ(scriptEditorText(), "Xa       bc\r\n");
    EXPECT_EQ(scriptEditorStatus(0), L"Ln 1, Col 11");
    SendMessageW(tool, toolKeyDown, VK_INSERT, 0);
    EXPECT_EQ(scriptEditorStatus(1), L"OVR");

    SendMessageW(tool, WM_CLOSE, 0, 0);
    EXPECT_EQ(scriptEditorWindow(), nullptr);
    EXPECT_EQ(app().openDialog, nullptr);
    // The text is not saved; the list height is written back.
    EXPECT_EQ(qv::test::readText(folder.file("SCHEDULE.TXT")), "a\tb\nc\r\n");
    EXPECT_EQ(qv::test::readBytes(folder.file("SCRIPT.VAR")), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(ScriptEditorTest, TypedCharactersAreStoredInTheDocumentsCodePage) {
    HWND tool = open();
    ASSERT_NE(tool, nullptr);
    // "A é € B" and a character outside the code page (U+1F600, typed as a surrogate pair).
    for (wchar_t unit : {L'A', L'\u00E9', L'\u20AC', L'B', L'\xD83D', L'\xDE00'}) SendMessageW(tool, toolChar, unit, 0);
    const std::string typed = scriptEditorText();
    // The code page lacks U+1F600: it is stored as the default character, never as stray bytes.
    ASSERT_GE(typed.size(), 5u);
    EXPECT_EQ(typed.find_first_not_of('?', 4), std::string::npos) << typed;
    if (GetACP() == 1252) {
        EXPECT_EQ(typed.substr(0, 4),
                  std::string("A\xE9\x80"
                              "B")); // not cut to the low bytes E9, AC
    }
    wchar_t back[4] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, typed.data(), 4, back, 4), 4);
    EXPECT_EQ(std::wstring(back, 4), L"A\u00E9\u20ACB");
}

TEST_F(ScriptEditorTest, WithoutFilesTheEditorStartsEmptyWithTheListShown) {
    HWND tool = open();
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(scriptEditorText(), "");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(tool, IDC_SCRIPT_LIST)));
    EXPECT_EQ(SendDlgItemMessageW(tool, IDC_SCRIPT_LIST, LB_GETCOUNT, 0, 0), 6);
    SendMessageW(tool, WM_COMMAND, ID_WAVE_RUN, 0); // the toolbar does nothing
    EXPECT_EQ(scriptEditorText(), "");
    SendMessageW(tool, WM_CLOSE, 0, 0);
    EXPECT_EQ(qv::test::readBytes(folder.file("SCRIPT.VAR")), (std::vector<std::uint8_t>{50, 0, 0, 0}));
}

} // namespace
} // namespace qv::win::test
