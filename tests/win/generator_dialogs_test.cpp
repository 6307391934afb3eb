// The generator dialogs' wiring: SPI's Run on a virtual instrument (capture, busy icon, a second
// Run beeps, Stop), its Convert to the Wave Editor, and one refused setting per tool that leaves
// the dialog open and usable. The builders and their checks are tested natively.
#include "shell_fixture.h"

#include "../core/temp_folder.h"
#include "app/controls.h"
#include "device/driver_loader.h"
#include "generators/counter_dialog.h"
#include "generators/generator_dialog.h"
#include "generators/i2c_dialog.h"
#include "generators/spi_dialog.h"
#include "generators/uart_dialog.h"
#include "resource.h"
#include "waveedit/document.h"
#include "waveedit/handoff.h"
#include "waveedit/wave_editor.h"
#include "waveedit/waveform_file_dialogs.h"

#include <commctrl.h>

#include <cstdlib>
#include <filesystem>

namespace qv::win::test {
namespace {

class GeneratorDialogTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        app().keyPaths[static_cast<int>(ModuleKey::Uart)] = "SOFTWARE\\Tavro\\QV\\Uart\\0";
        setGeneratorBeep([this] { ++beeps; });
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

    // As typed: the data edits notify EN_CHANGE for typing, not for WM_SETTEXT.
    static void type(HWND dialog, int control, const wchar_t* text) {
        SendDlgItemMessageW(dialog, control, EM_SETSEL, 0, -1);
        SendDlgItemMessageW(dialog, control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    }

    // Delivers messages until the output thread reported back (or a second went by).
    static void waitForRunEnd() {
        for (int i = 0; i < 100 && !waitForOutputThread(10); ++i) pumpMessages();
        pumpMessages();
    }

    // A refused setting: the message once, the flags clear, the dialog open with Run usable.
    void expectRefused(HWND dialog, int run, Msg message) {
        click(dialog, run);
        waitForRunEnd();
        ASSERT_EQ(shownBoxes.size(), 1u);
        EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(message));
        EXPECT_EQ(generatorFlags().running.load(), 0);
        EXPECT_EQ(app().openDialog, dialog);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, run)));
    }

    int beeps = 0;
};

TEST_F(GeneratorDialogTest, SpiRunsOnAVirtualInstrumentBeepsOnASecondRunStopsAndConverts) {
    const std::string capture = folder.file("spi.vcd");
    DriverLoad load = attachVirtualInstrument(0xB016, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    ASSERT_NE(app().device, noDevice);

    openSpiTool(window, ID_TOOL_SPI, 0);
    HWND spi = spiToolWindow();
    ASSERT_NE(spi, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(spi, IDC_SPI_RUN))); // no data yet
    type(spi, IDC_SPI_TEXT, L"1a;2b");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(spi, IDC_SPI_CONVERT)));
    const LRESULT idleIcon = SendDlgItemMessageW(spi, IDC_GEN_STATUS, STM_GETICON, 0, 0);

    click(spi, IDC_SPI_RUN);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(spi, IDC_SPI_WIDTH)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(spi, IDC_SPI_STOP)));
    for (int i = 0; i < 100 && generatorFlags().outputActive.load() == 0; ++i) {
        Sleep(50);
        pumpMessages();
    }
    ASSERT_EQ(generatorFlags().outputActive.load(), 1)
        << shownBoxes.size() << " boxes, first " << (shownBoxes.empty() ? 0 : shownBoxes[0].stringId);
    for (int i = 0; i < 4; ++i) {
        Sleep(100);
        pumpMessages();
    }
    EXPECT_NE(SendDlgItemMessageW(spi, IDC_GEN_STATUS, STM_GETICON, 0, 0), idleIcon);
    EXPECT_EQ(fieldText(spi, IDC_SPI_COUNT), L"2");

    click(spi, IDC_SPI_RUN);
    EXPECT_EQ(beeps, 1);
    // Nothing polls the instrument now: it runs in real time all the same, so what it output while
    // the tool waited is recorded when Stop (qvStop, then qvPowerDown) ends it.
    click(spi, IDC_SPI_STOP);
    EXPECT_EQ(generatorFlags().running.load(), 0);
    EXPECT_EQ(SendDlgItemMessageW(spi, IDC_GEN_STATUS, STM_GETICON, 0, 0), idleIcon);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(spi, IDC_SPI_RUN)));
    EXPECT_TRUE(shownBoxes.empty());

    // Convert: the hand-off files, the tool closed, the Wave Editor opened by the main window.
    useToolTable({});
    click(spi, IDC_SPI_CONVERT);
    pumpMessages();
    pumpMessages();
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_TRUE(std::filesystem::exists(handoffLabelPath(folder.path())));
    EXPECT_TRUE(std::filesystem::exists(handoffSamplePath(folder.path())));
    EXPECT_EQ(spiToolWindow(), nullptr);
    EXPECT_NE(waveEditorWindow(), nullptr);
    EXPECT_EQ(store.readNumber(app().keyPath(ModuleKey::WaveEdit), "iBaseFreq").value_or(0), 2000000u);
    if (HWND editorWindow = waveEditorWindow()) SendMessageW(editorWindow, WM_CLOSE, 0, 0);

    detachVirtualInstrument(load);

    // The repeated stream filled the capture up to its sample limit (4,000 clocks, 2 ms at 2 MHz):
    // the clock (channel 1) toggled on the instrument. tests/e2e/spi_real_time.sh decodes it.
    const std::string text(qv::test::readText(capture));
    EXPECT_NE(text.find("$var wire 1 \" ch1 $end"), std::string::npos) << text.substr(0, 400);
    EXPECT_NE(text.find("1\""), std::string::npos);
    EXPECT_NE(text.find("0\""), std::string::npos);
    EXPECT_NE(text.find("capture truncated at the sample limit of 4000 clocks"), std::string::npos);
    if (const char* keep = std::getenv("QV_TEST_KEEP_SPI_CAPTURE"))
        std::filesystem::copy_file(capture, keep, std::filesystem::copy_options::overwrite_existing);
}

TEST_F(GeneratorDialogTest, SpiRefusesAWidthOutsideItsRange) {
    openSpiTool(window, ID_TOOL_SPI, 0);
    HWND spi = spiToolWindow();
    ASSERT_NE(spi, nullptr);
    setFieldText(spi, IDC_SPI_TEXT, std::string("1a;2b"));
    setFieldText(spi, IDC_SPI_WIDTH, std::string("33"));
    expectRefused(spi, IDC_SPI_RUN, Msg::SpiWidthRange);
    EXPECT_EQ(GetFocus(), GetDlgItem(spi, IDC_SPI_WIDTH));
}

TEST_F(GeneratorDialogTest, UartRefusesASynchronousChannelOutsideTheModel) {
    openUartTool(window, ID_TOOL_RS232, 0);
    HWND uart = uartToolWindow();
    ASSERT_NE(uart, nullptr);
    type(uart, IDC_UART_TEXT, L"A");
    setChecked(uart, IDC_UART_SYNC, true);
    setFieldText(uart, IDC_UART_SYNC_CHANNEL, std::string("99"));
    expectRefused(uart, IDC_UART_RUN, Msg::ErrorChannelSetting);
}

// The counters: End follows the width until Start or End is stepped, a refused setting focuses
// its field, a field that is no number is named, Run plays a Gray count on the instrument; the
// asynchronous counter checks n x f against the maximum.
TEST_F(GeneratorDialogTest, SyncCounterFollowsTheWidthRefusesAndRuns) {
    app().keyPaths[static_cast<int>(ModuleKey::SyncCnt)] = "SOFTWARE\\Tavro\\QV\\SyncCnt\\0";
    openSyncCounterTool(window, ID_TOOL_SYNC_COUNTER, 0);
    HWND sync = counterToolWindow();
    ASSERT_NE(sync, nullptr);
    EXPECT_EQ(fieldText(sync, IDC_COUNTER_END), L"1023");
    type(sync, IDC_COUNTER_WIDTH, L"4");
    EXPECT_EQ(fieldText(sync, IDC_COUNTER_END), L"15");
    setFieldText(sync, IDC_COUNTER_START_CHANNEL, std::to_string(app().caps.channelCount - 3)); // one too high
    expectRefused(sync, IDC_COUNTER_RUN, Msg::WidthConflictsWithStartChannel);
    EXPECT_EQ(GetFocus(), GetDlgItem(sync, IDC_COUNTER_WIDTH));
    shownBoxes.clear();
    setFieldText(sync, IDC_COUNTER_START_CHANNEL, std::string("2"));
    setFieldText(sync, IDC_COUNTER_INCREMENT, std::string("one"));
    click(sync, IDC_COUNTER_RUN);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::CounterFieldNotANumber));
    EXPECT_EQ(GetFocus(), GetDlgItem(sync, IDC_COUNTER_INCREMENT));
    shownBoxes.clear();
    setFieldText(sync, IDC_COUNTER_INCREMENT, std::string("1"));

    const std::string capture = folder.file("counter.vcd");
    DriverLoad load = attachVirtualInstrument(0xB016, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    setChecked(sync, IDC_COUNTER_BINARY, false);
    setChecked(sync, IDC_COUNTER_GRAY, true);
    setFieldText(sync, IDC_GEN_RATE, std::string("1"));
    click(sync, IDC_COUNTER_RUN);
    for (int i = 0; i < 100 && generatorFlags().outputActive.load() == 0; ++i) {
        Sleep(50);
        pumpMessages();
    }
    EXPECT_EQ(generatorFlags().outputActive.load(), 1);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sync, IDC_COUNTER_RUN)));
    std::int32_t running = 0, word = 0, model = 0;
    app().driver.qvReadStatus(app().device, &running, &word, &model);
    click(sync, IDC_COUNTER_STOP);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sync, IDC_COUNTER_RUN)));
    EXPECT_TRUE(shownBoxes.empty());
    SendMessageW(sync, WM_CLOSE, 0, 0);
    pumpMessages();
    detachVirtualInstrument(load);
    const std::string text(qv::test::readText(capture));
    EXPECT_NE(text.find("$var wire 1 # ch2 $end"), std::string::npos) << text.substr(0, 400);
    EXPECT_NE(text.find("1#"), std::string::npos); // the counter's low bit toggled
    EXPECT_EQ(store.readNumber(app().keyPath(ModuleKey::SyncCnt), "IDC_GRAYCODE").value_or(0), 1u);
    EXPECT_EQ(counterToolWindow(), nullptr);
    EXPECT_EQ(app().openDialog, nullptr);
}

TEST_F(GeneratorDialogTest, AsyncCounterRefusesAClockOverTheMaximum) {
    app().keyPaths[static_cast<int>(ModuleKey::AsyncCnt)] = "SOFTWARE\\Tavro\\QV\\AsyncCnt\\0";
    openAsyncCounterTool(window, ID_TOOL_ASYNC_COUNTER, 0);
    HWND async = counterToolWindow();
    ASSERT_NE(async, nullptr);
    EXPECT_EQ(comboSelection(async, IDC_COUNTER_DELAY), 6); // "1/10"
    setFieldText(async, IDC_GEN_RATE, std::string("20")); // 20 MHz x 10 is over 100 MHz
    expectRefused(async, IDC_COUNTER_RUN, Msg::CounterClockOutOfRange);
    EXPECT_EQ(GetFocus(), GetDlgItem(async, IDC_GEN_RATE));
}

TEST_F(GeneratorDialogTest, UartRefusesAHexLineThatIsNotANumber) {
    openUartTool(window, ID_TOOL_RS232, 0);
    HWND uart = uartToolWindow();
    ASSERT_NE(uart, nullptr);
    selectComboIndex(uart, IDC_UART_FORMAT, 3); // HEX
    type(uart, IDC_UART_TEXT, L"41\r\nG7");
    expectRefused(uart, IDC_UART_RUN, Msg::UartLineNotNumber);
    EXPECT_EQ(shownBoxes[0].text, L"Data line 2 ('G7') is not a number in the chosen Data Format.");
}

TEST_F(GeneratorDialogTest, I2cRefusesAnEmptyTextAndUnlocksItsSettings) {
    openI2cTool(window, ID_TOOL_I2C, 0);
    HWND i2c = i2cToolWindow();
    ASSERT_NE(i2c, nullptr);
    EXPECT_EQ(fieldText(i2c, IDC_GEN_RATE), L"100");
    expectRefused(i2c, IDC_I2C_RUN, Msg::NoI2cData);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(i2c, IDC_I2C_TEXT)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(i2c, IDC_I2C_SDA)));
}

// SCL and SDA start on two channels; a channel past the model's highest is named in the message
// and the focus goes to the SCL field.
TEST_F(GeneratorDialogTest, I2cStartsOnTwoChannelsAndNamesAWrongOne) {
    openI2cTool(window, ID_TOOL_I2C, 0);
    HWND i2c = i2cToolWindow();
    ASSERT_NE(i2c, nullptr);
    EXPECT_EQ(fieldText(i2c, IDC_I2C_SCL), L"0");
    EXPECT_EQ(fieldText(i2c, IDC_I2C_SDA), L"1");
    click(i2c, IDC_I2C_CUSTOM_OUT);
    setFieldText(i2c, IDC_I2C_TEXT, std::string("Aw=12;D=10,20;"));
    setFieldText(i2c, IDC_I2C_SCL, std::string("49"));
    EXPECT_EQ(fieldText(i2c, IDC_I2C_SDA), L"50");
    expectRefused(i2c, IDC_I2C_RUN, Msg::I2cSclChannelRange);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_NE(shownBoxes[0].text.find(L"SCL Out Channel must be 0 - 48"), std::wstring::npos) << shownBoxes[0].text;
    EXPECT_EQ(GetFocus(), GetDlgItem(i2c, IDC_I2C_SCL));
}

// Export and Import through the file-name seam: the text to a file and back, the path shown.
TEST_F(GeneratorDialogTest, I2cExportsAndImportsItsStatementText) {
    const std::string path = folder.file("statements.txt");
    setFileNameAsker([&](FileNameRequest& request, std::string& chosen) {
        EXPECT_EQ(request.title, request.save ? Msg::SaveFileTitle : Msg::SelectFileTitle);
        chosen = path;
        return true;
    });
    openI2cTool(window, ID_TOOL_I2C, 0);
    HWND i2c = i2cToolWindow();
    ASSERT_NE(i2c, nullptr);
    click(i2c, IDC_I2C_10BIT);
    click(i2c, IDC_I2C_SAMPLE);
    const std::wstring sample = fieldText(i2c, IDC_I2C_TEXT);
    EXPECT_EQ(sample.substr(0, 8), L"Aw=12c;\r");
    click(i2c, IDC_I2C_SAVE);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::ExportOk));
    EXPECT_EQ(qv::test::readText(path), toAnsi(sample));
    click(i2c, IDC_GEN_CLEAR);
    click(i2c, IDC_I2C_OPEN);
    EXPECT_EQ(fieldText(i2c, IDC_I2C_TEXT), sample);
    EXPECT_EQ(fieldText(i2c, IDC_I2C_FILE), fromAnsi(path));
    setFileNameAsker({});
}

// Keys as the main loop hands them to the dialog manager: Esc in I2C's text neither converts nor
// closes, Enter on a check box keeps UART open, Enter in the data edit is a new line, and a Convert
// asks before it replaces Wave Editor work that no file keeps.
TEST_F(GeneratorDialogTest, EnterAndEscKeepTypedDataAndConvertAsksForUnsavedEditorWork) {
    auto press = [](HWND dialog, HWND control, WPARAM key) {
        SetFocus(control);
        MSG message{control, WM_KEYDOWN, key, 1, 0, {}};
        if (!IsDialogMessageW(dialog, &message)) DispatchMessageW(&message);
        pumpMessages();
    };
    openI2cTool(window, ID_TOOL_I2C, 0);
    HWND i2c = i2cToolWindow();
    ASSERT_NE(i2c, nullptr);
    click(i2c, IDC_I2C_SAMPLE);
    press(i2c, GetDlgItem(i2c, IDC_I2C_TEXT), VK_ESCAPE);
    press(i2c, GetDlgItem(i2c, IDC_GEN_REPEAT), VK_ESCAPE);
    press(i2c, GetDlgItem(i2c, IDC_GEN_REPEAT), VK_RETURN);
    EXPECT_EQ(i2cToolWindow(), i2c);
    EXPECT_FALSE(std::filesystem::exists(handoffLabelPath(folder.path())));

    // The editor left work no file keeps: Convert asks, and No leaves the hand-off files alone.
    document().setHandoffUnsaved(true);
    click(i2c, IDC_I2C_CONVERT);
    pumpMessages();
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::EditorWorkUnsaved));
    EXPECT_EQ(i2cToolWindow(), i2c);
    EXPECT_FALSE(std::filesystem::exists(handoffLabelPath(folder.path())));
    setMessageBoxScript([this](const ShownMessage& shown) {
        shownBoxes.push_back(shown);
        return IDYES;
    });
    useToolTable({});
    click(i2c, IDC_I2C_CONVERT);
    pumpMessages();
    EXPECT_TRUE(std::filesystem::exists(handoffLabelPath(folder.path())));
    EXPECT_FALSE(document().handoffUnsaved());
    if (HWND editorWindow = waveEditorWindow()) SendMessageW(editorWindow, WM_CLOSE, 0, 0);

    openUartTool(window, ID_TOOL_RS232, 0);
    HWND uart = uartToolWindow();
    ASSERT_NE(uart, nullptr);
    type(uart, IDC_UART_TEXT, L"41");
    press(uart, GetDlgItem(uart, IDC_UART_SYNC), VK_RETURN);
    press(uart, GetDlgItem(uart, IDC_UART_BAUD), VK_RETURN);
    press(uart, GetDlgItem(uart, IDC_UART_TEXT), VK_ESCAPE);
    EXPECT_EQ(uartToolWindow(), uart);
    press(uart, GetDlgItem(uart, IDC_UART_TEXT), VK_RETURN);
    EXPECT_EQ(uartToolWindow(), uart);
    EXPECT_NE(fieldText(uart, IDC_UART_TEXT).find(L"\r\n"), std::wstring::npos);
    press(uart, GetDlgItem(uart, IDC_UART_STOP), VK_RETURN); // a focused push button is pressed
    EXPECT_EQ(uartToolWindow(), uart);
    press(uart, GetDlgItem(uart, IDC_UART_EXIT), VK_RETURN); // but never command 1, the Exit here
    EXPECT_EQ(uartToolWindow(), uart);
    int helps = static_cast<int>(helpRequests().size());
    press(uart, GetDlgItem(uart, IDC_GEN_HELP), VK_RETURN);
    EXPECT_EQ(static_cast<int>(helpRequests().size()), helps + 1);
}

// The rate unit button and the spins reach the rate rules; UART's data bits reach its stop bits.
TEST_F(GeneratorDialogTest, RateUnitSpinsAndTheUartStopBitsFollowTheirControls) {
    openSpiTool(window, ID_TOOL_SPI, 0);
    HWND spi = spiToolWindow();
    ASSERT_NE(spi, nullptr);
    NMUPDOWN up{};
    up.hdr = {GetDlgItem(spi, IDC_GEN_RATE_SPIN), IDC_GEN_RATE_SPIN, UDN_DELTAPOS};
    up.iDelta = 1;
    SendMessageW(spi, WM_NOTIFY, IDC_GEN_RATE_SPIN, reinterpret_cast<LPARAM>(&up));
    EXPECT_EQ(fieldText(spi, IDC_GEN_RATE), L"1.1");
    click(spi, IDC_GEN_RATE_UNIT);
    EXPECT_EQ(fieldText(spi, IDC_GEN_RATE_UNIT), L"K bps");
    up.hdr = {GetDlgItem(spi, IDC_SPI_WIDTH_SPIN), IDC_SPI_WIDTH_SPIN, UDN_DELTAPOS};
    setFieldText(spi, IDC_SPI_WIDTH, std::string("32"));
    SendMessageW(spi, WM_NOTIFY, IDC_SPI_WIDTH_SPIN, reinterpret_cast<LPARAM>(&up));
    EXPECT_EQ(fieldText(spi, IDC_SPI_WIDTH), L"32"); // clamped at the top
    SendMessageW(spi, WM_CLOSE, 0, 0);
    EXPECT_EQ(app().openDialog, nullptr);

    openUartTool(window, ID_TOOL_RS232, 0);
    HWND uart = uartToolWindow();
    ASSERT_NE(uart, nullptr);
    selectComboIndex(uart, IDC_UART_DATA_BITS, 5 - 4);
    SendMessageW(uart, WM_COMMAND, MAKEWPARAM(IDC_UART_DATA_BITS, CBN_SELCHANGE), 0);
    wchar_t text[8] = {};
    SendDlgItemMessageW(uart, IDC_UART_STOP_BITS, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"1.5");
}

} // namespace
} // namespace qv::win::test
