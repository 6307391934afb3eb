// Sweep. The timer runs on the dialog's thread; each tick is one qvSetFreq through core, which
// also says when a One Time sweep is over. Closing the dialog stops the sweep where it stands.
#include "waveedit/sweep_dialog.h"

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "resource.h"
#include "waveedit/sweep.h"

namespace qv::win {
namespace {

// Fields as the dialog opens: 1 MHz to 10 MHz in steps of 1 MHz, one a second.
constexpr const char* initialFields[] = {"1000000", "10000000", "1000000", "1000"};
constexpr int fields[] = {IDC_SWEEP_START_FREQUENCY, IDC_SWEEP_END_FREQUENCY, IDC_SWEEP_STEP, IDC_SWEEP_INTERVAL};

struct ModeButton {
    int control;
    SweepMode mode;
};
constexpr ModeButton modeButtons[] = {
    {IDC_SWEEP_ONE_TIME, SweepMode::OneTime}, {IDC_SWEEP_LOOP, SweepMode::Loop}, {IDC_SWEEP_SWING, SweepMode::Swing}};

struct DialogState {
    OutputPorts* ports = nullptr;
    SweepState sweep;
} state;

SweepMode chosenMode(HWND dialog) {
    for (const ModeButton& button : modeButtons)
        if (isChecked(dialog, button.control)) return button.mode;
    return SweepMode::OneTime;
}

void stopSweep(HWND dialog) {
    KillTimer(dialog, sweepTimerId);
    state.sweep.mode = SweepMode::Idle;
    setFieldText(dialog, IDC_SWEEP_START, Msg::SweepStart);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    state = {reinterpret_cast<OutputPorts*>(lParam), {}};
    for (int i = 0; i < 4; ++i) setFieldText(dialog, fields[i], std::string(initialFields[i]));
    setChecked(dialog, IDC_SWEEP_ONE_TIME, true);
    setFieldText(dialog, IDC_SWEEP_START, Msg::SweepStart);
    return TRUE;
}

LRESULT onStart(HWND dialog, const Command&) {
    if (state.sweep.mode != SweepMode::Idle) {
        stopSweep(dialog);
        return TRUE;
    }
    std::string texts[4];
    for (int i = 0; i < 4; ++i) texts[i] = toUtf8(fieldText(dialog, fields[i]));
    SweepSettings settings;
    const Msg error = readSweepSettings({texts[0], texts[1], texts[2], texts[3], chosenMode(dialog)},
                                        state.ports->capabilities.maxOutputFrequency, settings);
    if (error != Msg::None) {
        messageBox(dialog, error, MB_ICONERROR | MB_OK, Msg::SweepCaption);
        return TRUE;
    }
    state.sweep = beginSweep(settings);
    setFieldText(dialog, IDC_SWEEP_START, Msg::SweepStop);
    SetTimer(dialog, sweepTimerId, static_cast<UINT>(settings.intervalMs), nullptr);
    return TRUE;
}

LRESULT onTimer(HWND dialog, UINT, WPARAM timer, LPARAM) {
    if (timer != sweepTimerId) return FALSE;
    if (!sweepTick(*state.ports, state.sweep)) stopSweep(dialog);
    return TRUE;
}

LRESULT onDestroy(HWND dialog, UINT, WPARAM, LPARAM) {
    KillTimer(dialog, sweepTimerId);
    state.sweep.mode = SweepMode::Idle;
    return FALSE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_TIMER, onTimer},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_DESTROY, onDestroy},
};
constexpr CommandEntry commands[] = {
    {IDC_SWEEP_START, onStart, BN_CLICKED},
    {IDCANCEL, endDialogWith<IDCANCEL>},
};
constexpr MessageTable table{.messages = messages, .commands = commands};

} // namespace

const DialogDefinition sweepDialog{IDD_SWEEP, dialogProcedure<table>};

INT_PTR runSweep(HWND owner, OutputPorts& ports) {
    return dialogBoxInLanguage(owner, sweepDialog, reinterpret_cast<LPARAM>(&ports));
}

} // namespace qv::win
