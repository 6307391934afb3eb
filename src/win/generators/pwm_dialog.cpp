// The PWM dialog: its controls move into PwmSettings; runPwm does the checks, the clock question
// and the output on the output thread, exportPwmQvv the Export. Run disables what a running
// period depends on; editing a duty while output runs stops it. Nothing is kept in the registry.
#include "generators/pwm_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/help_topics.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/generator_dialog.h"
#include "generators/pwm.h"
#include "resource.h"
#include "support/file_io.h"
#include "support/text_fill.h"

#include <commctrl.h>

#include <cmath>
#include <limits>
#include <memory>

namespace qv::win {
namespace {

constexpr int helpContext = 107;
constexpr Msg unitCaptions[] = {Msg::FrequencyUnitMHz, Msg::FrequencyUnitKHz, Msg::FrequencyUnitHz};
constexpr int stepCaptionDivisors[] = {100000000, 1000000}; // F / 100,000,000 MHz, F / 1,000,000 KHz
constexpr int maxDutyTenths = 1000;
// What a running period depends on: disabled by Run, enabled by Stop.
constexpr int runLocked[] = {IDC_GEN_RUN,           IDC_GEN_REPEAT,    IDC_PWM_FILE,           IDC_PWM_EXPORT,
                             IDC_PWM_UNIT,          IDC_PWM_FREQUENCY, IDC_PWM_FREQUENCY_SPIN, IDC_PWM_CHANNEL1,
                             IDC_PWM_CHANNEL1_SPIN, IDC_PWM_CHANNEL2,  IDC_PWM_CHANNEL2_SPIN};

struct PwmTool {
    HWND dialog = nullptr;
    RateUnit unit = RateUnit::Kbps;
    std::shared_ptr<gen::PwmRunResult> result;
    gen::PwmSettings lastRun;
};
std::unique_ptr<PwmTool> tool;

void lockRunControls(HWND dialog, bool locked) {
    for (int control : runLocked) EnableWindow(GetDlgItem(dialog, control), locked ? FALSE : TRUE);
}

gen::DutyStep stepOf(HWND dialog) {
    return isChecked(dialog, IDC_PWM_STEP_TENTH) ? gen::DutyStep::Tenth : gen::DutyStep::Percent;
}

gen::PwmSettings readSettings(HWND dialog) {
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    gen::PwmSettings s;
    s.channel1 = static_cast<int>(std::clamp<long long>(fieldInteger(dialog, IDC_PWM_CHANNEL1).value_or(-1), -1, 64));
    s.channel2 = static_cast<int>(std::clamp<long long>(fieldInteger(dialog, IDC_PWM_CHANNEL2).value_or(-1), -1, 64));
    s.frequencyHz = rateBitsPerSecond(toUtf8(fieldText(dialog, IDC_PWM_FREQUENCY)), tool->unit).value_or(none);
    s.step = stepOf(dialog);
    s.duty1 = fieldNumber(dialog, IDC_PWM_DUTY1).value_or(none);
    s.duty2 = fieldNumber(dialog, IDC_PWM_DUTY2).value_or(none);
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    return s;
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool->dialog = dialog;
    initGenerator(dialog);
    for (int spin :
         {IDC_PWM_CHANNEL1_SPIN, IDC_PWM_CHANNEL2_SPIN, IDC_PWM_FREQUENCY_SPIN, IDC_PWM_DUTY1_SPIN, IDC_PWM_DUTY2_SPIN})
        SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 2);
    setFieldInteger(dialog, IDC_PWM_CHANNEL1, 0);
    setFieldInteger(dialog, IDC_PWM_CHANNEL2, 1);
    setFieldText(dialog, IDC_PWM_FREQUENCY, std::string("100"));
    setFieldText(dialog, IDC_PWM_UNIT, unitCaptions[static_cast<int>(tool->unit)]);
    setFieldText(dialog, IDC_PWM_DUTY1, std::string("50"));
    setFieldText(dialog, IDC_PWM_DUTY2, std::string("50"));
    const int f = app().caps.maxOutputFrequency;
    setFieldText(dialog, IDC_PWM_STEP_PERCENT,
                 fillMarkers(loadString(Msg::PwmDutyStepPercent), {std::to_wstring(f / stepCaptionDivisors[0])}));
    setFieldText(dialog, IDC_PWM_STEP_TENTH,
                 fillMarkers(loadString(Msg::PwmDutyStepTenth), {std::to_wstring(f / stepCaptionDivisors[1])}));
    setChecked(dialog, IDC_PWM_STEP_PERCENT, true);
    setChecked(dialog, IDC_GEN_REPEAT, true);
    return TRUE;
}

// A duty spin: whole percent wrapping 0 <-> 100, or tenths without wrapping.
void stepDuty(HWND dialog, int field, bool up) {
    if (stepOf(dialog) == gen::DutyStep::Percent) {
        stepSpinField(dialog, field, up ? 1 : -1, 0, 100, SpinEnds::Wrap);
        return;
    }
    const double value = fieldNumber(dialog, field).value_or(0.0);
    const int tenths = std::clamp(static_cast<int>(std::trunc(value * 10.0 + 1e-6)) + (up ? 1 : -1), 0, maxDutyTenths);
    setFieldText(dialog, field, rateTenthsText(tenths));
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const bool up = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0;
    const int top = app().caps.channelCount - 1;
    switch (header.idFrom) {
    case IDC_PWM_CHANNEL1_SPIN: stepSpinField(dialog, IDC_PWM_CHANNEL1, up ? 1 : -1, 0, top, SpinEnds::Wrap); break;
    case IDC_PWM_CHANNEL2_SPIN: stepSpinField(dialog, IDC_PWM_CHANNEL2, up ? 1 : -1, 0, top, SpinEnds::Wrap); break;
    case IDC_PWM_DUTY1_SPIN: stepDuty(dialog, IDC_PWM_DUTY1, up); break;
    case IDC_PWM_DUTY2_SPIN: stepDuty(dialog, IDC_PWM_DUTY2, up); break;
    default: {
        const int tenths = spinRateTenths(toUtf8(fieldText(dialog, IDC_PWM_FREQUENCY)), tool->unit, up);
        setFieldText(dialog, IDC_PWM_FREQUENCY, rateTenthsText(tenths));
    }
    }
    return setDialogResult(dialog, TRUE);
}

LRESULT onUnit(HWND dialog, const Command&) {
    tool->unit = nextRateUnit(tool->unit);
    setFieldText(dialog, IDC_PWM_UNIT, unitCaptions[static_cast<int>(tool->unit)]);
    return TRUE;
}

void showRefusal(HWND dialog, Msg error, const std::string& argument) {
    messageBox(dialog, error, MB_ICONERROR | MB_OK, Msg::Caption, fromUtf8(argument));
}

int focusFor(Msg error) {
    switch (error) {
    case Msg::ErrorChannelSetting:
    case Msg::PwmSameChannel: return IDC_PWM_CHANNEL2;
    case Msg::PwmDutyRange: return IDC_PWM_DUTY1;
    case Msg::PwmOutOfRangeMHz:
    case Msg::PwmOutOfRangeKHz:
    case Msg::RateNotANumber:
    case Msg::RateNotAboveZero: return IDC_PWM_FREQUENCY;
    default: return 0;
    }
}

LRESULT onRun(HWND dialog, const Command&) {
    if (generatorRunning()) {
        startGeneratorRun(dialog, {}, true); // beeps and sends the key event
        return TRUE;
    }
    const gen::PwmSettings settings = readSettings(dialog);
    tool->lastRun = settings;
    auto result = std::make_shared<gen::PwmRunResult>();
    tool->result = result;
    lockRunControls(dialog, true);
    if (!startGeneratorRun(
            dialog,
            [settings, result](OutputPorts& ports) {
                *result = gen::runPwm(ports, settings, generatorBuffer());
                return result->outcome.result == OutputResult::Running;
            },
            true))
        lockRunControls(dialog, false);
    return TRUE;
}

// The thread ended: a nearby clock is written back as the frequency it gives; a run that did not
// start returns the tool to idle with the refused field focused.
LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result) return TRUE;
    const gen::PwmRunResult& result = *tool->result;
    const int steps = gen::pwmStepsPerPeriod(tool->lastRun.step);
    if (result.clockHz > 0 && result.clockHz != nearestHertz(tool->lastRun.frequencyHz) * steps)
        setFieldText(dialog, IDC_PWM_FREQUENCY, rateFieldText(double(result.clockHz) / steps, tool->unit));
    if (runsOn) return TRUE;
    endGeneratorRun(dialog);
    lockRunControls(dialog, false);
    if (const int focus = focusFor(result.outcome.error); focus != 0) SetFocus(GetDlgItem(dialog, focus));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopGeneratorOutput(dialog);
    lockRunControls(dialog, false);
    return TRUE;
}

// Editing a duty while the period runs ends the output (the running period no longer matches).
LRESULT onDutyChange(HWND dialog, const Command& command) {
    if (generatorRunning()) return onStop(dialog, command);
    return TRUE;
}

LRESULT onExport(HWND dialog, const Command&) {
    FileNameRequest request;
    request.save = true;
    request.owner = dialog;
    request.title = Msg::SaveFileTitle;
    request.filters = {{Msg::PwmExportFilter, "*.qvv"}};
    request.initialName = "*.qvv";
    request.defaultExtension = "qvv";
    request.initialDirectory = generatorStartPath();
    std::string path;
    if (!chooseFileName(request, path)) return TRUE;
    if (fileExists(path) && messageBox(dialog, Msg::FileExistOverwrite, MB_ICONQUESTION | MB_YESNO) != IDYES)
        return TRUE;
    std::string argument;
    const Msg error = gen::exportPwmQvv(readSettings(dialog), app().caps, app().workDirectory, path, argument);
    if (error != Msg::None) {
        showRefusal(dialog, error, argument);
        if (const int focus = focusFor(error); focus != 0) SetFocus(GetDlgItem(dialog, focus));
        return TRUE;
    }
    setFieldText(dialog, IDC_PWM_FILE, fromAnsi(path));
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
    {IDC_PWM_STOP, onStop, BN_CLICKED},
    {IDC_PWM_UNIT, onUnit, BN_CLICKED},
    {IDC_PWM_EXPORT, onExport, BN_CLICKED},
    {IDC_PWM_DUTY1, onDutyChange, EN_CHANGE},
    {IDC_PWM_DUTY2, onDutyChange, EN_CHANGE},
    {IDC_GEN_HELP, openHelpOnCommand<pwmHelpTopic, helpContext>, BN_CLICKED},
    {IDC_GEN_EXIT, postClose, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_PWM_CHANNEL1_SPIN, UDN_DELTAPOS, onSpin},  {IDC_PWM_CHANNEL2_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_PWM_FREQUENCY_SPIN, UDN_DELTAPOS, onSpin}, {IDC_PWM_DUTY1_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_PWM_DUTY2_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openPwmTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument() || tool) return;
    tool = std::make_unique<PwmTool>();
    openFunctionDialog(mainWindow, DialogDefinition{IDD_PWM, dialogProcedure<table>}, parameter);
    if (tool && !tool->dialog) {
        tool.reset(); // another function dialog was open
        return;
    }
    // The small tool stands a quarter of the desktop from its left and a third from its top; the
    // placement saved at opening puts the main window back when the tool closes.
    SetWindowPos(mainWindow, nullptr, GetSystemMetrics(SM_CXSCREEN) / 4, GetSystemMetrics(SM_CYSCREEN) / 3, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}

HWND pwmToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
