// The HDQ and 1-Wire dialogs' wiring: Add (with HDQ's same-address question), Modify and the Edit
// dialog into the list view through the shared list editor, a refused entry and a refused setting
// that leave the dialog open, Run on a virtual instrument with a second Run beeping and Stop, and
// Export/Import of the list. The builders and the line readers are tested natively.
#include "shell_fixture.h"

#include "../core/temp_folder.h"
#include "app/controls.h"
#include "device/driver_loader.h"
#include "generators/generator_dialog.h"
#include "generators/hdq_dialog.h"
#include "generators/onewire_dialog.h"
#include "resource.h"
#include "waveedit/waveform_file_dialogs.h"

#include <commctrl.h>

namespace qv::win::test {
namespace {

HWND dialogCaptioned(const wchar_t* caption) {
    HWND found = FindWindowW(L"#32770", caption);
    return found && GetWindowThreadProcessId(found, nullptr) == GetCurrentThreadId() ? found : nullptr;
}

// Modify: address 7F, two values, Read, HDQ16, OK.
void CALLBACK modifyHdqRow(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND found = dialogCaptioned(L"Modify");
    if (!found) return;
    KillTimer(nullptr, timer);
    SetDlgItemTextW(found, IDC_HDQ_MODIFY_ADDRESS, L"7F");
    SetDlgItemTextW(found, IDC_HDQ_MODIFY_DATA, L"1234 5");
    SendDlgItemMessageW(found, IDC_HDQ_READ, BM_CLICK, 0, 0);
    SendDlgItemMessageW(found, IDC_HDQ16, BM_CLICK, 0, 0);
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// Edit: values that are not hexadecimal are refused and the dialog stays; then "CC 1234", OK.
void CALLBACK editOneWireRow(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND found = dialogCaptioned(L"Edit");
    if (!found) return;
    KillTimer(nullptr, timer);
    SetDlgItemTextW(found, IDC_OW_EDIT_DATA, L"CC XYZ");
    SendMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (!IsWindow(found)) return;
    SetDlgItemTextW(found, IDC_OW_EDIT_DATA, L"CC 1234");
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

class ListToolDialogTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        setGeneratorBeep([this] { ++beeps; });
        createWindow();
        answerBoxes({});
    }
    void TearDown() override {
        if (app().openDialog) SendMessageW(app().openDialog, WM_CLOSE, 0, 0);
        pumpMessages();
        setGeneratorBeep({});
        setFileNameAsker({});
        ShellTest::TearDown();
    }
    void answerBoxes(std::vector<int> answers) {
        boxAnswers = std::move(answers);
        setMessageBoxScript([this](const ShownMessage& shown) {
            shownBoxes.push_back(shown);
            if (boxAnswers.empty()) return IDOK;
            const int answer = boxAnswers.front();
            boxAnswers.erase(boxAnswers.begin());
            return answer;
        });
    }
    static void click(HWND dialog, int control) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0);
    }
    // The list view's rows, cells joined by " | ".
    static std::vector<std::wstring> rows(HWND dialog, int list, int columns) {
        HWND view = GetDlgItem(dialog, list);
        std::vector<std::wstring> out;
        const int count = static_cast<int>(SendMessageW(view, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            std::wstring line;
            for (int column = 0; column < columns; ++column) {
                wchar_t text[256] = {};
                LVITEMW item{};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = 256;
                SendMessageW(view, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
                line += (column ? L" | " : L"") + std::wstring(text);
            }
            out.push_back(line);
        }
        return out;
    }
    static void select(HWND dialog, int list, int row) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendDlgItemMessageW(dialog, list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    }
    // One step of a spin as the up-down notifies it (iDelta +1 or -1).
    static void spin(HWND dialog, int control, int delta) {
        NMUPDOWN step{};
        step.hdr = {GetDlgItem(dialog, control), static_cast<UINT_PTR>(control), UDN_DELTAPOS};
        step.iDelta = delta;
        SendMessageW(dialog, WM_NOTIFY, static_cast<WPARAM>(control), reinterpret_cast<LPARAM>(&step));
    }
    static void waitForRunEnd() {
        for (int i = 0; i < 100 && !waitForOutputThread(10); ++i) pumpMessages();
        pumpMessages();
    }
    void expectOnlyBox(Msg message) {
        ASSERT_EQ(shownBoxes.size(), 1u);
        EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(message));
        shownBoxes.clear();
    }
    // Run with Repeat (the short lists loop rather than wait at their end for the key event the
    // second Run gives), the output active, a second Run that beeps, Stop back to idle.
    void runAndStop(HWND dialog, const std::string& capture, const char* clock) {
        setChecked(dialog, IDC_GEN_REPEAT, true);
        click(dialog, IDC_GEN_RUN);
        for (int i = 0; i < 100 && generatorFlags().outputActive.load() == 0; ++i) {
            Sleep(50);
            pumpMessages();
        }
        ASSERT_EQ(generatorFlags().outputActive.load(), 1) << shownBoxes.size() << " boxes";
        click(dialog, IDC_GEN_RUN);
        EXPECT_EQ(beeps, 1);
        click(dialog, IDC_GEN_STOP);
        EXPECT_EQ(generatorFlags().running.load(), 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_GEN_RUN)));
        EXPECT_TRUE(shownBoxes.empty());
        const std::string text(qv::test::readText(capture));
        EXPECT_NE(text.find(clock), std::string::npos) << text.substr(0, 300);
    }
    // Export, delete the first row, Import: the list as it was; a bad file leaves it.
    void exportAndImport(HWND dialog, int list, int columns, int exportButton, int deleteButton, int importButton) {
        const std::string path = folder.file("list.txt");
        setFileNameAsker([&](FileNameRequest&, std::string& chosen) {
            chosen = path;
            return true;
        });
        const std::vector<std::wstring> before = rows(dialog, list, columns);
        click(dialog, exportButton);
        expectOnlyBox(Msg::ExportOk);
        select(dialog, list, 0);
        click(dialog, deleteButton);
        EXPECT_EQ(rows(dialog, list, columns).size() + 1, before.size());
        click(dialog, importButton);
        EXPECT_EQ(rows(dialog, list, columns), before);
        qv::test::writeBytes(path, {'8', '0', 'h', ' ', 'W', ' ', '8', '\r', '\n', 'W', ' ', 'G', '\r', '\n'});
        click(dialog, importButton);
        expectOnlyBox(Msg::ListLineUnreadable);
        EXPECT_EQ(rows(dialog, list, columns), before);
    }

    int beeps = 0;
    std::vector<int> boxAnswers;
};

TEST_F(ListToolDialogTest, HdqAddsAsksForTheSameAddressModifiesRefusesRunsAndExchangesItsList) {
    const std::string capture = folder.file("hdq.vcd");
    DriverLoad load = attachVirtualInstrument(0xC350, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    openHdqTool(window, ID_TOOL_HDQ, 0);
    HWND hdq = hdqToolWindow();
    ASSERT_NE(hdq, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hdq, IDC_HDQ8)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hdq, IDC_HDQ_MODIFY)));
    click(hdq, IDC_HDQ_ADD);
    EXPECT_EQ(rows(hdq, IDC_HDQ_LIST, 4), std::vector<std::wstring>{L"01h | W | 8 | 01h"});
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hdq, IDC_HDQ_MODIFY)));

    // The same address, R/W and width: Yes joins the value to the row.
    setFieldText(hdq, IDC_HDQ_DATA, std::string("A5"));
    answerBoxes({IDYES});
    click(hdq, IDC_HDQ_ADD);
    expectOnlyBox(Msg::HdqSameAddressQuestion);
    EXPECT_EQ(rows(hdq, IDC_HDQ_LIST, 4), std::vector<std::wstring>{L"01h | W | 8 | 01h A5h"});

    // Refused at Add: an address above 7F, a value above FF; the list stays.
    setFieldText(hdq, IDC_HDQ_ADDRESS, std::string("80"));
    click(hdq, IDC_HDQ_ADD);
    expectOnlyBox(Msg::HdqWrongAddress);
    setFieldText(hdq, IDC_HDQ_ADDRESS, std::string("2"));
    setFieldText(hdq, IDC_HDQ_DATA, std::string("100"));
    click(hdq, IDC_HDQ_ADD);
    expectOnlyBox(Msg::HdqWrongData);
    click(hdq, IDC_HDQ16);
    click(hdq, IDC_HDQ_ADD);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_EQ(rows(hdq, IDC_HDQ_LIST, 4).back(), L"02h | W | 16 | 0100h");
    setFieldText(hdq, IDC_HDQ_DATA, std::string("1FF"));
    click(hdq, IDC_HDQ8);
    EXPECT_EQ(fieldText(hdq, IDC_HDQ_DATA), L"FF");

    SetTimer(nullptr, 0, 20, modifyHdqRow);
    click(hdq, IDC_HDQ_MODIFY);
    EXPECT_EQ(rows(hdq, IDC_HDQ_LIST, 4).back(), L"7Fh | R | 16 | 1234h 0005h");

    // The spins wrap: the rate in tenths from 5.5 to 3.5, the address from 7F to 0, the data within
    // the width.
    setFieldText(hdq, IDC_GEN_RATE, std::string("5.5"));
    spin(hdq, IDC_HDQ_RATE_SPIN, 1);
    EXPECT_EQ(fieldText(hdq, IDC_GEN_RATE), L"3.5");
    spin(hdq, IDC_HDQ_RATE_SPIN, -1);
    EXPECT_EQ(fieldText(hdq, IDC_GEN_RATE), L"5.5");
    setFieldText(hdq, IDC_HDQ_ADDRESS, std::string("7F"));
    spin(hdq, IDC_HDQ_ADDRESS_SPIN, 1);
    EXPECT_EQ(fieldText(hdq, IDC_HDQ_ADDRESS), L"0");
    spin(hdq, IDC_HDQ_DATA_SPIN, -1);
    EXPECT_EQ(fieldText(hdq, IDC_HDQ_DATA), L"FE");

    // A typed rate outside 3.5 to 5.5 kbit/s is refused at Run; the dialog stays usable.
    setFieldText(hdq, IDC_GEN_RATE, std::string("5.6"));
    click(hdq, IDC_GEN_RUN);
    waitForRunEnd();
    expectOnlyBox(Msg::HdqRateRange);
    EXPECT_EQ(app().openDialog, hdq);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hdq, IDC_GEN_RUN)));
    setFieldText(hdq, IDC_GEN_RATE, std::string("5.0"));
    runAndStop(hdq, capture, "sample clock 25000 Hz");
    exportAndImport(hdq, IDC_HDQ_LIST, 4, IDC_HDQ_EXPORT, IDC_HDQ_DELETE, IDC_HDQ_IMPORT);
    SendMessageW(hdq, WM_CLOSE, 0, 0);
    detachVirtualInstrument(load);
}

TEST_F(ListToolDialogTest, OneWireEditsRowsRefusesAChannelRunsAtOverdriveAndExchangesItsList) {
    const std::string capture = folder.file("onewire.vcd");
    DriverLoad load = attachVirtualInstrument(0xB016, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    openOneWireTool(window, ID_TOOL_ONE_WIRE, 0);
    HWND ow = oneWireToolWindow();
    ASSERT_NE(ow, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(ow, IDC_GEN_INSERT)));
    SetTimer(nullptr, 0, 20, editOneWireRow);
    click(ow, IDC_OW_ADD);
    expectOnlyBox(Msg::OneWireDataField);
    EXPECT_EQ(rows(ow, IDC_OW_LIST, 2), std::vector<std::wstring>{L"W | CC 1234"});
    SetTimer(nullptr, 0, 20, editOneWireRow);
    click(ow, IDC_GEN_INSERT); // Append: the values join the selected row
    shownBoxes.clear();
    EXPECT_EQ(rows(ow, IDC_OW_LIST, 2), std::vector<std::wstring>{L"W | CC 1234 CC 1234"});

    setFieldText(ow, IDC_OW_CHANNEL, std::string("16"));
    click(ow, IDC_GEN_RUN);
    waitForRunEnd();
    expectOnlyBox(Msg::ErrorChannelSetting);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(ow, IDC_GEN_RUN)));
    setFieldText(ow, IDC_OW_CHANNEL, std::string("15"));
    selectComboIndex(ow, IDC_OW_SPEED, 1);
    runAndStop(ow, capture, "sample clock 1000000 Hz");
    exportAndImport(ow, IDC_OW_LIST, 2, IDC_GEN_EXPORT, IDC_GEN_DELETE, IDC_GEN_IMPORT);
    SendMessageW(ow, WM_CLOSE, 0, 0);
    detachVirtualInstrument(load);
}

} // namespace
} // namespace qv::win::test
