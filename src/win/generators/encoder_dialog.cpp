// The Encoder dialog: its controls move into EncoderSettings and runEncoder does the checks, the
// clock question and the output on the output thread. Nothing is kept in the registry; the rate
// unit stays as last chosen while the program runs.
#include "generators/encoder_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/help_topics.h"
#include "app/main_window.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/encoder.h"
#include "generators/generator_dialog.h"
#include "resource.h"

#include <commctrl.h>

#include <memory>

namespace qv::win {
namespace {

constexpr int helpContext = 118;
constexpr Msg unitCaptions[] = {Msg::FrequencyUnitMHz, Msg::FrequencyUnitKHz, Msg::FrequencyUnitHz};
constexpr int codeButtons[] = {IDC_ENCODER_NRZI, IDC_ENCODER_THOMAS, IDC_ENCODER_IEEE, IDC_ENCODER_DIFFERENTIAL};

RateUnit lastUnit = RateUnit::Mbps; // kept while the program runs

struct EncoderTool {
    HWND dialog = nullptr;
    std::shared_ptr<gen::EncoderRunResult> result;
    gen::EncoderSettings lastRun;
    bool halved = false;
};
std::unique_ptr<EncoderTool> tool;

void showUnit(HWND dialog) { setFieldText(dialog, IDC_GEN_RATE_UNIT, unitCaptions[static_cast<int>(lastUnit)]); }

gen::EncoderSettings readSettings(HWND dialog) {
    gen::EncoderSettings s;
    s.channel = static_cast<int>(std::clamp<long long>(fieldInteger(dialog, IDC_ENCODER_CHANNEL).value_or(-1), -1, 64));
    for (int k = 0; k < 4; ++k)
        if (isChecked(dialog, codeButtons[k])) s.code = static_cast<gen::LineCode>(k);
    s.lsbFirst = isChecked(dialog, IDC_ENCODER_LSB);
    s.rateHz = rateOf(dialog, lastUnit);
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    return s;
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool->dialog = dialog;
    initGenerator(dialog);
    for (int spin : {IDC_ENCODER_CHANNEL_SPIN, IDC_GEN_RATE_SPIN})
        SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 2);
    setFieldInteger(dialog, IDC_ENCODER_CHANNEL, 0);
    setChecked(dialog, IDC_ENCODER_NRZI, true);
    setChecked(dialog, IDC_ENCODER_MSB, true);
    setFieldText(dialog, IDC_GEN_RATE, std::string("1"));
    showUnit(dialog);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const bool up = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0;
    if (header.idFrom == IDC_ENCODER_CHANNEL_SPIN)
        stepSpinField(dialog, IDC_ENCODER_CHANNEL, up ? 1 : -1, 0, app().caps.channelCount - 1, SpinEnds::Wrap);
    else
        stepRate(dialog, lastUnit, up);
    return setDialogResult(dialog, TRUE);
}

LRESULT onUnit(HWND dialog, const Command&) {
    lastUnit = nextRateUnit(lastUnit);
    showUnit(dialog);
    return TRUE;
}

LRESULT onSample(HWND dialog, const Command&) {
    setFieldText(dialog, IDC_ENCODER_DATA, std::string(gen::encoderSampleText));
    return TRUE;
}

LRESULT onRun(HWND dialog, const Command&) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, false); // beeps
        return TRUE;
    }
    const gen::EncoderSettings settings = readSettings(dialog);
    tool->lastRun = settings;
    tool->halved = gen::encoderRate(settings, app().caps).halved;
    auto result = std::make_shared<gen::EncoderRunResult>();
    tool->result = result;
    const std::string text = toUtf8(fieldText(dialog, IDC_ENCODER_DATA));
    enableControls(dialog, {IDC_GEN_RUN}, false);
    startGeneratorRun(
        dialog,
        [settings, text, result](OutputPorts& ports) {
            *result = gen::runEncoder(ports, settings, text, generatorBuffer());
            return result->outcome.result == OutputResult::Running;
        },
        false);
    return TRUE;
}

int focusFor(Msg error) {
    switch (error) {
    case Msg::ErrorChannelSetting: return IDC_ENCODER_CHANNEL;
    case Msg::EncoderNoData:
    case Msg::CantRunDataTooBig: return IDC_ENCODER_DATA;
    case Msg::RateOutOfRange:
    case Msg::RateNotANumber:
    case Msg::RateNotAboveZero: return IDC_GEN_RATE;
    default: return 0;
    }
}

// The thread ended: a halved Manchester rate is shown in MHz, a nearby clock's rate in the unit
// shown; a run that did not start returns the tool to idle.
LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::EncoderRunResult& result = *tool->result;
    if (result.outcome.error == Msg::None && result.rateHz > 0 && result.rateHz != tool->lastRun.rateHz) {
        if (tool->halved) lastUnit = RateUnit::Mbps;
        setFieldText(dialog, IDC_GEN_RATE, rateFieldText(result.rateHz, lastUnit));
        showUnit(dialog);
    }
    if (runsOn) return TRUE;
    endGeneratorRun(dialog);
    enableControls(dialog, {IDC_GEN_RUN}, true);
    if (const int focus = focusFor(result.outcome.error); focus != 0) SetFocus(GetDlgItem(dialog, focus));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopGeneratorOutput(dialog);
    enableControls(dialog, {IDC_GEN_RUN}, true);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    closeGenerator(dialog);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},       {WM_CLOSE, onClose},          {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},      {WM_TIMER, onGeneratorTimer}, {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
};
constexpr CommandEntry commands[] = {
    {IDC_GEN_RUN, onRun, BN_CLICKED},
    {IDC_ENCODER_STOP, onStop, BN_CLICKED},
    {IDC_GEN_RATE_UNIT, onUnit, BN_CLICKED},
    {IDC_ENCODER_SAMPLE, onSample, BN_CLICKED},
    {IDC_GEN_HELP, openHelpOnCommand<encoderHelpTopic, helpContext>, BN_CLICKED},
    {IDC_GEN_EXIT, postClose, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_ENCODER_CHANNEL_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_GEN_RATE_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openEncoderTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument() || tool) return;
    tool = std::make_unique<EncoderTool>();
    openFunctionDialog(mainWindow, DialogDefinition{IDD_ENCODER, dialogProcedure<table>}, parameter);
    if (tool && !tool->dialog) tool.reset(); // another function dialog was open
}

HWND encoderToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
