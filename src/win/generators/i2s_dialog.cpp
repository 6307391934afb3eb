// The I2S dialog moves its controls into I2sSettings and the data text to core (runI2s on the
// output thread). The SCK spin wraps over the channels the model allows and moves WS and SD with
// it; the manual SCK frequency has its own unit button ("MHz", "KHz", "Hz"), whose last choice
// stays while the program runs. Run locks the settings until Stop; a second Run gives the key
// event. No Convert.
#include "generators/i2s_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/help_topics.h"
#include "app/main_window.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/generator_dialog.h"
#include "generators/i2s.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace qv::win {
namespace {

constexpr int i2sHelpContext = 118;
constexpr int defaultWidthIndex = 1; // "16 bits"
constexpr char presetTexts[][12] = {"2.048 Mbps", "2.8224 Mbps", "3.072 Mbps"};
constexpr Msg unitCaptions[] = {Msg::I2sUnitMHz, Msg::I2sUnitKHz, Msg::I2sUnitHz}; // RateUnit order

constexpr int runLockedControls[] = {
    IDC_I2S_SCK,        IDC_I2S_SCK_SPIN, IDC_I2S_WIDTH, IDC_I2S_PRESET, IDC_I2S_PRESET_CLOCK, IDC_I2S_CLOCK,
    IDC_I2S_CLOCK_SPIN, IDC_I2S_UNIT,     IDC_I2S_TEXT,  IDC_I2S_EXPORT, IDC_I2S_IMPORT,       IDC_I2S_SAMPLE,
    IDC_I2S_REPEAT,     IDC_I2S_RUN,      IDC_I2S_EXIT,  IDC_I2S_HELP,
};

// The unit of the manual frequency and its text outlive the dialog, as the program's last choice.
RateUnit& lastUnit() {
    static RateUnit unit = RateUnit::Mbps;
    return unit;
}

struct I2sTool {
    HWND dialog = nullptr;
    std::shared_ptr<gen::I2sRunResult> result;
    gen::I2sSettings lastRun;
};
std::unique_ptr<I2sTool> tool;

gen::I2sSettings readSettings(HWND dialog) {
    gen::I2sSettings s;
    const auto sck = fieldInteger(dialog, IDC_I2S_SCK);
    s.sckChannel = sck && *sck >= 0 && *sck < 1000 ? static_cast<int>(*sck) : -1;
    const int width = comboSelection(dialog, IDC_I2S_WIDTH);
    s.width = width >= 0 ? gen::i2sWidths[width] : 0;
    s.preset = isChecked(dialog, IDC_I2S_PRESET);
    s.presetIndex = std::max(comboSelection(dialog, IDC_I2S_PRESET_CLOCK), 0);
    s.sckHz = rateBitsPerSecond(toUtf8(fieldText(dialog, IDC_I2S_CLOCK)), lastUnit())
                  .value_or(std::numeric_limits<double>::quiet_NaN());
    s.repeat = isChecked(dialog, IDC_I2S_REPEAT);
    return s;
}

void showChannels(HWND dialog, int sck) {
    setFieldInteger(dialog, IDC_I2S_SCK, sck);
    setFieldInteger(dialog, IDC_I2S_WS, sck + 1);
    setFieldInteger(dialog, IDC_I2S_SD, sck + 2);
}

void enableIdleControls(HWND dialog) {
    for (int control : runLockedControls) EnableWindow(GetDlgItem(dialog, control), TRUE);
    const bool preset = isChecked(dialog, IDC_I2S_PRESET);
    enableControls(dialog, {IDC_I2S_PRESET_CLOCK}, preset);
    enableControls(dialog, {IDC_I2S_CLOCK, IDC_I2S_CLOCK_SPIN, IDC_I2S_UNIT}, !preset);
    enableControls(dialog, {IDC_I2S_WS, IDC_I2S_SD}, false);
}

void stopI2s(HWND dialog) {
    stopGeneratorOutput(dialog);
    enableIdleControls(dialog);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<I2sTool>();
    tool->dialog = dialog;
    initGenerator(dialog);
    const gen::I2sSettings s;
    showChannels(dialog, s.sckChannel);
    const std::wstring item = loadString(Msg::I2sWidthItem); // "%s bits" in the dialog's language
    for (int width : gen::i2sWidths) {
        std::wstring text = item;
        if (const std::size_t at = text.find(L"%s"); at != std::wstring::npos)
            text.replace(at, 2, std::to_wstring(width));
        addComboItem(dialog, IDC_I2S_WIDTH, text, width);
    }
    selectComboIndex(dialog, IDC_I2S_WIDTH, defaultWidthIndex);
    for (const char* text : presetTexts) addComboItem(dialog, IDC_I2S_PRESET_CLOCK, fromAnsi(text), 0);
    selectComboIndex(dialog, IDC_I2S_PRESET_CLOCK, 0);
    for (int spin : {IDC_I2S_SCK_SPIN, IDC_I2S_CLOCK_SPIN}) SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 100);
    setFieldText(dialog, IDC_I2S_CLOCK, rateFieldText(s.sckHz, lastUnit()));
    setFieldText(dialog, IDC_I2S_UNIT, unitCaptions[static_cast<int>(lastUnit())]);
    setChecked(dialog, IDC_I2S_REPEAT, s.repeat);
    enableIdleControls(dialog);
    return TRUE;
}

LRESULT onRun(HWND dialog, const Command&) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, true); // beeps and gives the key event
        return TRUE;
    }
    const gen::I2sSettings settings = readSettings(dialog);
    const std::string text = toAnsi(fieldText(dialog, IDC_I2S_TEXT));
    auto result = std::make_shared<gen::I2sRunResult>();
    tool->result = result;
    tool->lastRun = settings;
    if (hasDocument()) document().clearSamples();
    for (int control : runLockedControls) EnableWindow(GetDlgItem(dialog, control), FALSE);
    const bool started = startGeneratorRun(
        dialog,
        [settings, text, result](OutputPorts& ports) {
            *result = gen::runI2s(ports, settings, text, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        },
        true);
    if (!started) enableIdleControls(dialog);
    return TRUE;
}

// The thread ended: the SCK taken after "Default nearby?" written back into the manual field (in
// its unit, without a trailing point); a run that did not start returns the tool to idle.
LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::I2sRunResult& result = *tool->result;
    if (result.outcome.result == OutputResult::Running &&
        result.outcome.clockHz != gen::i2sSampleClock(tool->lastRun) && !tool->lastRun.preset) {
        std::string text = rateFieldText(result.sckHz, lastUnit());
        if (text.ends_with('.')) text.pop_back();
        setFieldText(dialog, IDC_I2S_CLOCK, text);
    }
    if (runsOn) return TRUE;
    stopI2s(dialog);
    if (result.outcome.error == Msg::ErrorChannelSetting) SetFocus(GetDlgItem(dialog, IDC_I2S_SCK));
    if (result.outcome.error == Msg::I2sStatementUnreadable || result.outcome.error == Msg::I2sNoWords)
        SetFocus(GetDlgItem(dialog, IDC_I2S_TEXT));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopI2s(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    closeGenerator(dialog);
    return TRUE;
}

LRESULT onPreset(HWND dialog, const Command&) {
    enableIdleControls(dialog);
    return TRUE;
}

LRESULT onUnit(HWND dialog, const Command&) {
    lastUnit() = nextRateUnit(lastUnit());
    setFieldText(dialog, IDC_I2S_UNIT, unitCaptions[static_cast<int>(lastUnit())]);
    return TRUE;
}

LRESULT onExport(HWND dialog, const Command&) {
    exportDataText(dialog, 0, toAnsi(fieldText(dialog, IDC_I2S_TEXT)));
    return TRUE;
}

LRESULT onImport(HWND dialog, const Command&) {
    std::string text;
    if (importDataText(dialog, 0, text)) setFieldText(dialog, IDC_I2S_TEXT, fromAnsi(text));
    return TRUE;
}

LRESULT onSample(HWND dialog, const Command&) {
    setFieldText(dialog, IDC_I2S_TEXT, std::string(gen::i2sSampleText));
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const bool up = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0;
    if (header.idFrom == IDC_I2S_SCK_SPIN) {
        const long long sck =
            stepSpinField(dialog, IDC_I2S_SCK, up ? 1 : -1, 0, gen::i2sHighestSckChannel(app().caps), SpinEnds::Wrap);
        showChannels(dialog, static_cast<int>(sck));
    } else {
        const int tenths = spinRateTenths(toUtf8(fieldText(dialog, IDC_I2S_CLOCK)), lastUnit(), up);
        setFieldText(dialog, IDC_I2S_CLOCK, rateTenthsText(tenths));
    }
    return setDialogResult(dialog, TRUE);
}

LRESULT onSckChange(HWND dialog, const Command&) {
    if (!tool) return TRUE;
    const auto sck = fieldInteger(dialog, IDC_I2S_SCK);
    if (sck && *sck >= 0 && *sck < 1000) {
        setFieldInteger(dialog, IDC_I2S_WS, *sck + 1);
        setFieldInteger(dialog, IDC_I2S_SD, *sck + 2);
    }
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},       {WM_CLOSE, onClose},          {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},      {WM_TIMER, onGeneratorTimer}, {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_I2S_RUN, onRun, BN_CLICKED},       {IDC_I2S_UNIT, onUnit, BN_CLICKED},
    {IDC_I2S_EXPORT, onExport, BN_CLICKED}, {IDC_I2S_IMPORT, onImport, BN_CLICKED},
    {IDC_I2S_SAMPLE, onSample, BN_CLICKED}, {IDC_I2S_STOP, onStop, BN_CLICKED},
    {IDC_I2S_EXIT, postClose, BN_CLICKED},  {IDC_I2S_HELP, openHelpOnCommand<i2sHelpTopic, i2sHelpContext>, BN_CLICKED},
    {IDC_I2S_PRESET, onPreset, BN_CLICKED}, {IDC_I2S_SCK, onSckChange, EN_CHANGE},
};
constexpr NotifyEntry notifications[] = {
    {IDC_I2S_SCK_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_I2S_CLOCK_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openI2sTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_I2S, dialogProcedure<table>}, parameter);
}

HWND i2sToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
