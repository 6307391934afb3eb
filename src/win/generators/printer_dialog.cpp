// The printer port's dialog and its Pin Define. The pins are kept while the program runs (never
// saved) and Pin Define opens on them, so that OK without a change keeps what the tool uses;
// the data comes from the data edit while it is enabled, else from the file in the path field.
#include "generators/printer_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/frame.h"
#include "generators/generator_dialog.h"
#include "generators/printer.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <memory>

namespace qv::win {
namespace {

constexpr int printerHelpContext = 105;
constexpr int pinDefineHelpContext = 332;

gen::PrinterPins& keptPins() {
    static gen::PrinterPins pins;
    return pins;
}

struct PrinterTool {
    HWND dialog = nullptr;
    std::shared_ptr<gen::PrinterRunResult> result;
};
std::unique_ptr<PrinterTool> tool;

const std::string& printerKey() { return app().keyPath(ModuleKey::Spp); }

// ---- Pin Define -----------------------------------------------------------------------------------

struct PinDefineState {
    gen::PrinterPins pins;
};
PinDefineState pinState;

void showRange(HWND dialog) {
    std::wstring text = loadString(Msg::PrinterDataRange);
    for (int value : {pinState.pins.dataHigh, pinState.pins.dataHigh - 7})
        if (const auto at = text.find(L"%s"); at != std::wstring::npos) text.replace(at, 2, std::to_wstring(value));
    setFieldText(dialog, IDC_PIN_RANGE, text);
}

LRESULT onPinInit(HWND dialog, UINT, WPARAM, LPARAM) {
    pinState.pins = keptPins();
    showRange(dialog);
    setFieldInteger(dialog, IDC_PIN_STROBE, pinState.pins.strobe);
    setFieldInteger(dialog, IDC_PIN_SELECT_IN, pinState.pins.selectIn);
    setFieldInteger(dialog, IDC_PIN_AUTO_FEED, pinState.pins.autoFeed);
    for (int spin : {IDC_PIN_RANGE_SPIN, IDC_PIN_STROBE_SPIN, IDC_PIN_SELECT_IN_SPIN, IDC_PIN_AUTO_FEED_SPIN})
        SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 2);
    const Msg events[] = {Msg::PrinterEvent1, Msg::PrinterEvent2, Msg::PrinterEvent3};
    const int choices = deviceCardType() == gen::cardTypeWithOutputEnable ? 2 : 3;
    fillCombo(dialog, IDC_PIN_BUSY, std::span(events, static_cast<std::size_t>(choices)));
    selectComboIndex(dialog, IDC_PIN_BUSY, std::min(pinState.pins.busyEvent, choices) - 1);
    return TRUE;
}

LRESULT onPinSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0 ? 1 : -1;
    const int top = app().caps.channelCount - 1;
    switch (header.idFrom) {
    case IDC_PIN_RANGE_SPIN: {
        const int high = pinState.pins.dataHigh + delta;
        if (high < 7 || high > top) {
            MessageBeep(MB_OK);
        } else {
            pinState.pins.dataHigh = high;
            showRange(dialog);
        }
        break;
    }
    case IDC_PIN_STROBE_SPIN: stepSpinField(dialog, IDC_PIN_STROBE, delta, 0, top, SpinEnds::Clamp); break;
    case IDC_PIN_SELECT_IN_SPIN: stepSpinField(dialog, IDC_PIN_SELECT_IN, delta, 0, top, SpinEnds::Clamp); break;
    default: stepSpinField(dialog, IDC_PIN_AUTO_FEED, delta, 0, top, SpinEnds::Clamp); break;
    }
    return setDialogResult(dialog, TRUE);
}

// OK accepts only pins that lie on real channels outside the data range, all different.
LRESULT onPinOk(HWND dialog, const Command&) {
    gen::PrinterPins pins = pinState.pins;
    const auto number = [&](int control) { return static_cast<int>(fieldInteger(dialog, control).value_or(-1)); };
    pins.strobe = number(IDC_PIN_STROBE);
    pins.selectIn = number(IDC_PIN_SELECT_IN);
    pins.autoFeed = number(IDC_PIN_AUTO_FEED);
    pins.busyEvent = std::max(0, comboSelection(dialog, IDC_PIN_BUSY)) + 1;
    if (gen::checkPrinterPins(pins, app().caps.channelCount) != Msg::None) {
        messageBox(dialog, Msg::ChannelConflict, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    keptPins() = pins;
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry pinMessages[] = {
    {WM_INITDIALOG, onPinInit},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_HELP, openHelpOnMessage<printerHelpTopic, pinDefineHelpContext>},
};
constexpr CommandEntry pinCommands[] = {
    {IDOK, onPinOk},
    {IDCANCEL, endDialogWith<IDCANCEL>},
    {IDC_PIN_HELP, openHelpOnCommand<printerHelpTopic, pinDefineHelpContext>},
};
constexpr NotifyEntry pinNotifications[] = {
    {IDC_PIN_RANGE_SPIN, UDN_DELTAPOS, onPinSpin},
    {IDC_PIN_STROBE_SPIN, UDN_DELTAPOS, onPinSpin},
    {IDC_PIN_SELECT_IN_SPIN, UDN_DELTAPOS, onPinSpin},
    {IDC_PIN_AUTO_FEED_SPIN, UDN_DELTAPOS, onPinSpin},
};
constexpr MessageTable pinTable{.messages = pinMessages, .commands = pinCommands, .notifications = pinNotifications};

// ---- the tool ---------------------------------------------------------------------------------------

// The file is the data source (Browse) or the edit is (Load, typing).
void useFileSource(HWND dialog, bool file) {
    enableControls(dialog, {IDC_PRINTER_FILE}, file);
    enableControls(dialog, {IDC_PRINTER_TEXT}, !file);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool->dialog = dialog;
    initGenerator(dialog);
    readStartPath(*placementStore(), printerKey(), app().workDirectory, generatorStartPath());
    return TRUE;
}

LRESULT onBrowse(HWND dialog, const Command&) {
    std::string path;
    if (!chooseFile(dialog, Msg::SelectFileTitle, {{Msg::TextFilesFilter, "*.txt"}}, "*.txt", path)) return TRUE;
    setFieldText(dialog, IDC_PRINTER_FILE, fromAnsi(path));
    useFileSource(dialog, true);
    return TRUE;
}

LRESULT onLoad(HWND dialog, const Command&) {
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_PRINTER_TEXT)) > 0 &&
        messageBox(dialog, Msg::Overwrite, MB_ICONWARNING | MB_YESNO) != IDYES)
        return TRUE;
    std::string text;
    const Msg error =
        gen::printerLoadFile(toAnsi(fieldText(dialog, IDC_PRINTER_FILE)), gen::printerSampleLimit(app().caps), text);
    if (error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    setFieldText(dialog, IDC_PRINTER_TEXT, fromAnsi(text));
    useFileSource(dialog, false);
    return TRUE;
}

LRESULT onDataChange(HWND dialog, const Command&) {
    if (IsWindowEnabled(GetDlgItem(dialog, IDC_PRINTER_FILE))) useFileSource(dialog, false);
    return TRUE;
}

LRESULT onSetup(HWND dialog, const Command&) {
    dialogBoxInLanguage(dialog, DialogDefinition{IDD_PIN_DEFINE, dialogProcedure<pinTable>});
    return TRUE;
}

LRESULT onRun(HWND dialog, const Command&) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, true); // beeps; the key event releases a wait
        return TRUE;
    }
    gen::PrinterSettings settings;
    settings.pins = keptPins();
    settings.lineFeed = isChecked(dialog, IDC_PRINTER_LINE_FEED);
    settings.formFeed = isChecked(dialog, IDC_PRINTER_FORM_FEED);
    settings.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    settings.section = isChecked(dialog, IDC_PRINTER_SECTION);
    gen::PrinterSource source;
    source.fromFile = !IsWindowEnabled(GetDlgItem(dialog, IDC_PRINTER_TEXT));
    source.text = toAnsi(fieldText(dialog, IDC_PRINTER_TEXT));
    source.path = toAnsi(fieldText(dialog, IDC_PRINTER_FILE));
    auto result = std::make_shared<gen::PrinterRunResult>();
    tool->result = result;
    startGeneratorRun(
        dialog,
        [settings, source, result](OutputPorts& ports) {
            *result = gen::runPrinter(ports, settings, source, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        },
        true);
    return TRUE;
}

// The thread ended: Section as the fit question left it; a run that did not start ends here, with
// the focus on Repeat when Repeat forbade running only what fits.
LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::PrinterRunResult& result = *tool->result;
    if (result.sectionChecked) setChecked(dialog, IDC_PRINTER_SECTION, true);
    if (runsOn || result.outcome.result == OutputResult::Stopped) return TRUE;
    endGeneratorRun(dialog);
    if (result.outcome.error == Msg::RepeatNeedsSections) SetFocus(GetDlgItem(dialog, IDC_GEN_REPEAT));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopGeneratorOutput(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    writeStartPath(*placementStore(), printerKey(), generatorStartPath());
    closeGenerator(dialog);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},       {WM_CLOSE, onClose},          {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},      {WM_TIMER, onGeneratorTimer}, {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_PRINTER_BROWSE, onBrowse, BN_CLICKED},
    {IDC_PRINTER_LOAD, onLoad, BN_CLICKED},
    {IDC_PRINTER_TEXT, onDataChange, EN_CHANGE},
    {IDC_PRINTER_SETUP, onSetup, BN_CLICKED},
    {IDC_PRINTER_RUN, onRun, BN_CLICKED},
    {IDC_PRINTER_STOP, onStop, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<printerHelpTopic, printerHelpContext>, BN_CLICKED},
    {IDC_GEN_REPEAT, ignoreCommand, BN_CLICKED},
    {IDC_PRINTER_LINE_FEED, ignoreCommand, BN_CLICKED},
    {IDC_PRINTER_FORM_FEED, ignoreCommand, BN_CLICKED},
    {IDC_PRINTER_SECTION, ignoreCommand, BN_CLICKED},
    {IDC_PRINTER_EXIT, postClose, BN_CLICKED},
};
constexpr MessageTable table{.messages = messages, .commands = commands};

} // namespace

void openPrinterTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument() || tool) return;
    tool = std::make_unique<PrinterTool>();
    openFunctionDialog(mainWindow, DialogDefinition{IDD_PRINTER, dialogProcedure<table>}, parameter);
    if (tool && !tool->dialog) tool.reset(); // another function dialog was open
}

HWND printerToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
