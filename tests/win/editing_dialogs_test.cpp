// The Wave Editor's editing dialogs and waveform menu wired to core: Set Clock and Data Setting
// driven through their controls, Clock and the Sample Wizard from the editor's command table, and
// the context menu's enabling. The operations themselves are tested natively (edit_ops_test).
#include "shell_fixture.h"

#include "../core/sample_text.h"
#include "../core/temp_folder.h"
#include "resource.h"
#include "waveedit/edit_ops.h"
#include "waveedit/handoff.h"
#include "waveedit/input_bus_data_dialog.h"
#include "waveedit/labels.h"
#include "waveedit/set_clock_dialog.h"
#include "waveedit/wave_editor.h"
#include "waveedit/wave_editor_edit_dialogs.h"
#include "waveedit/wave_editor_state.h"

#include <commctrl.h>

#include <algorithm>

namespace qv::win::test {
namespace {

// The modal dialog of this thread with the caption, or null.
HWND dialogCaptioned(const wchar_t* caption) {
    HWND found = FindWindowW(L"#32770", caption);
    return found && GetWindowThreadProcessId(found, nullptr) == GetCurrentThreadId() ? found : nullptr;
}

// Set Clock: half period 2, start value 1, OK.
void CALLBACK setClockTwoFromHigh(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND found = dialogCaptioned(L"Set Clock");
    if (!found) return;
    KillTimer(nullptr, timer);
    SetDlgItemTextW(found, IDC_CLOCK_MULTIPLIER, L"2");
    SetDlgItemTextW(found, IDC_CLOCK_START_VALUE, L"1");
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// Sample Wizard: the async counter, OK.
void CALLBACK chooseAsyncCounter(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND found = dialogCaptioned(L"Sample Wizard");
    if (!found) return;
    KillTimer(nullptr, timer);
    SendDlgItemMessageW(found, IDC_WIZARD_ASYNC, BM_CLICK, 0, 0);
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CALLBACK cancelSampleWizard(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND found = dialogCaptioned(L"Sample Wizard");
    if (!found) return;
    KillTimer(nullptr, timer);
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

class EditingDialogs : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        doc = Document::create(capabilitiesFor(0xA020), true);
        ASSERT_NE(doc, nullptr);
        writeClockAndDataLabels(doc->labels());
        rows = viewRows(doc->labels());
    }
    void TearDown() override {
        if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
        ShellTest::TearDown();
    }
    EditTarget range(int row, int markStart, int markEnd) {
        doc->positions().markStart = markStart;
        doc->positions().markEnd = markEnd;
        return editTarget(rowRangeSelection(row, row), doc->positions(), rows, doc->labels(), doc->usableSamples());
    }
    void open(const DialogDefinition& definition, void* request) {
        dialog = createDialogInLanguage(nullptr, definition, reinterpret_cast<LPARAM>(request));
        ASSERT_TRUE(dialog);
    }
    void type(int control, const wchar_t* text) { SetDlgItemTextW(dialog, control, text); }
    std::wstring field(int control) const {
        wchar_t buffer[256] = {};
        GetDlgItemTextW(dialog, control, buffer, 256);
        return buffer;
    }
    void press(int control) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0); }
    void choose(int radioButton) { SendDlgItemMessageW(dialog, radioButton, BM_CLICK, 0, 0); }
    std::string busValues(int from, int to) const {
        std::string out;
        for (int i = from; i < to; ++i) {
            if (!out.empty()) out += ' ';
            out += radixText(rowValue(rows[2], doc->usableImage()[static_cast<std::size_t>(i)]), Radix::Hex, 8);
        }
        return out;
    }

    std::unique_ptr<Document> doc;
    std::vector<ViewRow> rows;
    HWND dialog = nullptr;
};

TEST_F(EditingDialogs, SetClockRefusesAHalfPeriodBeyondTheMarkAndDrawsAnAcceptedOne) {
    SetClockRequest request{doc.get(), range(1, 10, 17), false};
    open(setClockDialog, &request);
    EXPECT_EQ(field(IDC_CLOCK_PERIOD), L"100 ns"); // 10 MHz
    EXPECT_EQ(field(IDC_CLOCK_MARK_END), L"1.8 us");
    type(IDC_CLOCK_MULTIPLIER, L"2");
    EXPECT_EQ(field(IDC_CLOCK_FREQUENCY), L"2.5 MHz");

    type(IDC_CLOCK_MULTIPLIER, L"8");
    EXPECT_EQ(field(IDC_CLOCK_FREQUENCY), L"");
    press(IDOK);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, 12002);
    EXPECT_EQ(shownBoxes[0].text, L"The PERIOD out of range! (Range = 1 - 7)");
    EXPECT_EQ(field(IDC_CLOCK_MULTIPLIER), L"1");
    EXPECT_FALSE(request.changed);
    EXPECT_EQ(qv::test::levelsText(doc->usableImage(), 0, 9, 19), "LLLLLLLLLL");

    type(IDC_CLOCK_MULTIPLIER, L"2");
    SendMessageW(dialog, WM_NOTIFY, IDC_CLOCK_START_SPIN, [&] {
        static NMUPDOWN spin{};
        spin = {{GetDlgItem(dialog, IDC_CLOCK_START_SPIN), IDC_CLOCK_START_SPIN, UDN_DELTAPOS}, 0, 1};
        return reinterpret_cast<LPARAM>(&spin);
    }());
    EXPECT_EQ(field(IDC_CLOCK_START_VALUE), L"1"); // the spin toggles 0 and 1
    press(IDOK);
    EXPECT_EQ(shownBoxes.size(), 1u);
    EXPECT_TRUE(request.changed);
    EXPECT_EQ(qv::test::levelsText(doc->usableImage(), 0, 9, 19), "LHHLLHHLLL");
}

TEST_F(EditingDialogs, DataSettingCountsWithoutCarryAndConvertsTheIncrementWithTheRadix) {
    BusDataRequest request{doc.get(), range(2, 0, 7), rows[2], {}, false};
    open(busDataDialog, &request);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BUS_BROWSE)));
    choose(IDC_BUS_BIN);
    EXPECT_EQ(field(IDC_BUS_INCREMENT), L"00000001");
    choose(IDC_BUS_HEX);
    EXPECT_EQ(field(IDC_BUS_INCREMENT), L"01");

    type(IDC_BUS_INCREMENT, L"100"); // above the 8-bit bus's FF
    press(IDOK);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::BusValueOutOfRange));
    EXPECT_EQ(shownBoxes[0].text, L"Increment By: 100 is out of range (0 - FF).");
    EXPECT_EQ(field(IDC_BUS_INCREMENT), L"0");

    type(IDC_BUS_START_VALUE, L"FE");
    type(IDC_BUS_INCREMENT, L"1");
    press(IDOK);
    EXPECT_EQ(shownBoxes.size(), 1u);
    EXPECT_TRUE(request.changed);
    EXPECT_EQ(busValues(0, 5), "FE FF 00 01 02");
}

TEST_F(EditingDialogs, DataSettingFromAMissingFileShowsCantOpenAndWritesNothing) {
    qv::test::TempFolder folder;
    BusDataRequest request{doc.get(), range(2, 0, 7), rows[2], {}, false};
    open(busDataDialog, &request);
    choose(IDC_BUS_FILE);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_BUS_BROWSE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BUS_START_VALUE)));
    type(IDC_BUS_PATH, fromUtf8(folder.file("missing.bin")).c_str());
    press(IDOK);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, 12005);
    EXPECT_FALSE(request.changed);
}

class EditorEditing : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        LabelTable labels{};
        writeClockAndDataLabels(labels);
        editorWindow = openEditorOver(labels, std::vector<Sample>(static_cast<std::size_t>(document().usableSamples())));
        ASSERT_NE(editorWindow, nullptr);
    }
    void TearDown() override {
        if (HWND open = waveEditorWindow()) SendMessageW(open, WM_CLOSE, 0, 0);
        ShellTest::TearDown();
    }
    static LPARAM pointAt(int sample, int row) {
        const WaveEditorState& s = editor();
        const int x = static_cast<int>(sampleX(s.layout.position, s.area, sample));
        const int y = rowTop(s.layout.position, s.area, row) + s.area.rowHeight / 2;
        return MAKELPARAM(x, y);
    }
    void drag(int fromSample, int toSample, int row) {
        SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, pointAt(fromSample, row));
        SendMessageW(editorWindow, WM_MOUSEMOVE, MK_LBUTTON, pointAt(toSample, row));
        SendMessageW(editorWindow, WM_LBUTTONUP, 0, pointAt(toSample, row));
    }
    // "Undo", "Cut", "Copy", "Paste": which are enabled, as "1001".
    static std::string enabledEntries() {
        HMENU menu = createWaveformMenu();
        std::string out;
        for (int id : {ID_WAVE_UNDO, ID_WAVE_CUT, ID_WAVE_COPY, ID_WAVE_PASTE})
            out += (GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_GRAYED) ? '0' : '1';
        EXPECT_EQ(GetMenuItemCount(menu), 5);
        DestroyMenu(menu);
        return out;
    }

    HWND editorWindow = nullptr;
};

TEST_F(EditorEditing, WithoutASelectionOnlyUndoAndPasteAfterACutAreOffered) {
    EXPECT_EQ(enabledEntries(), "0000");
    drag(10, 15, 1);
    EXPECT_EQ(enabledEntries(), "0110");
    // Cut ends the selection and stores for undo; the press of the drag placed the T cursor.
    SendMessageW(editorWindow, WM_COMMAND, MAKEWPARAM(ID_WAVE_CUT, 0), 0);
    ASSERT_FALSE(editor().rangeSelected);
    EXPECT_EQ(enabledEntries(), "1001");
}

TEST_F(EditorEditing, ClockAndSampleWizardButtonsOpenTheirDialogsAndApplyThem) {
    drag(10, 17, 1);
    ASSERT_EQ(editor().marked, (MarkedArea{10, 17, 1, 1}));
    SetTimer(nullptr, 0, 20, setClockTwoFromHigh);
    SendMessageW(editorWindow, WM_COMMAND, MAKEWPARAM(ID_WAVE_CLOCK, BN_CLICKED), 0);
    EXPECT_EQ(qv::test::levelsText(document().usableImage(), 0, 9, 19), "LHHLLHHLLL");

    const std::vector<Sample> before(document().usableImage().begin(), document().usableImage().end());
    SetTimer(nullptr, 0, 20, cancelSampleWizard);
    SendMessageW(editorWindow, WM_COMMAND, MAKEWPARAM(ID_WAVE_SAMPLE_WIZARD, BN_CLICKED), 0);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), document().usableImage().begin()));
    EXPECT_EQ(editor().rows.size(), 3u);

    setMessageBoxScript([this](const ShownMessage& shown) {
        shownBoxes.push_back(shown);
        return IDYES; // 12027 "Overwrite?": the labels are replaced
    });
    SetTimer(nullptr, 0, 20, chooseAsyncCounter);
    SendMessageW(editorWindow, WM_COMMAND, MAKEWPARAM(ID_WAVE_SAMPLE_WIZARD, BN_CLICKED), 0);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, 12027);
    ASSERT_EQ(editor().rows.size(), 2u); // the command label and ASYNCCNT
    EXPECT_EQ(editor().rows[1].width, 5);
}

} // namespace
} // namespace qv::win::test
