// The USB dialogs' wiring: Edit Packet enabling its fields by PID, refusing an empty required field
// with its warning icon and filling the CRCs; the packet menu per selection, Add and Insert through
// it; a refused channel; Run with a second Run beeping and Stop; Export, Delete All and Import of
// the list, and an unreadable imported line named. The rows, CRCs and builder are tested natively.
#include "shell_fixture.h"

#include "../core/temp_folder.h"
#include "app/controls.h"
#include "device/driver_loader.h"
#include "generators/generator_dialog.h"
#include "generators/usb_dialog.h"
#include "resource.h"
#include "waveedit/waveform_file_dialogs.h"

#include <commctrl.h>

namespace qv::win::test {
namespace {

class UsbDialogTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        setGeneratorBeep([this] { ++beeps; });
        setUsbMenuTracker([this](HMENU menu) {
            shownMenu.clear();
            for (int i = 0; i < GetMenuItemCount(menu); ++i)
                shownMenu.push_back(static_cast<int>(GetMenuItemID(menu, i)));
            return menuChoice;
        });
        setMessageBoxScript([this](const ShownMessage& shown) {
            shownBoxes.push_back(shown);
            return IDOK;
        });
        createWindow();
    }
    void TearDown() override {
        if (app().openDialog) SendMessageW(app().openDialog, WM_CLOSE, 0, 0);
        pumpMessages();
        setGeneratorBeep({});
        setUsbMenuTracker({});
        setUsbPacketEditor({});
        setFileNameAsker({});
        ShellTest::TearDown();
    }
    static void click(HWND dialog, int control) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0);
    }
    static void choosePid(HWND dialog, gen::UsbPid pid) {
        SendDlgItemMessageW(dialog, IDC_USB_PID, CB_SETCURSEL, static_cast<WPARAM>(pid), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_USB_PID, CBN_SELCHANGE), 0);
    }
    // The packet menu opened by a right click in the list, answered with `choice`.
    void menu(HWND usb, int choice) {
        menuChoice = choice;
        HWND list = GetDlgItem(usb, IDC_USB_LIST);
        RECT rect{};
        GetWindowRect(list, &rect);
        SendMessageW(usb, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(rect.left + 20, rect.bottom - 10));
    }
    static std::vector<std::wstring> rows(HWND usb) {
        std::vector<std::wstring> out;
        HWND list = GetDlgItem(usb, IDC_USB_LIST);
        const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::wstring row;
            for (int column = 0; column < gen::usbColumnCount; ++column) {
                wchar_t text[64] = {};
                LVITEMW item{};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = 64;
                SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
                row += std::wstring(text) + L" ";
            }
            out.push_back(row);
        }
        return out;
    }
    static bool shown(HWND dialog, int control) { // the dialog itself is not shown in the test
        return (GetWindowLongW(GetDlgItem(dialog, control), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    static void selectRow(HWND usb, int index) {
        LVITEMW item{};
        item.stateMask = item.state = LVIS_SELECTED;
        SendDlgItemMessageW(usb, IDC_USB_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                            reinterpret_cast<LPARAM>(&item));
    }

    int beeps = 0;
    int menuChoice = 0;
    std::vector<int> shownMenu;
};

TEST_F(UsbDialogTest, EditPacketEnablesByPidRefusesEmptyFieldsAndFillsTheCrcs) {
    UsbPacketRequest request;
    HWND edit = createDialogInLanguage(nullptr, usbPacketDialog, reinterpret_cast<LPARAM>(&request));
    ASSERT_TRUE(edit);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(edit, IDC_USB_FRAME)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(edit, IDC_USB_ADDRESS)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(edit, IDC_USB_DATA)));
    EXPECT_FALSE(shown(edit, IDC_USB_WARN_FRAME));
    click(edit, IDOK); // no frame number
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::UsbWrongSetting));
    EXPECT_TRUE(shown(edit, IDC_USB_WARN_FRAME));
    EXPECT_FALSE(shown(edit, IDC_USB_WARN_ADDRESS));
    EXPECT_TRUE(IsWindow(edit));
    setFieldText(edit, IDC_USB_FRAME, std::string("288"));
    click(edit, IDOK);
    EXPECT_EQ(gen::usbLineOfCells(request.cells), "SYNC SOF 288   1   EOP ");

    // A token: address and endpoint; Sample fills them.
    choosePid(edit, gen::UsbPid::Setup);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(edit, IDC_USB_FRAME)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(edit, IDC_USB_ENDPOINT)));
    click(edit, IDC_USB_SAMPLE);
    click(edit, IDOK);
    EXPECT_EQ(gen::usbLineOfCells(request.cells), "SYNC SETUP  1 0 17   EOP ");
    DestroyWindow(edit);

    // Modify: the row's fields back in their edits, an empty cell's edit disabled; the CRC16 of
    // the edited bytes.
    request.modify = true;
    request.cells = *gen::usbCellsOfLine("SYNC DATA1     1;2; 7E78 EOP ");
    edit = createDialogInLanguage(nullptr, usbPacketDialog, reinterpret_cast<LPARAM>(&request));
    EXPECT_EQ(comboSelection(edit, IDC_USB_PID), static_cast<int>(gen::UsbPid::Data1));
    EXPECT_EQ(fieldText(edit, IDC_USB_DATA), L"1;2;");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(edit, IDC_USB_FRAME)));
    setFieldText(edit, IDC_USB_DATA, std::string("5A;F;\r\n66;1;"));
    click(edit, IDOK);
    EXPECT_EQ(gen::usbLineOfCells(request.cells), "SYNC DATA1     5A;F;66;1; EC06 EOP ");
    DestroyWindow(edit);
}

TEST_F(UsbDialogTest, PacketMenuAddsRefusesAChannelRunsAndExchangesItsList) {
    const std::string capture = folder.file("usb.vcd");
    DriverLoad load = attachVirtualInstrument(0xC350, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    openUsbTool(window, ID_TOOL_USB, 0);
    HWND usb = usbToolWindow();
    ASSERT_NE(usb, nullptr);
    EXPECT_EQ(fieldText(usb, IDC_GEN_RATE), L"12");
    EXPECT_EQ(fieldText(usb, IDC_GEN_RATE_UNIT), L"MHz");

    // Without a selection: Add, Sample, Import. Add through Edit Packet (answered here).
    std::vector<std::string> answers = {"SYNC ACK       EOP ", "SYNC NACK       EOP "};
    setUsbPacketEditor([&](HWND, UsbPacketRequest& request) {
        request.cells = *gen::usbCellsOfLine(answers.front());
        answers.erase(answers.begin());
        return true;
    });
    menu(usb, ID_USB_SAMPLE);
    EXPECT_EQ(shownMenu, (std::vector<int>{ID_USB_ADD, ID_USB_SAMPLE, 0, ID_USB_IMPORT}));
    ASSERT_EQ(rows(usb).size(), 8u);
    EXPECT_EQ(rows(usb)[2], L"SYNC DATA0     C0;C;84;0;0;0;1;0; 60E EOP ");
    menu(usb, ID_USB_ADD);
    EXPECT_EQ(rows(usb).back(), L"SYNC ACK       EOP ");
    // With a row selected: the whole menu; Insert puts the packet after the row; no row stays selected.
    selectRow(usb, 0);
    menu(usb, ID_USB_INSERT);
    EXPECT_EQ(shownMenu,
              (std::vector<int>{ID_USB_ADD, ID_USB_DELETE, ID_USB_INSERT, ID_USB_MODIFY, ID_USB_SAMPLE,
                                ID_USB_DELETE_ALL, 0, ID_USB_EXPORT, ID_USB_IMPORT}));
    ASSERT_EQ(rows(usb).size(), 10u);
    EXPECT_EQ(rows(usb)[1], L"SYNC NACK       EOP ");
    EXPECT_EQ(SendDlgItemMessageW(usb, IDC_USB_LIST, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);

    // Refused: D+ on channel 49 of 50 (D- would be 50); the dialog stays, Run enabled again.
    setFieldText(usb, IDC_USB_CHANNEL, std::string("49"));
    EXPECT_EQ(fieldText(usb, IDC_USB_DMINUS), L"50");
    click(usb, IDC_GEN_RUN);
    for (int i = 0; i < 100 && !waitForOutputThread(10); ++i) pumpMessages();
    pumpMessages();
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::ErrorChannelSetting));
    EXPECT_EQ(app().openDialog, usb);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(usb, IDC_GEN_RUN)));

    // Run, a second Run beeps, Stop.
    setFieldText(usb, IDC_USB_CHANNEL, std::string("2"));
    shownBoxes.clear();
    click(usb, IDC_GEN_RUN);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(usb, IDC_GEN_RUN)));
    for (int i = 0; i < 100 && generatorFlags().outputActive.load() == 0; ++i) {
        Sleep(50);
        pumpMessages();
    }
    ASSERT_EQ(generatorFlags().outputActive.load(), 1) << shownBoxes.size() << " boxes";
    click(usb, IDC_GEN_RUN);
    EXPECT_EQ(beeps, 1);
    click(usb, IDC_GEN_STOP);
    EXPECT_EQ(generatorFlags().running.load(), 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(usb, IDC_GEN_RUN)));
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_NE(std::string(qv::test::readText(capture)).find("ch3 $end"), std::string::npos);

    // Export, Delete All, Import: the same rows. A file with a line of eight cells is refused.
    const std::string path = folder.file("usb.txt");
    setFileNameAsker([&](FileNameRequest&, std::string& chosen) {
        chosen = path;
        return true;
    });
    const std::vector<std::wstring> before = rows(usb);
    selectRow(usb, 0);
    menu(usb, ID_USB_EXPORT);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::ExportOk));
    EXPECT_EQ(std::string(qv::test::readText(path)).substr(0, 26), "SYNC SOF 288   1   EOP \r\nS");
    selectRow(usb, 0);
    menu(usb, ID_USB_DELETE_ALL);
    EXPECT_TRUE(rows(usb).empty());
    menu(usb, ID_USB_IMPORT);
    EXPECT_EQ(rows(usb), before);
    qv::test::writeBytes(path, {'S', 'Y', 'N', 'C', ' ', 'A', 'C', 'K', ' ', 'E', 'O', 'P', '\r', '\n'});
    shownBoxes.clear();
    menu(usb, ID_USB_IMPORT);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::ListLineUnreadable));
    EXPECT_EQ(rows(usb), before);
    detachVirtualInstrument(load);
}

} // namespace
} // namespace qv::win::test
