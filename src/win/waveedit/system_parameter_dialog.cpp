// System Parameter Setting. The dialog edits a copy of the values; Cancel simply leaves the
// caller's struct alone, which restores the base frequency that was in force at opening.
#include "waveedit/system_parameter_dialog.h"

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/strings_win.h"
#include "app/window_prompt.h"
#include "resource.h"
#include "waveedit/frequency_mode.h"

#include <commctrl.h>

namespace qv::win {
namespace {

struct HotKeyChoice {
    int key;
    Msg text;
};
constexpr HotKeyChoice hotKeys[] = {{32, Msg::HotKeySpace}, {13, Msg::HotKeyReturn}};

// The open dialog's state: one modal System Parameter Setting at a time.
struct DialogState {
    SystemParameterRequest* request = nullptr;
    FrequencyUnit unit = FrequencyUnit::MHz;
} state;

int selectedMode(HWND dialog) {
    const int index = comboSelection(dialog, IDC_SYSPARAM_MODE);
    return index < 0 ? 1 : static_cast<int>(comboItemData(dialog, IDC_SYSPARAM_MODE, index));
}

int selectedHotKey(HWND dialog) {
    const int index = comboSelection(dialog, IDC_SYSPARAM_HOTKEY);
    return index < 0 ? hotKeys[0].key : static_cast<int>(comboItemData(dialog, IDC_SYSPARAM_HOTKEY, index));
}

std::string frequencyField(HWND dialog) { return toUtf8(fieldText(dialog, IDC_SYSPARAM_FREQUENCY)); }

void showPeriod(HWND dialog) {
    const PeriodText period = periodOf(frequencyFromField(frequencyField(dialog), state.unit));
    setFieldText(dialog, IDC_SYSPARAM_PERIOD,
                 period.unit == Msg::None ? std::wstring() : fromUtf8(period.number) + L" " + loadString(period.unit));
}

void showFrequency(HWND dialog, int hertz) {
    setFieldText(dialog, IDC_SYSPARAM_FREQUENCY, frequencyFieldText(hertz, state.unit));
    setFieldText(dialog, IDC_SYSPARAM_UNIT, frequencyUnitText(state.unit));
    showPeriod(dialog);
}

void enableFrequency(HWND dialog) {
    const bool internal = !externalClockOnly(selectedMode(dialog), state.request->cardType);
    enableControls(dialog, {IDC_SYSPARAM_FREQUENCY, IDC_SYSPARAM_FREQUENCY_SPIN, IDC_SYSPARAM_UNIT}, internal);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    state = {reinterpret_cast<SystemParameterRequest*>(lParam), FrequencyUnit::MHz};
    const SystemParameters& values = state.request->values;
    const int mode = frequencyModeWhenOpened(values.frequencyMode, state.request->cardType);
    for (int choice : frequencyModeChoices(state.request->cardType)) {
        const int index = addComboItem(dialog, IDC_SYSPARAM_MODE, loadString(frequencyModeText(choice)), choice);
        if (choice == mode) selectComboIndex(dialog, IDC_SYSPARAM_MODE, index);
    }
    for (const HotKeyChoice& choice : hotKeys) {
        const int index = addComboItem(dialog, IDC_SYSPARAM_HOTKEY, loadString(choice.text), choice.key);
        if (choice.key == values.eventHotKey) selectComboIndex(dialog, IDC_SYSPARAM_HOTKEY, index);
    }
    if (comboSelection(dialog, IDC_SYSPARAM_HOTKEY) < 0) selectComboIndex(dialog, IDC_SYSPARAM_HOTKEY, 0);
    for (int spin : {IDC_SYSPARAM_FREQUENCY_SPIN, IDC_SYSPARAM_CURSOR_SPIN})
        SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 100); // up = +1; the fields hold the values
    showFrequency(dialog, values.baseFrequency);
    setFieldText(dialog, IDC_SYSPARAM_CURSOR_CHANGE, cursorChangeText(values.cursorChangeTenths));
    enableFrequency(dialog);
    return TRUE;
}

LRESULT onUnit(HWND dialog, const Command&) {
    const int hertz = frequencyFromField(frequencyField(dialog), state.unit);
    state.unit = nextFrequencyUnit(state.unit);
    showFrequency(dialog, hertz);
    return TRUE;
}

LRESULT onFrequencyChange(HWND dialog, const Command&) {
    showPeriod(dialog);
    return TRUE;
}

LRESULT onModeChange(HWND dialog, const Command&) {
    enableFrequency(dialog);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta;
    if (header.idFrom == IDC_SYSPARAM_FREQUENCY_SPIN) {
        setFieldText(dialog, IDC_SYSPARAM_FREQUENCY,
                     steppedFrequencyField(frequencyField(dialog), state.unit, delta,
                                           state.request->capabilities.maxOutputFrequency));
    } else {
        setFieldText(dialog, IDC_SYSPARAM_CURSOR_CHANGE,
                     steppedCursorChange(toUtf8(fieldText(dialog, IDC_SYSPARAM_CURSOR_CHANGE)), delta));
    }
    return setDialogResult(dialog, TRUE); // the spin keeps its own position
}

LRESULT onOk(HWND dialog, const Command&) {
    const SystemParameterForm form{frequencyField(dialog), state.unit, selectedMode(dialog), selectedHotKey(dialog),
                                   toUtf8(fieldText(dialog, IDC_SYSPARAM_CURSOR_CHANGE))};
    WindowPrompt prompt(dialog);
    SystemParameters values = state.request->values;
    const SystemParameterAnswer answer =
        acceptSystemParameters(form, state.request->capabilities, state.request->cardType, prompt, values);
    if (answer.achievableFrequency != 0) showFrequency(dialog, answer.achievableFrequency);
    if (answer.frequencyRefused) {
        SetFocus(GetDlgItem(dialog, IDC_SYSPARAM_FREQUENCY));
        SendDlgItemMessageW(dialog, IDC_SYSPARAM_FREQUENCY, EM_SETSEL, 0, -1);
    }
    if (!answer.close) return TRUE;
    state.request->values = values;
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_HELP, openHelpOnMessage<systemParameterHelpTopic, systemParameterHelpContext>},
};
constexpr CommandEntry commands[] = {
    {IDOK, onOk},
    {IDCANCEL, endDialogWith<IDCANCEL>},
    {IDC_SYSPARAM_HELP, openHelpOnCommand<systemParameterHelpTopic, systemParameterHelpContext>},
    {IDC_SYSPARAM_UNIT, onUnit, BN_CLICKED},
    {IDC_SYSPARAM_FREQUENCY, onFrequencyChange, EN_CHANGE},
    {IDC_SYSPARAM_MODE, onModeChange, CBN_SELCHANGE},
};
constexpr NotifyEntry notifications[] = {
    {IDC_SYSPARAM_FREQUENCY_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_SYSPARAM_CURSOR_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

const DialogDefinition systemParameterDialog{IDD_SYSTEM_PARAMETER, dialogProcedure<table>};

INT_PTR runSystemParameterSetting(HWND owner, SystemParameterRequest& request) {
    return dialogBoxInLanguage(owner, systemParameterDialog, reinterpret_cast<LPARAM>(&request));
}

} // namespace qv::win
