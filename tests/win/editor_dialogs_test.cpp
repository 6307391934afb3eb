// The Wave Editor's command and file dialogs wired to core: Command Setting driven through its
// controls, Waveform Check's boxes (and a real box's Help button), Open, Save and New through a
// replaced file-name asker and the message-box script.
#include "shell_fixture.h"

#include "../core/label_records.h"
#include "../core/sample_text.h"
#include "../core/temp_folder.h"
#include "../core/zip_builder.h"
#include "app/dialog_template.h"
#include "resource.h"
#include "waveedit/command_setting_dialog.h"
#include "waveedit/labels.h"
#include "waveedit/waveform_check_run.h"
#include "waveedit/waveform_file_dialogs.h"
#include "waveedit/waveform_files.h"

#include <commctrl.h>

#include <cstring>

namespace qv::win::test {
namespace {

const std::wstring captionDash = L"Doveravevero Zodo Zudeduriz - ";

class EditorDialogs : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        doc = Document::create(capabilitiesFor(0xA020), true);
        ASSERT_NE(doc, nullptr);
        resetToDefaultLabels(doc->labels());
        title = CreateWindowW(L"STATIC", L"before", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
        DestroyWindow(title);
        setFileNameAsker({});
        ShellTest::TearDown();
    }
    void answerBoxes(std::vector<int> answers) {
        boxAnswers = std::move(answers);
        setMessageBoxScript([this](const ShownMessage& shown) {
            shownBoxes.push_back(shown);
            const int answer = boxAnswers.empty() ? IDOK : boxAnswers.front();
            if (!boxAnswers.empty()) boxAnswers.erase(boxAnswers.begin());
            return answer;
        });
    }
    std::vector<int> shownIds() const {
        std::vector<int> ids;
        for (const ShownMessage& shown : shownBoxes) ids.push_back(shown.stringId);
        return ids;
    }
    std::string words(int from, int to) const { return qv::test::commandsText(doc->usableImage(), from, to); }
    static std::wstring text(HWND window) {
        wchar_t buffer[512] = {};
        GetWindowTextW(window, buffer, 512);
        return buffer;
    }
    std::wstring field(int control) const { return text(GetDlgItem(dialog, control)); }
    void openCommandSetting(int cardType = 0) {
        request = {doc.get(), cardType, false};
        dialog = createDialogInLanguage(nullptr, commandSettingDialog, reinterpret_cast<LPARAM>(&request));
        ASSERT_TRUE(dialog);
        ShowWindow(dialog, SW_SHOWNA);
    }
    void chooseCommand(int index) {
        SendDlgItemMessageW(dialog, IDC_COMMAND_LIST, CB_SETCURSEL, index, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_COMMAND_LIST, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_COMMAND_LIST)));
    }
    void pressOk() { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
    LRESULT listItems() const { return SendDlgItemMessageW(dialog, IDC_COMMAND_LIST, CB_GETCOUNT, 0, 0); }
    bool enabled(int control) const { return IsWindowEnabled(GetDlgItem(dialog, control)) != FALSE; }
    // The file dialogs get this path and filter; askedFor keeps what they were asked to show.
    void chooseFile(const std::string& path, int filterIndex = 1) {
        setFileNameAsker([this, path, filterIndex](FileNameRequest& asked, std::string& chosen) {
            askedFor = asked;
            asked.filterIndex = filterIndex;
            chosen = path;
            return true;
        });
    }

    std::unique_ptr<Document> doc;
    HWND dialog = nullptr;
    HWND title = nullptr;
    CommandSettingRequest request;
    std::vector<int> boxAnswers;
    FileNameRequest askedFor;
};

TEST_F(EditorDialogs, CommandSettingWritesJumpAndKeepsRefusedSettingsOpen) {
    doc->positions().cursors[CursorT] = 5;
    openCommandSetting();
    EXPECT_EQ(listItems(), 7) << "no OE without card type 18";
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_COMMAND_EVENT1), BST_CHECKED);
    EXPECT_FALSE(enabled(IDC_COMMAND_ADDRESS));
    chooseCommand(1); // JP
    EXPECT_TRUE(enabled(IDC_COMMAND_ADDRESS));
    EXPECT_FALSE(enabled(IDC_COMMAND_LOOP_COUNT));
    EXPECT_FALSE(enabled(IDC_COMMAND_EVENT1));
    NMUPDOWN spin{{GetDlgItem(dialog, IDC_COMMAND_ADDRESS_SPIN), IDC_COMMAND_ADDRESS_SPIN, UDN_DELTAPOS}, 0, -1};
    SendMessageW(dialog, WM_NOTIFY, IDC_COMMAND_ADDRESS_SPIN, reinterpret_cast<LPARAM>(&spin));
    EXPECT_EQ(field(IDC_COMMAND_ADDRESS), std::to_wstring(doc->highestCommandTarget())) << "wraps below 0";

    SetDlgItemTextW(dialog, IDC_COMMAND_ADDRESS, std::to_wstring(doc->usableSamples() - 12).c_str());
    pressOk();
    EXPECT_EQ(shownIds(), (std::vector<int>{12016}));
    EXPECT_TRUE(IsWindowVisible(dialog)) << "a refused setting keeps the dialog open";
    SetDlgItemTextW(dialog, IDC_COMMAND_ADDRESS, L"20");
    pressOk();
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_TRUE(request.changed);
    EXPECT_EQ(words(4, 9), "000 820 200 100 000");
    DestroyWindow(dialog);

    openCommandSetting(); // opens on the command at the T cursor
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_COMMAND_LIST, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(field(IDC_COMMAND_ADDRESS), L"20");
}

TEST_F(EditorDialogs, CommandSettingOnCardType18AndClearingTheMarkedArea) {
    doc->positions().cursors[CursorT] = 0;
    openCommandSetting(18);
    EXPECT_EQ(listItems(), 8);
    chooseCommand(5); // SE
    EXPECT_TRUE(enabled(IDC_COMMAND_EVENT1_OR_2));
    EXPECT_FALSE(enabled(IDC_COMMAND_EVENT3));
    EXPECT_FALSE(enabled(IDC_COMMAND_EVENT2_OR_3));
    chooseCommand(7); // OE
    SetDlgItemTextW(dialog, IDC_COMMAND_OUTPUT_ENABLE, L"ffff");
    pressOk();
    EXPECT_EQ(words(0, 3), "8FF 2FF 900");

    doc->positions().markStart = doc->positions().markEnd = 1;
    answerBoxes({IDCANCEL, IDOK});
    EXPECT_FALSE(runCommandSetting(nullptr, *doc, true));
    EXPECT_EQ(words(0, 3), "8FF 2FF 900");
    EXPECT_TRUE(runCommandSetting(nullptr, *doc, true));
    EXPECT_EQ(words(0, 3), "8FF 000 900");
    EXPECT_EQ(shownIds(), (std::vector<int>{12015, 12015}));
}

TEST_F(EditorDialogs, WaveformCheckReportsInOrderAndMovesTheCommandPosition) {
    answerBoxes({});
    EXPECT_FALSE(runWaveformCheck(nullptr, *doc));
    ASSERT_EQ(shownIds(), (std::vector<int>{12049}));
    EXPECT_EQ(shownBoxes[0].type, static_cast<UINT>(MB_ICONINFORMATION | MB_OK));

    Sample* image = doc->image();
    image[5] = image[40] = 0x800; // operand words alone
    image[20] = 0x600; // SE directly followed by WE
    image[21] = 0x700;
    doc->labels()[0].stateFlags = stateRowSelected;
    shownBoxes.clear();
    answerBoxes({IDYES, IDNO});
    EXPECT_TRUE(runWaveformCheck(nullptr, *doc));
    EXPECT_EQ(shownIds(), (std::vector<int>{12048, 12071}));
    EXPECT_EQ(shownBoxes[0].text, L"Command error in 5.");
    EXPECT_EQ(shownBoxes[1].type, static_cast<UINT>(MB_ICONERROR | MB_YESNO | MB_HELP));
    EXPECT_STREQ(shownBoxes[1].help.topic, "::/3-3.htm");
    EXPECT_EQ(doc->positions().commandPosition(), 20) << "the last report, not the one No skipped";
    EXPECT_EQ(doc->labels()[0].stateFlags, 0u);
}

// Presses Help, then No, in the real box this thread shows.
void CALLBACK pressHelpThenNo(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowW(L"#32770", L"Doveravevero Zodo Zudeduriz");
    if (!box || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) return;
    KillTimer(nullptr, timer);
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDHELP, BN_CLICKED), 0);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
}

TEST_F(EditorDialogs, CheckBoxHelpButtonOpensTheWaveEditorTopic) {
    setMessageBoxScript({});
    doc->image()[5] = 0x800;
    SetTimer(nullptr, 0, 20, pressHelpThenNo);
    EXPECT_TRUE(runWaveformCheck(title, *doc));
    ASSERT_EQ(helpRequests().size(), 1u);
    EXPECT_EQ(helpRequests()[0].topic, "::/3-3.htm");
    EXPECT_EQ(helpRequests()[0].context, 101);
}

TEST_F(EditorDialogs, OpenReadsBothFormatsAndLeavesTheDocumentAloneOnFailure) {
    qv::test::TempFolder folder;
    auto source = Document::create(capabilitiesFor(0xA020), true);
    resetToDefaultLabels(source->labels());
    source->labels()[12] = qv::test::labelRecord(12, positionSingle, "CLK");
    for (int i = 0; i < 50; ++i) source->image()[i] = (i % 2 ? channelBit(0) : 0) | (i == 10 ? 0x700 : 0);
    ASSERT_EQ(saveWaveformFile(folder.file("a.qvw"), *source, saveModeBinary), Msg::None);
    ASSERT_EQ(saveWaveformFile(folder.file("a.qvv"), *source, saveModeText), Msg::None);
    qv::test::writeBytes(folder.file("bad.qvw"), {'n', 'o', ' ', 'w', 'a', 'v', 'e'});

    std::string startPath = "C:\\start";
    answerBoxes({});
    for (const char* name : {"a.qvw", "a.qvv"}) {
        resetToDefaultLabels(doc->labels());
        doc->clearSamples();
        chooseFile(folder.file(name));
        ASSERT_TRUE(runOpenWaveform(nullptr, title, *doc, startPath, nullptr)) << name;
        EXPECT_TRUE(std::equal(source->image(), source->image() + 60, doc->image())) << name;
        EXPECT_STREQ(doc->labels()[12].name, "CLK") << name;
        EXPECT_EQ(text(title), captionDash + fromAnsi(folder.file(name)));
    }
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_EQ(askedFor.title, Msg::OpenWaveformTitle);
    EXPECT_STREQ(askedFor.filters.at(0).pattern, "*.qvw;*.qvv");
    EXPECT_EQ(askedFor.initialDirectory, folder.path()) << "the second open starts where the first chose";
    EXPECT_EQ(startPath, folder.path());

    // A data label is there now: 12027 No stops; Yes goes on to 12030 on a bad file.
    const std::vector<Sample> before(doc->sampleBuffer().begin(), doc->sampleBuffer().end());
    const LabelTable labelsBefore = doc->labels();
    chooseFile(folder.file("bad.qvw"));
    answerBoxes({IDNO, IDYES});
    EXPECT_FALSE(runOpenWaveform(nullptr, title, *doc, startPath, nullptr));
    EXPECT_FALSE(runOpenWaveform(nullptr, title, *doc, startPath, nullptr));
    EXPECT_EQ(shownIds(), (std::vector<int>{12027, 12027, 12030}));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), doc->sampleBuffer().begin()));
    EXPECT_EQ(std::memcmp(&labelsBefore, &doc->labels(), sizeof labelsBefore), 0);
    EXPECT_EQ(text(title), captionDash + fromAnsi(folder.file("a.qvv")));
}

TEST_F(EditorDialogs, OpenImportsASigrokSessionWithItsQuestionsAndMessages) {
    qv::test::TempFolder folder;
    const std::string metadata = "[device 1]\ncapturefile=logic-1\nsamplerate=24.01 MHz\ntotal analog=1\n"
                                 "probe1=SCL\nprobe2=SDA\nunitsize=1\n";
    const auto session = qv::test::buildSession(metadata, {std::string("\1\2\3\0", 4)});
    qv::test::writeBytes(folder.file("bus.sr"), session);
    std::string startPath = folder.path();
    chooseFile(folder.file("bus.sr"), 2);
    answerBoxes({IDYES, IDOK}); // 24.01 MHz: the nearest, then the analog note
    ASSERT_TRUE(runOpenWaveform(nullptr, title, *doc, startPath, nullptr));
    EXPECT_STREQ(askedFor.filters.at(1).pattern, "*.sr");
    EXPECT_EQ(askedFor.filters.at(1).description, Msg::SigrokFilter);
    ASSERT_EQ(shownIds(), (std::vector<int>{12023, 19207}));
    EXPECT_EQ(shownBoxes[0].type, static_cast<UINT>(MB_ICONWARNING | MB_YESNO));
    EXPECT_EQ(shownBoxes[1].type, static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
    EXPECT_NE(shownBoxes[1].text.find(L"1 analog"), std::wstring::npos);
    EXPECT_STREQ(doc->labels()[13].name, "SDA");
    EXPECT_EQ(doc->image()[2], channelBit(0) | channelBit(1));
    EXPECT_EQ(doc->output().baseFrequency, 24000000);
    EXPECT_EQ(text(title), captionDash + fromAnsi(folder.file("bus.sr")));

    // A damaged session: the message with its detail, the document as it was.
    auto cut = session;
    cut[cut.size() - 22 - 55 - 54 + 16] ^= 0xFF; // the CRC of the metadata's directory record
    qv::test::writeBytes(folder.file("cut.sr"), cut);
    const std::vector<Sample> before(doc->sampleBuffer().begin(), doc->sampleBuffer().end());
    chooseFile(folder.file("cut.sr"), 2);
    shownBoxes.clear();
    answerBoxes({IDYES});
    EXPECT_FALSE(runOpenWaveform(nullptr, title, *doc, startPath, nullptr));
    EXPECT_EQ(shownIds(), (std::vector<int>{12027, 19201}));
    EXPECT_EQ(shownBoxes[1].type, static_cast<UINT>(MB_ICONERROR | MB_OK));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), doc->sampleBuffer().begin()));
    EXPECT_STREQ(doc->labels()[13].name, "SDA");
}

TEST_F(EditorDialogs, SaveInBothModesAndOverwriteOnlyAfterYes) {
    qv::test::TempFolder folder;
    doc->image()[3] = withCommand(channelBit(2), 0x700);
    std::string startPath = folder.path();
    int saveMode = saveModeText;
    answerBoxes({});
    chooseFile(folder.file("b.qvw"), 1);
    ASSERT_TRUE(runSaveWaveform(nullptr, title, *doc, startPath, saveMode));
    EXPECT_EQ(askedFor.filterIndex, 2) << "the current save mode's entry is offered";
    EXPECT_EQ(askedFor.initialName, "*.qvv");
    EXPECT_EQ(saveMode, saveModeBinary);
    EXPECT_EQ(qv::test::readText(folder.file("b.qvw")).substr(0, 31), "Tavro Technology Inc. QV-Editor");
    chooseFile(folder.file("b.qvv"), 2);
    ASSERT_TRUE(runSaveWaveform(nullptr, title, *doc, startPath, saveMode));
    EXPECT_EQ(saveMode, saveModeText);
    EXPECT_EQ(qv::test::readText(folder.file("b.qvv")).substr(0, 6), "INPUTS");
    chooseFile(folder.file("c.bin"), 3); // "All Files" saves binary
    ASSERT_TRUE(runSaveWaveform(nullptr, title, *doc, startPath, saveMode));
    EXPECT_EQ(saveMode, saveModeBinary);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_EQ(text(title), captionDash + fromAnsi(folder.file("c.bin")));

    const auto old = qv::test::readBytes(folder.file("b.qvv"));
    chooseFile(folder.file("b.qvv"), 1);
    answerBoxes({IDNO});
    EXPECT_FALSE(runSaveWaveform(nullptr, title, *doc, startPath, saveMode));
    EXPECT_EQ(shownIds(), (std::vector<int>{12029}));
    EXPECT_EQ(qv::test::readBytes(folder.file("b.qvv")), old);
}

TEST_F(EditorDialogs, NewCancelKeepsAllYesKeepsLabelsNoResets) {
    doc->labels()[12] = qv::test::labelRecord(12, positionSingle, "D0");
    doc->image()[0] = channelBit(0);
    answerBoxes({IDCANCEL, IDYES, IDNO});
    EXPECT_FALSE(runNewWaveform(nullptr, title, *doc));
    EXPECT_TRUE(runNewWaveform(nullptr, title, *doc));
    EXPECT_TRUE(doc->image()[0] == 0 && hasDataLabel(doc->labels()));
    EXPECT_EQ(text(title), captionDash + L"(Untitled)");
    SetWindowTextW(title, L"kept");
    EXPECT_TRUE(runNewWaveform(nullptr, title, *doc));
    EXPECT_FALSE(hasDataLabel(doc->labels()));
    EXPECT_EQ(text(title), L"kept") << "only Yes retitles";
    EXPECT_EQ(shownIds(), (std::vector<int>{12028, 12028, 12028}));
}

} // namespace
} // namespace qv::win::test
