// The CAN and LIN dialogs' wiring: Add (and a faulty frame's question) into the list through the
// shared list editor, a refused setting that leaves the dialog open, Run on a virtual instrument
// with a second Run beeping and Stop, and Export/Import of the list. The builders, the line
// readers and the entry rules are tested natively.
#include "shell_fixture.h"

#include "../core/temp_folder.h"
#include "app/controls.h"
#include "device/driver_loader.h"
#include "generators/can_dialog.h"
#include "generators/generator_dialog.h"
#include "generators/lin_dialog.h"
#include "resource.h"
#include "waveedit/waveform_file_dialogs.h"

#include <commctrl.h>

namespace qv::win::test {
namespace {

class BusDialogTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        setGeneratorBeep([this] { ++beeps; });
        createWindow();
    }
    void TearDown() override {
        if (app().openDialog) SendMessageW(app().openDialog, WM_CLOSE, 0, 0);
        pumpMessages();
        setGeneratorBeep({});
        setFileNameAsker({});
        ShellTest::TearDown();
    }
    // Answers the questions in turn (IDOK when none is left) and records every box.
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
    static std::vector<std::wstring> lines(HWND dialog, int list) {
        std::vector<std::wstring> out;
        const int count = static_cast<int>(SendDlgItemMessageW(dialog, list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[256] = {};
            SendDlgItemMessageW(dialog, list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            out.emplace_back(text);
        }
        return out;
    }
    static void waitForRunEnd() {
        for (int i = 0; i < 100 && !waitForOutputThread(10); ++i) pumpMessages();
        pumpMessages();
    }
    // Run, the output active, a second Run that beeps, Stop back to idle with Run enabled.
    void runAndStop(HWND dialog, const std::string& capture, const char* wire) {
        click(dialog, IDC_GEN_RUN);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_GEN_RUN)));
        for (int i = 0; i < 100 && generatorFlags().outputActive.load() == 0; ++i) {
            Sleep(50);
            pumpMessages();
        }
        ASSERT_EQ(generatorFlags().outputActive.load(), 1) << shownBoxes.size() << " boxes";
        click(dialog, IDC_GEN_RUN);
        EXPECT_EQ(beeps, 1);
        std::int32_t running = 0, word = 0, model = 0;
        app().driver.qvReadStatus(app().device, &running, &word, &model);
        click(dialog, IDC_GEN_STOP);
        EXPECT_EQ(generatorFlags().running.load(), 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_GEN_RUN)));
        EXPECT_TRUE(shownBoxes.empty());
        const std::string text(qv::test::readText(capture));
        EXPECT_NE(text.find(wire), std::string::npos) << text.substr(0, 300);
    }
    // Export the list, delete its first entry, Import the file: the list as it was, the path shown.
    void exportAndImport(HWND dialog, int list) {
        const std::string path = folder.file("list.txt");
        setFileNameAsker([&](FileNameRequest&, std::string& chosen) {
            chosen = path;
            return true;
        });
        const std::vector<std::wstring> before = lines(dialog, list);
        click(dialog, IDC_GEN_EXPORT);
        ASSERT_EQ(shownBoxes.size(), 1u);
        EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::ExportOk));
        SendDlgItemMessageW(dialog, list, LB_SETCURSEL, 0, 0);
        click(dialog, IDC_GEN_DELETE);
        EXPECT_EQ(lines(dialog, list).size() + 1, before.size());
        click(dialog, IDC_GEN_IMPORT);
        EXPECT_EQ(lines(dialog, list), before);
        EXPECT_EQ(fieldText(dialog, IDC_GEN_LIST_FILE), fromAnsi(path));
        // A file with an unreadable line is refused by name; the list stays.
        qv::test::writeBytes(path, {'G', 'a', 'r', 'b', 'a', 'g', 'e', '\r', '\n'});
        shownBoxes.clear();
        click(dialog, IDC_GEN_IMPORT);
        ASSERT_EQ(shownBoxes.size(), 1u);
        EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::ListLineUnreadable));
        EXPECT_EQ(lines(dialog, list), before);
    }

    int beeps = 0;
    std::vector<int> boxAnswers;
};

TEST_F(BusDialogTest, CanAddsFramesRefusesASettingRunsAndExchangesItsList) {
    const std::string capture = folder.file("can.vcd");
    DriverLoad load = attachVirtualInstrument(0xC350, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    answerBoxes({});
    openCanTool(window, ID_TOOL_CAN, 0);
    HWND can = canToolWindow();
    ASSERT_NE(can, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(can, IDC_GEN_MODIFY)));
    click(can, IDC_GEN_ADD);
    ASSERT_EQ(lines(can, IDC_CAN_LIST).size(), 1u);
    EXPECT_EQ(lines(can, IDC_CAN_LIST)[0],
              L"DATA, 11, ID = 7C3, RTR = 0, DLC = 8, Data = 11 22 33 44 55 66 77 88 , "
              L"CRC = 416C, CRC Deli = 1, ACK = 0, IS = 4.");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(can, IDC_GEN_MODIFY)));

    // A faulty CRC: the question, answered No, adds the frame and its passive error frame.
    setFieldText(can, IDC_CAN_CRC, std::string("1234"));
    answerBoxes({IDNO});
    click(can, IDC_GEN_ADD);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::CanCrcErrorQuestion));
    EXPECT_EQ(lines(can, IDC_CAN_LIST).back(), L"CRC Error: Passive Error(CRC).");

    // Refused: a CRC above 7FFF at Add, a CAN_High past channel 48 at Run; the dialog stays.
    setFieldText(can, IDC_CAN_CRC, std::string("8000"));
    shownBoxes.clear();
    click(can, IDC_GEN_ADD);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::CanCrcOverload));
    EXPECT_EQ(lines(can, IDC_CAN_LIST).size(), 3u);
    setFieldText(can, IDC_CAN_HIGH, std::string("49"));
    EXPECT_EQ(fieldText(can, IDC_CAN_LOW), L"50");
    shownBoxes.clear();
    click(can, IDC_GEN_RUN);
    waitForRunEnd();
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::ErrorChannelSetting));
    EXPECT_EQ(app().openDialog, can);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(can, IDC_GEN_RUN)));

    setFieldText(can, IDC_CAN_HIGH, std::string("0"));
    shownBoxes.clear();
    runAndStop(can, capture, "$var wire 1 \" ch1 $end");
    exportAndImport(can, IDC_CAN_LIST);
    detachVirtualInstrument(load);
}

TEST_F(BusDialogTest, LinAddsEntriesRefusesASettingRunsAndExchangesItsList) {
    const std::string capture = folder.file("lin.vcd");
    DriverLoad load = attachVirtualInstrument(0xB016, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    answerBoxes({});
    openLinTool(window, ID_TOOL_LIN, 0);
    HWND lin = linToolWindow();
    ASSERT_NE(lin, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(lin, IDC_LIN_DATA))); // until calculated
    EXPECT_EQ(fieldText(lin, IDC_GEN_RATE_UNIT), L"bps");
    setFieldText(lin, IDC_LIN_ID, std::string("21"));
    click(lin, IDC_LIN_CALCULATE);
    EXPECT_EQ(fieldText(lin, IDC_LIN_P0), L"1");
    EXPECT_EQ(fieldText(lin, IDC_LIN_NDATA), L"4");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(lin, IDC_LIN_DATA)));
    setFieldText(lin, IDC_LIN_DATA, std::string("01;02;03;04"));
    click(lin, IDC_LIN_ENHANCED);
    click(lin, IDC_LIN_CALC_CHECKSUM);
    EXPECT_EQ(fieldText(lin, IDC_LIN_CHECKSUM), L"94");
    click(lin, IDC_GEN_ADD);
    click(lin, IDC_LIN_WAKE_UP);
    click(lin, IDC_GEN_ADD);
    EXPECT_EQ(lines(lin, IDC_LIN_LIST),
              (std::vector<std::wstring>{
                  L"Message: TBRK = 13, TDEL = 1, ID = 21, P0 = 1, P1 = 0, NDATA = 4, Data = 01 02 03 04 , CKSUM = 94.",
                  L"Wake-up frame: Delimiter = 4 Bits."}));
    // Selecting the message line loads it back with its kind and checksum model.
    SendDlgItemMessageW(lin, IDC_LIN_LIST, LB_SETCURSEL, 0, 0);
    SendMessageW(lin, WM_COMMAND, MAKEWPARAM(IDC_LIN_LIST, LBN_SELCHANGE), 0);
    EXPECT_TRUE(isChecked(lin, IDC_LIN_MESSAGE));
    EXPECT_TRUE(isChecked(lin, IDC_LIN_ENHANCED));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(lin, IDC_GEN_INSERT)));

    // Refused: break and delimiter adding up to 30; a channel the 16-channel model lacks at Run.
    setFieldText(lin, IDC_LIN_BREAK, std::string("20"));
    setFieldText(lin, IDC_LIN_DELIMITER, std::string("10"));
    click(lin, IDC_LIN_CALCULATE);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::LinBreakDelimiterSum));
    EXPECT_EQ(lines(lin, IDC_LIN_LIST).size(), 2u);
    setFieldText(lin, IDC_LIN_CHANNEL, std::string("16"));
    shownBoxes.clear();
    click(lin, IDC_GEN_RUN);
    waitForRunEnd();
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::ErrorChannelSetting));
    EXPECT_EQ(app().openDialog, lin);

    setFieldText(lin, IDC_LIN_CHANNEL, std::string("3"));
    shownBoxes.clear();
    runAndStop(lin, capture, "ch3 $end");
    exportAndImport(lin, IDC_LIN_LIST);
    detachVirtualInstrument(load);
}

} // namespace
} // namespace qv::win::test
