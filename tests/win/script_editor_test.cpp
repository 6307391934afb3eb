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
