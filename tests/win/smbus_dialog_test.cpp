// The SMBus and PMBus dialogs' wiring: the protocol enabling its fields, Add List (and a process
// call's Sr), Sr and Ok of a PMBus group command, a refused entry and a refused setting that leave
// the dialog open, the packet list's context menu (Insert, Modify, Delete, Export/Import round
// trip), and Run on a virtual instrument with Stop. The lines, the reader and the builder are
// tested natively.
#include "shell_fixture.h"

#include "../core/temp_folder.h"
#include "app/controls.h"
#include "device/driver_loader.h"
#include "generators/generator_dialog.h"
#include "generators/packet_tool.h"
#include "generators/smbus_dialog.h"
#include "resource.h"
#include "waveedit/waveform_file_dialogs.h"

namespace qv::win::test {
namespace {

class PacketDialogTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        createWindow();
        setMessageBoxScript([this](const ShownMessage& shown) {
            shownBoxes.push_back(shown.stringId);
            return IDOK;
        });
    }
    void TearDown() override {
        if (app().openDialog) SendMessageW(app().openDialog, WM_CLOSE, 0, 0);
        pumpMessages();
        setPacketMenuTracker({});
        setPacketEditor({});
        setFileNameAsker({});
        ShellTest::TearDown();
    }
    static void click(HWND dialog, int control) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0);
    }
    static void selectProtocol(HWND dialog, int combo, int protocol) {
        SendDlgItemMessageW(dialog, combo, CB_SETCURSEL, static_cast<WPARAM>(protocol), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), 0);
    }
    static bool enabled(HWND dialog, int control) { return IsWindowEnabled(GetDlgItem(dialog, control)) != FALSE; }
    static std::vector<std::wstring> lines(HWND dialog, int list) {
        std::vector<std::wstring> out;
        const int count = static_cast<int>(SendDlgItemMessageW(dialog, list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::wstring text(
                static_cast<std::size_t>(SendDlgItemMessageW(dialog, list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)),
                L'\0');
            SendDlgItemMessageW(dialog, list, LB_GETTEXT, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(text.data()));
            out.push_back(text);
        }
        return out;
    }
    // A right click on the list answered with `command`; the menu's entries are kept.
    void menu(HWND dialog, int list, int command) {
        menuEntries.clear();
        setPacketMenuTracker([this, command](HMENU m) {
            for (int i = 0; i < GetMenuItemCount(m); ++i) menuEntries.push_back(static_cast<int>(GetMenuItemID(m, i)));
            return command;
        });
        SendMessageW(dialog, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetDlgItem(dialog, list)), MAKELPARAM(10, 10));
    }
    static void waitForRunEnd() {
        for (int i = 0; i < 100 && !waitForOutputThread(10); ++i) pumpMessages();
        pumpMessages();
    }

    std::vector<int> shownBoxes;
    std::vector<int> menuEntries;
};

TEST_F(PacketDialogTest, SmbusComposesEditsRunsAndExchangesItsList) {
    const std::string capture = folder.file("smbus.vcd");
    DriverLoad load = attachVirtualInstrument(0xC350, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    openSmbusTool(window, ID_TOOL_SMBUS, 0);
    HWND smbus = smbusToolWindow();
    ASSERT_NE(smbus, nullptr);
    EXPECT_EQ(fieldText(smbus, IDC_GEN_RATE), L"100");
    EXPECT_EQ(fieldText(smbus, IDC_GEN_RATE_UNIT), L"KHz");
    EXPECT_EQ(fieldText(smbus, IDC_SMBUS_DATA_CHANNEL), L"1");
    EXPECT_FALSE(enabled(smbus, IDC_SMBUS_COMMAND)); // Quick command: address and read/write only
    EXPECT_FALSE(enabled(smbus, IDC_SMBUS_DATA));
    EXPECT_TRUE(enabled(smbus, IDC_SMBUS_RW));
    click(smbus, IDC_GEN_RATE_UNIT);
    EXPECT_EQ(fieldText(smbus, IDC_GEN_RATE_UNIT), L"Hz");
    click(smbus, IDC_GEN_RATE_UNIT);
    click(smbus, IDC_GEN_RATE_UNIT);
    EXPECT_EQ(fieldText(smbus, IDC_GEN_RATE_UNIT), L"KHz");

    selectProtocol(smbus, IDC_SMBUS_PROTOCOL, 2);
    EXPECT_FALSE(enabled(smbus, IDC_SMBUS_RW));
    setFieldText(smbus, IDC_SMBUS_DATA, std::string("5a;"));
    click(smbus, IDC_SMBUS_ADD);
    // A process call: Add List waits for Sr, which keeps the write data.
    selectProtocol(smbus, IDC_SMBUS_PROTOCOL, 13);
    EXPECT_FALSE(enabled(smbus, IDC_SMBUS_ADD));
    setFieldText(smbus, IDC_SMBUS_DATA, std::string("11;22;"));
    click(smbus, IDC_SMBUS_SR);
    EXPECT_TRUE(enabled(smbus, IDC_SMBUS_ADD));
    EXPECT_EQ(fieldText(smbus, IDC_SMBUS_DATA), L"");
    setFieldText(smbus, IDC_SMBUS_DATA, std::string("33;44;"));
    click(smbus, IDC_SMBUS_ADD);
    const std::vector<std::wstring> added{
        L"S ADDR=10 W ACK 5A ACK PEC=2F ACK P ",
        L"S ADDR=10 W ACK CMD=20 ACK L=11 ACK H=22 ACK Sr ADDR=10 R ACK L=33 ACK H=44 NACK P "};
    EXPECT_EQ(lines(smbus, IDC_SMBUS_LIST), added);

    // Refused: 33 items at Add List; the clock channel 49 at Run. The dialog stays.
    std::string items;
    for (int i = 0; i < 33; ++i) items += "01;";
    setFieldText(smbus, IDC_SMBUS_DATA, items);
    click(smbus, IDC_SMBUS_ADD);
    EXPECT_EQ(shownBoxes, std::vector<int>{static_cast<int>(Msg::SmbusDataTooLarge)});
    EXPECT_EQ(lines(smbus, IDC_SMBUS_LIST), added);
    setFieldText(smbus, IDC_SMBUS_CLOCK, std::string("49"));
    EXPECT_EQ(fieldText(smbus, IDC_SMBUS_DATA_CHANNEL), L"50");
    shownBoxes.clear();
    click(smbus, IDC_GEN_RUN);
    waitForRunEnd();
    EXPECT_EQ(shownBoxes, std::vector<int>{static_cast<int>(Msg::ErrorChannelSetting)});
    EXPECT_EQ(app().openDialog, smbus);
    EXPECT_TRUE(enabled(smbus, IDC_GEN_RUN));

    // The context menu: only Import without a selection; Insert after the selection; Modify.
    SendDlgItemMessageW(smbus, IDC_SMBUS_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    menu(smbus, IDC_SMBUS_LIST, 0);
    EXPECT_EQ(menuEntries, std::vector<int>{ID_PACKET_IMPORT});
    SendDlgItemMessageW(smbus, IDC_SMBUS_LIST, LB_SETCURSEL, 0, 0);
    menu(smbus, IDC_SMBUS_LIST, 0);
    EXPECT_EQ(menuEntries,
              (std::vector<int>{ID_PACKET_DELETE, ID_PACKET_INSERT, ID_PACKET_MODIFY, ID_PACKET_DELETE_ALL, 0,
                                ID_PACKET_EXPORT, ID_PACKET_IMPORT}));
    selectProtocol(smbus, IDC_SMBUS_PROTOCOL, 1);
    setFieldText(smbus, IDC_SMBUS_DATA, std::string("C3;"));
    SendDlgItemMessageW(smbus, IDC_SMBUS_LIST, LB_SETCURSEL, 0, 0);
    menu(smbus, IDC_SMBUS_LIST, ID_PACKET_INSERT);
    ASSERT_EQ(lines(smbus, IDC_SMBUS_LIST).size(), 3u);
    EXPECT_EQ(lines(smbus, IDC_SMBUS_LIST)[1], L"S ADDR=10 W ACK C3 ACK P ");
    setPacketEditor([](HWND, std::string& line) {
        line = "S ADDR=7F R ACK XY NACK P"; // the last token without its blank
        return true;
    });
    menu(smbus, IDC_SMBUS_LIST, ID_PACKET_MODIFY);
    EXPECT_EQ(lines(smbus, IDC_SMBUS_LIST)[1], L"S ADDR=7F R ACK XY NACK P");

    setFieldText(smbus, IDC_SMBUS_CLOCK, std::string("3"));
    shownBoxes.clear();
    click(smbus, IDC_GEN_RUN);
    EXPECT_FALSE(enabled(smbus, IDC_GEN_RUN));
    for (int i = 0; i < 100 && generatorFlags().outputActive.load() == 0; ++i) {
        Sleep(50);
        pumpMessages();
    }
    ASSERT_EQ(generatorFlags().outputActive.load(), 1) << shownBoxes.size() << " boxes";
    click(smbus, IDC_GEN_STOP);
    EXPECT_EQ(generatorFlags().running.load(), 0);
    EXPECT_TRUE(enabled(smbus, IDC_GEN_RUN));
    EXPECT_TRUE(shownBoxes.empty());
    const std::string vcd(qv::test::readText(capture));
    EXPECT_NE(vcd.find("sample clock 400000 Hz"), std::string::npos) << vcd.substr(0, 300);

    // Export, delete a line, Import: the list as it was; a file with an empty cell is named.
    const std::string path = folder.file("packets.txt");
    setFileNameAsker([&](FileNameRequest&, std::string& chosen) {
        chosen = path;
        return true;
    });
    const std::vector<std::wstring> before = lines(smbus, IDC_SMBUS_LIST);
    SendDlgItemMessageW(smbus, IDC_SMBUS_LIST, LB_SETCURSEL, 0, 0);
    menu(smbus, IDC_SMBUS_LIST, ID_PACKET_EXPORT);
    EXPECT_EQ(shownBoxes, std::vector<int>{static_cast<int>(Msg::ExportOk)});
    SendDlgItemMessageW(smbus, IDC_SMBUS_LIST, LB_SETCURSEL, 0, 0);
    menu(smbus, IDC_SMBUS_LIST, ID_PACKET_DELETE);
    EXPECT_EQ(lines(smbus, IDC_SMBUS_LIST).size() + 1, before.size());
    menu(smbus, IDC_SMBUS_LIST, ID_PACKET_IMPORT);
    EXPECT_EQ(lines(smbus, IDC_SMBUS_LIST), before);
    qv::test::writeBytes(path, {'S', ' ', 'P', '\r', '\n', 'S', ' ', ' ', 'P', '\r', '\n'});
    shownBoxes.clear();
    menu(smbus, IDC_SMBUS_LIST, ID_PACKET_IMPORT);
    EXPECT_EQ(shownBoxes, std::vector<int>{static_cast<int>(Msg::ListLineUnreadable)});
    EXPECT_EQ(lines(smbus, IDC_SMBUS_LIST), before);
    SendDlgItemMessageW(smbus, IDC_SMBUS_LIST, LB_SETCURSEL, 0, 0);
    menu(smbus, IDC_SMBUS_LIST, ID_PACKET_DELETE_ALL);
    EXPECT_TRUE(lines(smbus, IDC_SMBUS_LIST).empty());
    detachVirtualInstrument(load);
}

TEST_F(PacketDialogTest, PmbusBuildsAGroupCommandOverSrAndOk) {
    openPmbusTool(window, ID_TOOL_PMBUS, 0);
    HWND pmbus = pmbusToolWindow();
    ASSERT_NE(pmbus, nullptr);
    EXPECT_FALSE(enabled(pmbus, IDC_PMBUS_EXTENSION)); // group command
    EXPECT_TRUE(enabled(pmbus, IDC_PMBUS_SR));
    EXPECT_EQ(fieldText(pmbus, IDC_PMBUS_EXTENSION), L"30");
    selectProtocol(pmbus, IDC_PMBUS_PROTOCOL, 1);
    setFieldText(pmbus, IDC_PMBUS_DATA, std::string("01;"));
    click(pmbus, IDC_PMBUS_SR);
    EXPECT_EQ(fieldText(pmbus, IDC_PMBUS_DATA), L"");
    setFieldText(pmbus, IDC_PMBUS_ADDRESS, std::string("11"));
    setFieldText(pmbus, IDC_PMBUS_COMMAND, std::string("21"));
    setFieldText(pmbus, IDC_PMBUS_DATA, std::string("02;03;"));
    click(pmbus, IDC_PMBUS_OK);
    EXPECT_EQ(lines(pmbus, IDC_PMBUS_LIST),
              std::vector<std::wstring>{L"S ADDR=10 W ACK CMD=20 ACK L=01 ACK PEC=EA ACK Sr ADDR=11 W ACK CMD=21 ACK "
                                        L"L=02 ACK H=03 ACK PEC=E9 ACK P "});
    // An extended command: the extension enabled, Sr not; a refused extension keeps the list.
    selectProtocol(pmbus, IDC_PMBUS_PROTOCOL, 3);
    EXPECT_TRUE(enabled(pmbus, IDC_PMBUS_EXTENSION));
    EXPECT_FALSE(enabled(pmbus, IDC_PMBUS_SR));
    setFieldText(pmbus, IDC_PMBUS_DATA, std::string("5A;"));
    setFieldText(pmbus, IDC_PMBUS_EXTENSION, std::string("100"));
    click(pmbus, IDC_PMBUS_OK);
    EXPECT_EQ(shownBoxes, std::vector<int>{static_cast<int>(Msg::PmbusExtensionRange)});
    EXPECT_EQ(lines(pmbus, IDC_PMBUS_LIST).size(), 1u);
    setFieldText(pmbus, IDC_PMBUS_EXTENSION, std::string("30"));
    setFieldText(pmbus, IDC_PMBUS_ADDRESS, std::string("10"));
    setFieldText(pmbus, IDC_PMBUS_COMMAND, std::string("20"));
    click(pmbus, IDC_PMBUS_OK);
    EXPECT_EQ(lines(pmbus, IDC_PMBUS_LIST).back(),
              L"S ADDR=10 W ACK EXTCMD=30 ACK CMD=20 ACK Sr ADDR=10 R ACK 5A ACK PEC=B4 NACK P ");
}

} // namespace
} // namespace qv::win::test
