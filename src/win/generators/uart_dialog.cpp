// The UART dialog moves its combos and fields into UartSettings; runUart does the rest on the
// output thread (temporary file, size question, sections). The data source is the data edit while
// it is enabled and holds text, else the file named in "Data File:", which the thread reads. The
// dialog keeps its start directory under the UART key.
#include "app/help_topics.h"
#include "generators/uart_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/generator_dialog.h"
#include "generators/frame.h"
#include "generators/uart.h"
#include "resource.h"
#include "support/file_io.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <memory>

namespace qv::win {
namespace {

constexpr int uartHelpContext = 106;
constexpr char temporaryFileName[] = "\\QVEditor.Tmp";

constexpr Msg parityTexts[] = {Msg::ParityNone, Msg::ParityEven, Msg::ParityOdd, Msg::ParityMark, Msg::ParitySpace};
constexpr Msg formatTexts[] = {Msg::FormatBin, Msg::FormatOct, Msg::FormatDec, Msg::FormatHex, Msg::FormatAsc};

struct UartTool {
    HWND dialog = nullptr;
    int sampleLimit = 0;
    std::shared_ptr<gen::UartRunResult> result;
};
std::unique_ptr<UartTool> tool;

const std::string& uartKey() { return app().keyPath(ModuleKey::Uart); }

int dataBitsSelected(HWND dialog) {
    return gen::uartMinDataBits + std::max(0, comboSelection(dialog, IDC_UART_DATA_BITS));
}

// "Stop Bits:": "1", "2" (or "1.5" with 5 data bits), "3", "4"; the selection index is kept.
void fillStopBits(HWND dialog, int dataBits) {
    const int selected = std::max(0, comboSelection(dialog, IDC_UART_STOP_BITS));
    SendDlgItemMessageW(dialog, IDC_UART_STOP_BITS, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < 4; ++i) {
        const std::wstring text =
            i == 1 && gen::uartStopBitsHalf(dataBits) ? loadString(Msg::StopBitsOneAndHalf) : std::to_wstring(i + 1);
        addComboItem(dialog, IDC_UART_STOP_BITS, text, i);
    }
    selectComboIndex(dialog, IDC_UART_STOP_BITS, selected);
}

void fillCombos(HWND dialog, const gen::UartSettings& s) {
    for (int i = 0; i < static_cast<int>(std::size(gen::uartBaudRates)); ++i) {
        addComboItem(dialog, IDC_UART_BAUD, std::to_wstring(gen::uartBaudRates[i]), i);
        if (gen::uartBaudRates[i] == s.baud) selectComboIndex(dialog, IDC_UART_BAUD, i);
    }
    fillCombo(dialog, IDC_UART_PARITY, parityTexts);
    selectComboIndex(dialog, IDC_UART_PARITY, static_cast<int>(s.parity));
    for (int bits = gen::uartMinDataBits; bits <= gen::uartMaxDataBits; ++bits)
        addComboItem(dialog, IDC_UART_DATA_BITS, std::to_wstring(bits), bits);
    selectComboIndex(dialog, IDC_UART_DATA_BITS, s.dataBits - gen::uartMinDataBits);
    fillStopBits(dialog, s.dataBits);
    selectComboIndex(dialog, IDC_UART_STOP_BITS, 0);
    addComboItem(dialog, IDC_UART_PORT, L"0", 0);
    addComboItem(dialog, IDC_UART_PORT, L"1", 1);
    addComboItem(dialog, IDC_UART_PORT, loadString(Msg::PortBoth), 2);
    addComboItem(dialog, IDC_UART_PORT, loadString(Msg::PortDifferent), 3);
    selectComboIndex(dialog, IDC_UART_PORT, static_cast<int>(s.port));
    fillCombo(dialog, IDC_UART_FORMAT, formatTexts);
    selectComboIndex(dialog, IDC_UART_FORMAT, static_cast<int>(s.format));
}

gen::UartSettings readSettings(HWND dialog) {
    gen::UartSettings s;
    s.baud = gen::uartBaudRates[std::max(0, comboSelection(dialog, IDC_UART_BAUD))];
    s.parity = static_cast<gen::UartParity>(std::max(0, comboSelection(dialog, IDC_UART_PARITY)));
    s.dataBits = dataBitsSelected(dialog);
    s.stopBits = gen::uartStopBitsAt(std::max(0, comboSelection(dialog, IDC_UART_STOP_BITS)), s.dataBits);
    s.port = static_cast<gen::UartPort>(std::max(0, comboSelection(dialog, IDC_UART_PORT)));
    s.format = static_cast<gen::UartFormat>(std::max(0, comboSelection(dialog, IDC_UART_FORMAT)));
    s.syncChannelOn = isChecked(dialog, IDC_UART_SYNC);
    const auto channel = fieldInteger(dialog, IDC_UART_SYNC_CHANNEL);
    s.syncChannel = channel && *channel >= 0 && *channel < 1000 ? static_cast<int>(*channel) : -1;
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    s.section = isChecked(dialog, IDC_UART_SECTION);
    return s;
}

void enableSyncChannel(HWND dialog) {
    enableControls(dialog, {IDC_UART_SYNC_CHANNEL, IDC_UART_SYNC_SPIN}, isChecked(dialog, IDC_UART_SYNC));
}

// The file is the data source (Browse) or the edit is (Load, typing).
void useFileSource(HWND dialog, bool file) {
    enableControls(dialog, {IDC_UART_FILE}, file);
    enableControls(dialog, {IDC_UART_TEXT}, !file);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<UartTool>();
    tool->dialog = dialog;
    tool->sampleLimit = gen::sampleLimit(app().caps, gen::uartSampleLimitMargin);
    initGenerator(dialog);
    readStartPath(*placementStore(), uartKey(), app().workDirectory, generatorStartPath());
    const gen::UartSettings s = gen::uartDefaults(app().caps.modelCode);
    fillCombos(dialog, s);
    setFieldInteger(dialog, IDC_UART_SYNC_CHANNEL, s.syncChannel);
    SendDlgItemMessageW(dialog, IDC_UART_SYNC_SPIN, UDM_SETRANGE32, 0, 100);
    setChecked(dialog, IDC_UART_SYNC, s.syncChannelOn);
    enableControls(dialog, {IDC_UART_SYNC}, !gen::uartSyncChannelForced(app().caps.modelCode));
    enableSyncChannel(dialog);
    setChecked(dialog, IDC_GEN_REPEAT, s.repeat);
    setChecked(dialog, IDC_UART_SECTION, false);
    enableControls(dialog, {IDC_UART_SECTION}, false);
    return TRUE;
}

LRESULT onDataBits(HWND dialog, const Command&) {
    fillStopBits(dialog, dataBitsSelected(dialog));
    return TRUE;
}

LRESULT onSyncChannel(HWND dialog, const Command&) {
    enableSyncChannel(dialog);
    return TRUE;
}

LRESULT onSyncSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta;
    stepSpinField(dialog, IDC_UART_SYNC_CHANNEL, delta > 0 ? 1 : -1, 0, app().caps.channelCount - 1, SpinEnds::Wrap);
    return setDialogResult(dialog, TRUE);
}

LRESULT onBrowse(HWND dialog, const Command&) {
    std::string path;
    if (!chooseFile(dialog, Msg::SelectFileTitle, {{Msg::TextFilesFilter, "*.txt"}, {Msg::AllFilesFilter, "*.*"}},
                    "*.txt", path))
        return TRUE;
    setFieldText(dialog, IDC_UART_FILE, fromAnsi(path));
    useFileSource(dialog, true);
    return TRUE;
}

LRESULT onLoad(HWND dialog, const Command&) {
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_UART_TEXT)) > 0 &&
        messageBox(dialog, Msg::Overwrite, MB_ICONWARNING | MB_YESNO) != IDYES)
        return TRUE;
    std::string text;
    const Msg error = gen::uartLoadFile(toAnsi(fieldText(dialog, IDC_UART_FILE)), tool->sampleLimit, text);
    if (error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    setFieldText(dialog, IDC_UART_TEXT, fromAnsi(text));
    useFileSource(dialog, false);
    return TRUE;
}

LRESULT onDataChange(HWND dialog, const Command&) {
    if (IsWindowEnabled(GetDlgItem(dialog, IDC_UART_FILE))) useFileSource(dialog, false);
    return TRUE;
}

LRESULT onRun(HWND dialog, const Command&) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, false); // beeps
        return TRUE;
    }
    const gen::UartSettings settings = readSettings(dialog);
    const bool fromEdit = IsWindowEnabled(GetDlgItem(dialog, IDC_UART_TEXT)) &&
        GetWindowTextLengthW(GetDlgItem(dialog, IDC_UART_TEXT)) > 0;
    const std::string text = fromEdit ? toAnsi(fieldText(dialog, IDC_UART_TEXT)) : std::string();
    const std::string file = fromEdit ? std::string() : toAnsi(fieldText(dialog, IDC_UART_FILE));
    const std::string temporary = app().workDirectory + temporaryFileName;
    auto result = std::make_shared<gen::UartRunResult>();
    tool->result = result;
    startGeneratorRun(
        dialog,
        [settings, text, file, temporary, result](OutputPorts& ports) {
            std::string data = text;
            if (!file.empty() || data.empty()) {
                if (const Msg error = readWholeFile(file, data); error != Msg::None) {
                    ports.prompt.show(static_cast<int>(error));
                    return false;
                }
            }
            *result = gen::runUart(ports, settings, data, generatorBuffer(), temporary);
            return result->outcome.result == OutputResult::Running;
        },
        false);
    return TRUE;
}

// The thread ended: "Section" as the size check left it; a run that did not start ends here
// (the thread left the instrument alone), with the focus on "Repeat" when repeat forbade a cut.
LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::UartRunResult& result = *tool->result;
    setChecked(dialog, IDC_UART_SECTION, result.sectionChecked);
    enableControls(dialog, {IDC_UART_SECTION}, result.sectionEnabled);
    if (runsOn || result.outcome.result == OutputResult::Stopped) return TRUE;
    endGeneratorRun(dialog);
    if (result.outcome.result == OutputResult::Refused && result.outcome.error == Msg::None &&
        isChecked(dialog, IDC_GEN_REPEAT))
        SetFocus(GetDlgItem(dialog, IDC_GEN_REPEAT));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopGeneratorOutput(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    writeStartPath(*placementStore(), uartKey(), generatorStartPath());
    closeGenerator(dialog);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},       {WM_CLOSE, onClose},          {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},      {WM_TIMER, onGeneratorTimer}, {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_UART_BROWSE, onBrowse, BN_CLICKED},
    {IDC_UART_LOAD, onLoad, BN_CLICKED},
    {IDC_UART_TEXT, onDataChange, EN_CHANGE},
    {IDC_UART_RUN, onRun, BN_CLICKED},
    {IDC_UART_STOP, onStop, BN_CLICKED},
    {IDC_UART_DATA_BITS, onDataBits, CBN_SELCHANGE},
    {IDC_UART_SYNC, onSyncChannel, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<uartHelpTopic, uartHelpContext>, BN_CLICKED},
    {IDC_GEN_REPEAT, ignoreCommand, BN_CLICKED},
    {IDC_UART_EXIT, postClose, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {{IDC_UART_SYNC_SPIN, UDN_DELTAPOS, onSyncSpin}};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openUartTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_UART, dialogProcedure<table>}, parameter);
}

HWND uartToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
