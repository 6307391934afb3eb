// The I2C dialog moves its controls into I2cSettings and the statement text to core: runI2c on
// the output thread, checkI2c and buildI2cForConvert for Convert. Run locks the settings, the
// text, the file buttons, "Repeat" and "Convert" until Stop; a build error runs Stop itself. Exit
// is id 1 and Convert id 2, but the framework keeps Enter and Esc from sending them.
#include "app/help_topics.h"
#include "generators/i2c_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/generator_dialog.h"
#include "generators/i2c.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <memory>

namespace qv::win {
namespace {

constexpr int i2cHelpContext = 107;

constexpr int runLockedControls[] = {
    IDC_I2C_DEFAULT_OUT, IDC_I2C_CUSTOM_OUT, IDC_I2C_SCL,   IDC_I2C_WAIT_EVENT, IDC_I2C_OPEN,      IDC_I2C_SAVE,
    IDC_I2C_7BIT,        IDC_I2C_7BIT_RW,    IDC_I2C_10BIT, IDC_GEN_RATE,       IDC_GEN_RATE_SPIN, IDC_GEN_RATE_UNIT,
    IDC_I2C_TEXT,        IDC_I2C_SAMPLE,     IDC_GEN_CLEAR, IDC_GEN_REPEAT,     IDC_I2C_CONVERT,
};
constexpr int addressingButtons[] = {IDC_I2C_7BIT, IDC_I2C_7BIT_RW, IDC_I2C_10BIT}; // I2cAddressing order

struct I2cTool {
    HWND dialog = nullptr;
    RateUnit unit = RateUnit::Kbps;
    gen::I2cAddressing addressing = gen::I2cAddressing::SevenBit;
    bool settingUp = true; // the SCL field's first text does not move the SDA field
    std::shared_ptr<gen::I2cRunResult> result;
};
std::unique_ptr<I2cTool> tool;

int channelField(HWND dialog, int control) {
    const auto value = fieldInteger(dialog, control);
    return value && *value >= 0 && *value < 1000 ? static_cast<int>(*value) : -1;
}

gen::I2cSettings readSettings(HWND dialog) {
    gen::I2cSettings s;
    s.customOut = isChecked(dialog, IDC_I2C_CUSTOM_OUT);
    s.sclChannel = channelField(dialog, IDC_I2C_SCL);
    s.sdaChannel = channelField(dialog, IDC_I2C_SDA);
    s.waitEvent1 = isChecked(dialog, IDC_I2C_WAIT_EVENT);
    s.addressing = tool->addressing;
    s.rateBitsPerSecond = rateOf(dialog, tool->unit);
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    return s;
}

std::string statementText(HWND dialog) { return toAnsi(fieldText(dialog, IDC_I2C_TEXT)); }

void showError(HWND dialog, Msg error) {
    messageBox(dialog, error, MB_ICONERROR | MB_OK, Msg::Caption, fromAnsi(gen::i2cMessageArgument(error, app().caps)));
}

void selectAddressing(HWND dialog, gen::I2cAddressing addressing) {
    tool->addressing = addressing;
    for (int i = 0; i < 3; ++i) setChecked(dialog, addressingButtons[i], i == static_cast<int>(addressing));
}

void selectOutput(HWND dialog, bool custom) {
    setChecked(dialog, IDC_I2C_DEFAULT_OUT, !custom);
    setChecked(dialog, IDC_I2C_CUSTOM_OUT, custom);
    enableControls(dialog, {IDC_I2C_SCL}, custom);
}

// The idle enabling: what Run locked, the SCL field only with "Custom Out", "Default Out" not on
// the models that have only channels, the SDA field never (it follows SCL).
void enableIdleControls(HWND dialog) {
    for (int control : runLockedControls) EnableWindow(GetDlgItem(dialog, control), TRUE);
    enableControls(dialog, {IDC_I2C_SCL}, isChecked(dialog, IDC_I2C_CUSTOM_OUT));
    enableControls(dialog, {IDC_I2C_DEFAULT_OUT}, !gen::i2cCustomOutForced(app().caps.modelCode));
    enableControls(dialog, {IDC_I2C_SDA}, false);
}

void stopI2c(HWND dialog) {
    stopGeneratorOutput(dialog);
    enableIdleControls(dialog);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<I2cTool>();
    tool->dialog = dialog;
    initGenerator(dialog);
    const gen::I2cSettings s = gen::i2cDefaults(app().caps.modelCode);
    setFieldInteger(dialog, IDC_I2C_SCL, s.sclChannel);
    setFieldInteger(dialog, IDC_I2C_SDA, s.sdaChannel);
    selectOutput(dialog, s.customOut);
    showControls(dialog, {IDC_I2C_NONE_HIZ}, false);
    selectAddressing(dialog, s.addressing);
    SendDlgItemMessageW(dialog, IDC_GEN_RATE_SPIN, UDM_SETRANGE32, 0, 100);
    showRate(dialog, rateFieldText(s.rateBitsPerSecond, tool->unit), tool->unit);
    setChecked(dialog, IDC_GEN_REPEAT, s.repeat);
    enableIdleControls(dialog);
    tool->settingUp = false;
    return TRUE;
}

LRESULT onRun(HWND dialog, const Command&) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, true); // beeps and gives the key event
        return TRUE;
    }
    const gen::I2cSettings settings = readSettings(dialog);
    const std::string text = statementText(dialog);
    auto result = std::make_shared<gen::I2cRunResult>();
    tool->result = result;
    if (hasDocument()) document().clearSamples();
    for (int control : runLockedControls) EnableWindow(GetDlgItem(dialog, control), FALSE);
    const bool started = startGeneratorRun(
        dialog,
        [settings, text, result](OutputPorts& ports) {
            *result = gen::runI2c(ports, settings, text, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        },
        true);
    if (!started) enableIdleControls(dialog);
    return TRUE;
}

LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::I2cRunResult& result = *tool->result;
    if (runsOn) {
        if (result.repeatDisabled) setChecked(dialog, IDC_GEN_REPEAT, false);
        return TRUE;
    }
    stopI2c(dialog);
    // SDA follows SCL (its own field is never enabled): both channel errors are mended in the SCL field.
    if (result.outcome.error == Msg::I2cSclChannelRange || result.outcome.error == Msg::I2cSdaChannelClash)
        SetFocus(GetDlgItem(dialog, IDC_I2C_SCL));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopI2c(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    closeGenerator(dialog);
    return TRUE;
}

LRESULT onAddressing(HWND dialog, const Command& command) {
    for (int i = 0; i < 3; ++i)
        if (command.id == addressingButtons[i]) selectAddressing(dialog, static_cast<gen::I2cAddressing>(i));
    return TRUE;
}

LRESULT onDefaultOut(HWND dialog, const Command&) {
    selectOutput(dialog, false);
    return TRUE;
}

LRESULT onCustomOut(HWND dialog, const Command&) {
    selectOutput(dialog, true);
    return TRUE;
}

// Any change of the SCL field puts SCL + 1 into the SDA field.
LRESULT onSclChange(HWND dialog, const Command&) {
    if (tool == nullptr || tool->settingUp) return TRUE;
    gen::I2cSettings s;
    const int scl = channelField(dialog, IDC_I2C_SCL);
    if (scl < 0) return TRUE;
    gen::setI2cSclChannel(s, scl);
    setFieldInteger(dialog, IDC_I2C_SDA, s.sdaChannel);
    return TRUE;
}

LRESULT onImport(HWND dialog, const Command&) {
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_I2C_TEXT)) > 0 &&
        messageBox(dialog, Msg::FileExistOverwrite, MB_ICONQUESTION | MB_YESNO) != IDYES)
        return TRUE;
    std::string text;
    if (importDataText(dialog, IDC_I2C_FILE, text)) setFieldText(dialog, IDC_I2C_TEXT, fromAnsi(text));
    return TRUE;
}

LRESULT onExport(HWND dialog, const Command&) {
    exportDataText(dialog, IDC_I2C_FILE, statementText(dialog));
    return TRUE;
}

LRESULT onSample(HWND dialog, const Command&) {
    setFieldText(dialog, IDC_I2C_TEXT, std::string(gen::i2cSampleText(tool->addressing)));
    return TRUE;
}

LRESULT onClear(HWND dialog, const Command&) {
    setFieldText(dialog, IDC_I2C_TEXT, std::wstring());
    if (hasDocument() && !generatorRunning()) document().clearSamples();
    return TRUE;
}

LRESULT onRateUnit(HWND dialog, const Command&) {
    tool->unit = cycleRateUnit(dialog, tool->unit);
    return TRUE;
}

LRESULT onRateSpin(HWND dialog, NMHDR& header) {
    stepRate(dialog, tool->unit, reinterpret_cast<NMUPDOWN&>(header).iDelta > 0);
    return setDialogResult(dialog, TRUE);
}

LRESULT onConvert(HWND dialog, const Command&) {
    if (generatorRunning()) return TRUE; // Convert is reachable from idle only
    const gen::I2cSettings s = readSettings(dialog);
    const std::string text = statementText(dialog);
    gen::I2cProgram program;
    if (const Msg error = gen::checkI2c(s, text, app().caps, program); error != Msg::None) {
        showError(dialog, error);
        return TRUE;
    }
    document().clearSamples();
    gen::I2cBuild built;
    if (const Msg error = gen::buildI2cForConvert(s, text, app().caps, deviceCardType(), generatorBuffer(), built);
        error != Msg::None) {
        showError(dialog, error);
        return TRUE;
    }
    handOffToWaveEditor(dialog, {{"I2C_SCL", built.sclChannel}, {"I2C_SDA", built.sdaChannel}},
                        gen::i2cSampleClock(s, program.readMode));
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},       {WM_CLOSE, onClose},          {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},      {WM_TIMER, onGeneratorTimer}, {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_I2C_RUN, onRun, BN_CLICKED},
    {IDC_I2C_STOP, onStop, BN_CLICKED},
    {IDC_I2C_7BIT, onAddressing, BN_CLICKED},
    {IDC_I2C_7BIT_RW, onAddressing, BN_CLICKED},
    {IDC_I2C_10BIT, onAddressing, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<i2cHelpTopic, i2cHelpContext>, BN_CLICKED},
    {IDC_I2C_OPEN, onImport, BN_CLICKED},
    {IDC_I2C_SAVE, onExport, BN_CLICKED},
    {IDC_I2C_EXIT, postClose, BN_CLICKED},
    {IDC_I2C_DEFAULT_OUT, onDefaultOut, BN_CLICKED},
    {IDC_I2C_CUSTOM_OUT, onCustomOut, BN_CLICKED},
    {IDC_I2C_SCL, onSclChange, EN_CHANGE},
    {IDC_GEN_CLEAR, onClear, BN_CLICKED},
    {IDC_I2C_SAMPLE, onSample, BN_CLICKED},
    {IDC_GEN_RATE_UNIT, onRateUnit, BN_CLICKED},
    {IDC_I2C_CONVERT, onConvert, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {{IDC_GEN_RATE_SPIN, UDN_DELTAPOS, onRateSpin}};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openI2cTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument() || app().openDialog) return;
    SetWindowPos(mainWindow, nullptr, GetSystemMetrics(SM_CXSCREEN) / 4, GetSystemMetrics(SM_CYSCREEN) / 3, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    openFunctionDialog(mainWindow, DialogDefinition{IDD_I2C, dialogProcedure<table>}, parameter);
}

HWND i2cToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
