// The printer port's and Binary File to Waveform's dialogs wired: Pin Define refuses a conflict
// and keeps the pins it accepts, a refused setting leaves each tool open and usable, and Run plays
// on a virtual instrument until Stop. The builders are tested natively.
#include "shell_fixture.h"

#include "../core/temp_folder.h"
#include "app/controls.h"
#include "device/driver_loader.h"
#include "generators/binary_file_dialog.h"
#include "generators/generator_dialog.h"
#include "generators/printer_dialog.h"
#include "resource.h"

#include <commctrl.h>

namespace qv::win::test {
namespace {

class PrinterBinaryDialogTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        app().keyPaths[static_cast<int>(ModuleKey::Spp)] = "SOFTWARE\\Tavro\\QV\\Spp\\0";
        app().keyPaths[static_cast<int>(ModuleKey::Bin2Wav)] = "SOFTWARE\\Tavro\\QV\\Bin2Wav\\0";
        setGeneratorBeep([] {});
        createWindow();
    }
    void TearDown() override {
        if (app().openDialog) SendMessageW(app().openDialog, WM_CLOSE, 0, 0);
        pumpMessages();
        setGeneratorBeep({});
        ShellTest::TearDown();
    }
    static void click(HWND dialog, int control) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0);
    }
    static void waitForRunEnd() {
        for (int i = 0; i < 100 && !waitForOutputThread(10); ++i) pumpMessages();
        pumpMessages();
    }
    // Run until the instrument runs, then Stop and close: the capture's text.
    std::string runAndStop(HWND dialog, int run, int stop, DriverLoad& load, const std::string& capture) {
        click(dialog, run);
        for (int i = 0; i < 100 && generatorFlags().outputActive.load() == 0; ++i) {
            Sleep(50);
            pumpMessages();
        }
        EXPECT_EQ(generatorFlags().outputActive.load(), 1);
        click(dialog, stop);
        EXPECT_EQ(generatorFlags().running.load(), 0);
        waitForRunEnd();
        SendMessageW(dialog, WM_CLOSE, 0, 0);
        pumpMessages();
        detachVirtualInstrument(load);
        return qv::test::readText(capture);
    }
};

HWND pinDefine() {
    HWND found = FindWindowW(L"#32770", L"Pin Define");
    return found && GetWindowThreadProcessId(found, nullptr) == GetCurrentThreadId() ? found : nullptr;
}

void spinUp(HWND dialog, int spin, int times) {
    for (int i = 0; i < times; ++i) {
        NMUPDOWN change{};
        change.hdr.hwndFrom = GetDlgItem(dialog, spin);
        change.hdr.idFrom = static_cast<UINT_PTR>(spin);
        change.hdr.code = UDN_DELTAPOS;
        change.iDelta = 1;
        SendMessageW(dialog, WM_NOTIFY, static_cast<WPARAM>(spin), reinterpret_cast<LPARAM>(&change));
    }
}

// Pin Define: data 15..8 with nSTROBE on 9 is a conflict (the dialog stays); nSTROBE 3,
// nSELECTIN 4 and nAUTOFEED 5 are taken. A dialog still open after that is cancelled.
int pinDefineSteps = 0;
void CALLBACK definePins(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND found = pinDefine();
    if (!found) {
        if (pinDefineSteps > 0) KillTimer(nullptr, timer);
        return;
    }
    switch (pinDefineSteps++) {
    case 0:
        spinUp(found, IDC_PIN_RANGE_SPIN, 8);
        SetDlgItemTextW(found, IDC_PIN_STROBE, L"9");
        SendMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        break;
    case 1:
        SetDlgItemTextW(found, IDC_PIN_STROBE, L"3");
        SetDlgItemTextW(found, IDC_PIN_SELECT_IN, L"4");
        SetDlgItemTextW(found, IDC_PIN_AUTO_FEED, L"5");
        PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        break;
    default: PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); break;
    }
}

std::wstring reopenedRange;
void CALLBACK readPinsAndCancel(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND found = pinDefine();
    if (!found) return;
    KillTimer(nullptr, timer);
    reopenedRange = fieldText(found, IDC_PIN_RANGE) + L" " + fieldText(found, IDC_PIN_STROBE);
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

TEST_F(PrinterBinaryDialogTest, PrinterPinDefineRefusesAConflictAndRunsOnTheInstrument) {
    const std::string capture = folder.file("printer.vcd");
    DriverLoad load = attachVirtualInstrument(0xB016, capture); // the clock is set before the data is read
    ASSERT_EQ(load.problem, DriverProblem::None);
    openPrinterTool(window, ID_TOOL_PRINTER, 0);
    HWND printer = printerToolWindow();
    ASSERT_NE(printer, nullptr);
    click(printer, IDC_PRINTER_RUN); // an empty data edit
    waitForRunEnd();
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::NoDataInBuffer));
    EXPECT_EQ(generatorFlags().running.load(), 0);
    shownBoxes.clear();

    pinDefineSteps = 0;
    const UINT_PTR defining = SetTimer(nullptr, 0, 20, definePins);
    click(printer, IDC_PRINTER_SETUP);
    KillTimer(nullptr, defining);
    EXPECT_EQ(pinDefineSteps, 2);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::ChannelConflict));
    shownBoxes.clear();
    SetTimer(nullptr, 0, 20, readPinsAndCancel);
    click(printer, IDC_PRINTER_SETUP);
    EXPECT_EQ(reopenedRange, L"15..8 3"); // it opens on the pins in use

    SetDlgItemTextW(printer, IDC_PRINTER_TEXT, L"AB");
    setChecked(printer, IDC_GEN_REPEAT, true);
    const std::string text = runAndStop(printer, IDC_PRINTER_RUN, IDC_PRINTER_STOP, load, capture);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_NE(text.find("$var wire 1 $ ch3 $end"), std::string::npos) << text.substr(0, 300);
    EXPECT_NE(text.find("0$"), std::string::npos); // nSTROBE on channel 3 fell
    EXPECT_NE(text.find("1/"), std::string::npos); // 'A' (41) on 15..8: bit 6 on channel 14
    EXPECT_EQ(printerToolWindow(), nullptr);
}

TEST_F(PrinterBinaryDialogTest, BinaryFileRefusesWidthsAndAFileAndRuns) {
    openBinaryFileTool(window, ID_TOOL_BINARY_FILE, 0);
    HWND binary = binaryFileToolWindow();
    ASSERT_NE(binary, nullptr);
    EXPECT_EQ(fieldText(binary, IDC_BINARY_DATA_WIDTH), L"1");
    EXPECT_EQ(fieldText(binary, IDC_BINARY_OUTPUT_WIDTH), L"8");
    EXPECT_EQ(fieldText(binary, IDC_GEN_RATE), L"10");
    EXPECT_EQ(fieldText(binary, IDC_GEN_RATE_UNIT), L"MHz");
    spinUp(binary, IDC_BINARY_DATA_WIDTH_SPIN, 10); // (channels - 1) / 8 + 1 at most
    EXPECT_EQ(fieldText(binary, IDC_BINARY_DATA_WIDTH), std::to_wstring((app().caps.channelCount - 1) / 8 + 1));
    setFieldText(binary, IDC_BINARY_DATA_WIDTH, std::string("1"));

    setFieldText(binary, IDC_BINARY_OUTPUT_WIDTH, std::string("9"));
    click(binary, IDC_BINARY_RUN);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::BinaryWidthError));
    EXPECT_EQ(generatorFlags().running.load(), 0);
    shownBoxes.clear();
    setFieldText(binary, IDC_BINARY_OUTPUT_WIDTH, std::string("8"));
    setFieldText(binary, IDC_BINARY_FILE, folder.file("missing.bin"));
    click(binary, IDC_BINARY_RUN);
    waitForRunEnd();
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::CantOpenFile));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(binary, IDC_BINARY_RUN)));
    shownBoxes.clear();

    const std::string capture = folder.file("binary.vcd");
    DriverLoad load = attachVirtualInstrument(0xB016, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    qv::test::writeBytes(folder.file("data.bin"), {0x01, 0x02, 0x04, 0x80});
    setFieldText(binary, IDC_BINARY_FILE, folder.file("data.bin"));
    setFieldText(binary, IDC_GEN_RATE, std::string("1"));
    setChecked(binary, IDC_GEN_REPEAT, true);
    const std::string text = runAndStop(binary, IDC_BINARY_RUN, IDC_BINARY_STOP, load, capture);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_NE(text.find("sample clock 1000000 Hz"), std::string::npos) << text.substr(0, 200);
    EXPECT_NE(text.find("1("), std::string::npos); // bit 7 on channel 7
    EXPECT_EQ(binaryFileToolWindow(), nullptr);
}

} // namespace
} // namespace qv::win::test
