// Data Setting. The multiplier is kept between uses; the radix, start value and increment start
// afresh (HEX, 0, 1). A refused setting is shown, its field reset and the dialog stays open.
#include "waveedit/input_bus_data_dialog.h"

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "resource.h"
#include "waveedit/edit_ops.h"
#include "waveedit/texts.h"
#include "waveedit/waveform_file_dialogs.h"

#include <commctrl.h>

#include <algorithm>

namespace qv::win {
namespace {

constexpr int radixCount = 4; // the radix buttons, in the order of Radix
constexpr char binaryPattern[] = "*.bin";
constexpr char allPattern[] = "*.*";

int keptMultiplier = 1; // "Multiplied By" is kept between uses

struct DialogState {
    BusDataRequest* request = nullptr;
    Radix radix = Radix::Hex; // the radix the fields are written in
} state;

int baseFrequency() { return state.request->doc->output().baseFrequency; }
int busWidth() { return state.request->bus.width; }
int markedSamples() { return state.request->target.sampleCount(); }
std::string fieldUtf8(HWND dialog, int control) { return toUtf8(fieldText(dialog, control)); }

// An unreadable or huge field gives a value the check refuses.
int multiplierField(HWND dialog) {
    return static_cast<int>(std::clamp(fieldInteger(dialog, IDC_BUS_MULTIPLIER).value_or(-1), -1LL, 1LL << 30));
}

void showInterval(HWND dialog) {
    const int multiplier = multiplierField(dialog);
    setFieldText(dialog, IDC_BUS_INTERVAL, multiplier > 0 ? timeText(multiplier, baseFrequency()) : std::string());
}

void enableSource(HWND dialog) {
    const bool counter = isChecked(dialog, IDC_BUS_COUNTER);
    enableControls(dialog,
                   {IDC_BUS_HEX, IDC_BUS_DEC, IDC_BUS_BIN, IDC_BUS_OCT, IDC_BUS_START_VALUE, IDC_BUS_START_SPIN,
                    IDC_BUS_INCREMENT, IDC_BUS_INCREMENT_SPIN},
                   counter);
    enableControls(dialog, {IDC_BUS_PATH, IDC_BUS_BROWSE}, !counter);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    state = {reinterpret_cast<BusDataRequest*>(lParam), Radix::Hex};
    setFieldText(dialog, IDC_BUS_DURATION, timeText(markedSamples(), baseFrequency()));
    setFieldText(dialog, IDC_BUS_PERIOD, timeText(1, baseFrequency()));
    setFieldInteger(dialog, IDC_BUS_MULTIPLIER, keptMultiplier);
    setChecked(dialog, IDC_BUS_HEX, true);
    setFieldText(dialog, IDC_BUS_START_VALUE, std::string("0"));
    setFieldText(dialog, IDC_BUS_INCREMENT, std::string("1"));
    setChecked(dialog, IDC_BUS_COUNTER, true);
    for (int spin : {IDC_BUS_MULTIPLIER_SPIN, IDC_BUS_START_SPIN, IDC_BUS_INCREMENT_SPIN})
        SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 100); // up = +1; the fields hold the values
    showInterval(dialog);
    enableSource(dialog);
    return TRUE;
}

LRESULT onMultiplierChange(HWND dialog, const Command&) {
    showInterval(dialog);
    return TRUE;
}

LRESULT onRadix(HWND dialog, const Command& command) {
    const auto radix = static_cast<Radix>(command.id - IDC_BUS_RADIX_FIRST);
    if (radix == state.radix) return TRUE;
    setFieldText(dialog, IDC_BUS_INCREMENT,
                 convertIncrementText(fieldUtf8(dialog, IDC_BUS_INCREMENT), state.radix, radix, busWidth()));
    state.radix = radix;
    return TRUE;
}

LRESULT onSource(HWND dialog, const Command&) {
    enableSource(dialog);
    return TRUE;
}

LRESULT onBrowse(HWND dialog, const Command&) {
    FileNameRequest request;
    request.owner = dialog;
    request.title = Msg::OpenBinaryFileTitle;
    request.filters = {{Msg::BinaryFilesFilter, binaryPattern}, {Msg::AllFilesFilter, allPattern}};
    request.initialName = binaryPattern;
    request.initialDirectory = state.request->startPath;
    std::string path;
    if (chooseFileName(request, path)) setFieldText(dialog, IDC_BUS_PATH, fromAnsi(path));
    return TRUE;
}

// One step of the start value (wrapping over the bus's values) or of the increment (clamped to
// minus to plus the bus's largest value), in the current radix.
void stepValueField(HWND dialog, int field, int delta) {
    const bool isIncrement = field == IDC_BUS_INCREMENT;
    const std::uint64_t maximum = busMaximum(busWidth());
    std::string text = fieldUtf8(dialog, field);
    bool negative = isIncrement && !text.empty() && text.front() == '-';
    std::uint64_t magnitude = 0;
    if (!parseRadixValue(negative ? text.substr(1) : text, state.radix, magnitude) || magnitude > maximum)
        magnitude = 0;
    if (magnitude == 0) negative = false;
    const bool up = delta > 0;
    if (!isIncrement) {
        magnitude = up ? (magnitude < maximum ? magnitude + 1 : 0) : (magnitude > 0 ? magnitude - 1 : maximum);
    } else if (magnitude > 0 && negative == up) { // towards zero
        if (--magnitude == 0) negative = false;
    } else if (magnitude < maximum) {
        ++magnitude;
        negative = !up;
    } else {
        MessageBeep(MB_OK);
    }
    std::string stepped = radixText(magnitude, state.radix, busWidth());
    if (negative) stepped.insert(stepped.begin(), '-');
    setFieldText(dialog, field, stepped);
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta;
    if (header.idFrom == IDC_BUS_MULTIPLIER_SPIN)
        stepSpinField(dialog, IDC_BUS_MULTIPLIER, delta, 1, std::max(markedSamples(), 1), SpinEnds::Clamp);
    else
        stepValueField(dialog, header.idFrom == IDC_BUS_START_SPIN ? IDC_BUS_START_VALUE : IDC_BUS_INCREMENT, delta);
    return setDialogResult(dialog, TRUE); // the spin keeps its own position
}

BusDataSetting settingFromControls(HWND dialog) {
    BusDataSetting setting;
    setting.multiplier = multiplierField(dialog);
    setting.radix = state.radix;
    setting.startValue = fieldUtf8(dialog, IDC_BUS_START_VALUE);
    setting.increment = fieldUtf8(dialog, IDC_BUS_INCREMENT);
    setting.source = isChecked(dialog, IDC_BUS_FILE) ? BusDataSource::File : BusDataSource::Counter;
    setting.path = toAnsi(fieldText(dialog, IDC_BUS_PATH)); // files are opened in the ANSI code page
    return setting;
}

void resetField(HWND dialog, EditField field) {
    switch (field) {
    case EditField::Multiplier: setFieldInteger(dialog, IDC_BUS_MULTIPLIER, keptMultiplier = 1); break;
    case EditField::StartValue: setFieldText(dialog, IDC_BUS_START_VALUE, std::string("0")); break;
    case EditField::Increment: setFieldText(dialog, IDC_BUS_INCREMENT, std::string("0")); break;
    case EditField::Path: SetFocus(GetDlgItem(dialog, IDC_BUS_PATH)); break;
    case EditField::None: break;
    }
}

LRESULT onOk(HWND dialog, const Command&) {
    const BusDataSetting setting = settingFromControls(dialog);
    BusDataValues values;
    const EditCheck check = checkBusData(setting, state.request->target, state.request->bus, values);
    if (!check.ok()) {
        messageBox(dialog, check.msg, fromUtf8(editCheckText(check, catalogueLanguage(currentLanguage()))),
                   MB_ICONERROR | MB_OK);
        resetField(dialog, check.field);
        return TRUE;
    }
    keptMultiplier = setting.multiplier;
    state.request->changed = writeBusData(*state.request->doc, state.request->target, state.request->bus, values);
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_HELP, openHelpOnMessage<busDataHelpTopic, busDataHelpContext>},
};
constexpr CommandEntry commands[] = {
    {IDOK, onOk},
    {IDCANCEL, endDialogWith<IDCANCEL>},
    {IDC_BUS_HELP, openHelpOnCommand<busDataHelpTopic, busDataHelpContext>},
    {IDC_BUS_MULTIPLIER, onMultiplierChange, EN_CHANGE},
    {IDC_BUS_HEX, onRadix, BN_CLICKED},
    {IDC_BUS_DEC, onRadix, BN_CLICKED},
    {IDC_BUS_BIN, onRadix, BN_CLICKED},
    {IDC_BUS_OCT, onRadix, BN_CLICKED},
    {IDC_BUS_COUNTER, onSource, BN_CLICKED},
    {IDC_BUS_FILE, onSource, BN_CLICKED},
    {IDC_BUS_BROWSE, onBrowse, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_BUS_MULTIPLIER_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_BUS_START_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_BUS_INCREMENT_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};
static_assert(IDC_BUS_OCT - IDC_BUS_RADIX_FIRST == radixCount - 1);

} // namespace

const DialogDefinition busDataDialog{IDD_BUS_DATA, dialogProcedure<table>};

bool runInputBusData(HWND owner, BusDataRequest& request) {
    dialogBoxInLanguage(owner, busDataDialog, reinterpret_cast<LPARAM>(&request));
    return request.changed;
}

} // namespace qv::win
