// Set Clock. A refused setting is shown (12002 with its range, 12003), its field reset and the
// dialog stays open; only a setting core accepts is drawn.
#include "waveedit/set_clock_dialog.h"

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "device/frequency.h"
#include "resource.h"
#include "waveedit/edit_ops.h"
#include "waveedit/texts.h"

#include <commctrl.h>

#include <algorithm>

namespace qv::win {
namespace {

int keptMultiplier = 1; // "Multiplied By" is kept between uses

struct DialogState {
    SetClockRequest* request = nullptr;
} state;

int baseFrequency() { return state.request->doc->output().baseFrequency; }
int largestMultiplier() { return std::max(state.request->target.markEnd - state.request->target.markStart, 1); }

// An unreadable or huge field gives a value the check refuses.
int refusableField(HWND dialog, int control) {
    return static_cast<int>(std::clamp(fieldInteger(dialog, control).value_or(-1), -1LL, 1LL << 30));
}

ClockSetting settingFromControls(HWND dialog) {
    return {refusableField(dialog, IDC_CLOCK_MULTIPLIER), refusableField(dialog, IDC_CLOCK_START_VALUE)};
}

void showFrequency(HWND dialog) {
    const ClockSetting setting{refusableField(dialog, IDC_CLOCK_MULTIPLIER), 0};
    const bool valid = checkClock(setting, state.request->target).field != EditField::Multiplier;
    setFieldText(dialog, IDC_CLOCK_FREQUENCY,
                 valid ? frequencyText(baseFrequency() / (2.0 * setting.multiplier)) : std::string());
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    state = {reinterpret_cast<SetClockRequest*>(lParam)};
    const EditTarget& target = state.request->target;
    setFieldText(dialog, IDC_CLOCK_MARK_START, timeText(target.markStart, baseFrequency()));
    setFieldText(dialog, IDC_CLOCK_MARK_END, timeText(target.markEnd + 1LL, baseFrequency()));
    setFieldText(dialog, IDC_CLOCK_PERIOD, timeText(1, baseFrequency()));
    setFieldInteger(dialog, IDC_CLOCK_MULTIPLIER, keptMultiplier);
    setFieldInteger(dialog, IDC_CLOCK_START_VALUE, 0);
    for (int spin : {IDC_CLOCK_MULTIPLIER_SPIN, IDC_CLOCK_START_SPIN})
        SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 100); // up = +1; the fields hold the values
    showFrequency(dialog);
    return TRUE;
}

LRESULT onMultiplierChange(HWND dialog, const Command&) {
    showFrequency(dialog);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta;
    if (header.idFrom == IDC_CLOCK_MULTIPLIER_SPIN)
        stepSpinField(dialog, IDC_CLOCK_MULTIPLIER, delta, 1, largestMultiplier(), SpinEnds::Clamp);
    else
        stepSpinField(dialog, IDC_CLOCK_START_VALUE, delta, 0, 1, SpinEnds::Wrap); // toggles 0 and 1
    return setDialogResult(dialog, TRUE); // the spin keeps its own position
}

LRESULT onOk(HWND dialog, const Command&) {
    const ClockSetting setting = settingFromControls(dialog);
    const EditCheck check = checkClock(setting, state.request->target);
    if (!check.ok()) {
        messageBox(dialog, check.msg, fromUtf8(editCheckText(check, catalogueLanguage(currentLanguage()))),
                   MB_ICONERROR | MB_OK);
        if (check.field == EditField::Multiplier)
            setFieldInteger(dialog, IDC_CLOCK_MULTIPLIER, keptMultiplier = 1);
        else
            setFieldInteger(dialog, IDC_CLOCK_START_VALUE, 0);
        return TRUE;
    }
    keptMultiplier = setting.multiplier;
    state.request->changed = drawClock(*state.request->doc, state.request->target, setting);
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_HELP, openHelpOnMessage<setClockHelpTopic, setClockHelpContext>},
};
constexpr CommandEntry commands[] = {
    {IDOK, onOk},
    {IDCANCEL, endDialogWith<IDCANCEL>},
    {IDC_CLOCK_HELP, openHelpOnCommand<setClockHelpTopic, setClockHelpContext>},
    {IDC_CLOCK_MULTIPLIER, onMultiplierChange, EN_CHANGE},
};
constexpr NotifyEntry notifications[] = {
    {IDC_CLOCK_MULTIPLIER_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_CLOCK_START_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

const DialogDefinition setClockDialog{IDD_SET_CLOCK, dialogProcedure<table>};

bool runSetClock(HWND owner, Document& doc, const EditTarget& target) {
    SetClockRequest request{&doc, target, false};
    dialogBoxInLanguage(owner, setClockDialog, reinterpret_cast<LPARAM>(&request));
    return request.changed;
}

} // namespace qv::win
