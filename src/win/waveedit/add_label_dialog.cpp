// Add Label(s). "Add Label" and "Add PODs" are two radio buttons; the fields of the one not chosen
// are disabled. The channel field starts at the lowest channel no label uses, with its default name.
#include "waveedit/add_label_dialog.h"

#include "app/controls.h"
#include "app/help.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "resource.h"
#include "waveedit/label_dialog_parts.h"
#include "waveedit/label_menu.h"
#include "waveedit/label_ops.h"
#include "waveedit/view_rows.h"
#include "waveedit/wave_editor_state.h"

#include <commctrl.h>

#include <algorithm>

namespace qv::win {
namespace {

struct DialogState {
    AddLabelRequest* request = nullptr;
    int colour = colourDataLabel;
} state;

int channelCount() { return state.request->doc->capabilities().channelCount; }

void enableFields(HWND dialog) {
    const bool pods = isChecked(dialog, IDC_LABEL_ADD_PODS);
    enableControls(dialog, {IDC_LABEL_NAME, IDC_LABEL_CHANNEL, IDC_LABEL_CHANNEL_SPIN, IDC_LABEL_COLOUR_CHOSEN}, !pods);
    for (int i = 0; i < labelColourCount; ++i) EnableWindow(GetDlgItem(dialog, IDC_LABEL_COLOUR_FIRST + i), !pods);
    for (int pod = 0; pod < podCount; ++pod) EnableWindow(GetDlgItem(dialog, IDC_LABEL_POD_FIRST + pod), pods);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    state = {reinterpret_cast<AddLabelRequest*>(lParam), colourDataLabel};
    const std::vector<int> free =
        busDialogChannels(state.request->doc->labels(), BusDialogMode::AddBus, channelCount());
    const int channel = free.empty() ? 0 : free.front();
    setFieldText(dialog, IDC_LABEL_NAME, defaultChannelName(channel));
    SendDlgItemMessageW(dialog, IDC_LABEL_NAME, EM_LIMITTEXT, maxLabelNameLength + 1, 0);
    setFieldInteger(dialog, IDC_LABEL_CHANNEL, channel);
    SendDlgItemMessageW(dialog, IDC_LABEL_CHANNEL_SPIN, UDM_SETRANGE32, 0, 100); // up = +1; the field holds the value
    setChecked(dialog, IDC_LABEL_ADD_SINGLE, true);
    enableFields(dialog);
    // The name is what one types first; the template lists the controls in reading order.
    SetFocus(GetDlgItem(dialog, IDC_LABEL_NAME));
    SendDlgItemMessageW(dialog, IDC_LABEL_NAME, EM_SETSEL, 0, -1);
    return FALSE;
}

LRESULT onDrawItem(HWND, UINT, WPARAM, LPARAM lParam) {
    return drawLabelColourItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), state.colour);
}

// The two modes are plain radio buttons (each in its place in the tab order, so not one
// automatic group): the pressed one is checked here.
LRESULT onMode(HWND dialog, const Command& command) {
    setChecked(dialog, IDC_LABEL_ADD_SINGLE, command.id == IDC_LABEL_ADD_SINGLE);
    setChecked(dialog, IDC_LABEL_ADD_PODS, command.id == IDC_LABEL_ADD_PODS);
    enableFields(dialog);
    return TRUE;
}

LRESULT onColour(HWND dialog, const Command& command) {
    state.colour = colourOfButton(command.id);
    showChosenColour(dialog);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    stepSpinField(dialog, IDC_LABEL_CHANNEL, reinterpret_cast<NMUPDOWN&>(header).iDelta, 0, channelCount() - 1,
                  SpinEnds::Wrap);
    return setDialogResult(dialog, TRUE); // the spin keeps its own position
}

LRESULT onOk(HWND dialog, const Command&) {
    Document& doc = *state.request->doc;
    const int rowsBefore = static_cast<int>(viewRows(doc.labels()).size());
    Msg refused = Msg::None;
    int newRow = rowsBefore;
    if (isChecked(dialog, IDC_LABEL_ADD_PODS)) {
        unsigned mask = 0;
        for (int pod = 0; pod < podCount; ++pod)
            if (isChecked(dialog, IDC_LABEL_POD_FIRST + pod)) mask |= 1u << pod;
        if (mask == 0) { // no POD chosen: nothing to add
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        refused = addPods(doc, mask);
    } else {
        AddLabelSetting setting;
        setting.name = toUtf8(fieldText(dialog, IDC_LABEL_NAME));
        // An unreadable channel is refused like one beyond the model.
        setting.channel = static_cast<int>(std::clamp(fieldInteger(dialog, IDC_LABEL_CHANNEL).value_or(-1), -1LL,
                                                      static_cast<long long>(channelCount())));
        setting.colour = state.colour;
        refused = addLabel(doc, setting, newRow);
    }
    if (endWhenAccepted(dialog, refused)) {
        state.request->changed = true;
        state.request->firstNewRow = newRow;
    }
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_DRAWITEM, onDrawItem},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_HELP, openHelpOnMessage<addLabelHelpTopic, addLabelHelpContext>},
};
constexpr auto commands = joinCommands(std::array<CommandEntry, 5>{{
                                           {IDOK, onOk},
                                           {IDCANCEL, endDialogWith<IDCANCEL>},
                                           {IDC_LABEL_HELP, openHelpOnCommand<addLabelHelpTopic, addLabelHelpContext>},
                                           {IDC_LABEL_ADD_SINGLE, onMode, BN_CLICKED},
                                           {IDC_LABEL_ADD_PODS, onMode, BN_CLICKED},
                                       }},
                                       commandRange<labelColourCount>(IDC_LABEL_COLOUR_FIRST, onColour));
constexpr NotifyEntry notifications[] = {
    {IDC_LABEL_CHANNEL_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

const DialogDefinition addLabelDialog{IDD_ADD_LABEL, dialogProcedure<table>};

LRESULT onAddLabel(HWND dialog, const Command&) {
    AddLabelRequest request{&document()};
    dialogBoxInLanguage(dialog, addLabelDialog, reinterpret_cast<LPARAM>(&request));
    if (request.changed) editor().layout.position.firstRow = request.firstNewRow; // clamped by the refresh
    afterLabelDialog(request.changed);
    return TRUE;
}

} // namespace qv::win
