// Label Setting. A group type or colour that differs among the selected labels shows the first
// label's value (the colour swatch stays empty) and is written only when the user picks one.
#include "waveedit/label_setting_dialog.h"

#include "app/controls.h"
#include "app/help.h"
#include "app/strings_win.h"
#include "resource.h"
#include "waveedit/label_dialog_parts.h"
#include "waveedit/label_menu.h"
#include "waveedit/wave_editor_state.h"

namespace qv::win {
namespace {

struct DialogState {
    LabelSettingRequest* request = nullptr;
    int colour = colourDataLabel; // -1 while the colour is mixed and not picked
    bool typePicked = false;
    bool colourPicked = false;
} state;

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    auto* request = reinterpret_cast<LabelSettingRequest*>(lParam);
    const LabelSettingValues& opened = request->opened;
    state = {request, opened.colourMixed ? -1 : opened.colour, false, false};
    setFieldText(dialog, IDC_LABEL_NAME, opened.name);
    SendDlgItemMessageW(dialog, IDC_LABEL_NAME, EM_LIMITTEXT, maxLabelNameLength + 1, 0);
    enableControls(dialog, {IDC_LABEL_NAME}, opened.nameEnabled);
    fillGroupTypeCombo(dialog, IDC_LABEL_GROUP_TYPE, opened.type);
    enableControls(dialog, {IDC_LABEL_GROUP_TYPE}, opened.typeEnabled);
    return TRUE;
}

LRESULT onDrawItem(HWND, UINT, WPARAM, LPARAM lParam) {
    return drawLabelColourItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), state.colour);
}

LRESULT onColour(HWND dialog, const Command& command) {
    state.colour = colourOfButton(command.id);
    state.colourPicked = true;
    showChosenColour(dialog);
    return TRUE;
}

LRESULT onTypeChange(HWND, const Command&) {
    state.typePicked = true;
    return TRUE;
}

LRESULT onOk(HWND dialog, const Command&) {
    const LabelSettingValues& opened = state.request->opened;
    LabelSettingValues chosen = opened;
    if (opened.nameEnabled) chosen.name = toUtf8(fieldText(dialog, IDC_LABEL_NAME));
    chosen.type = chosenGroupType(dialog, IDC_LABEL_GROUP_TYPE);
    if (state.colour >= 0) chosen.colour = state.colour;
    const Msg refused = applyLabelSetting(*state.request->doc, opened, chosen, state.typePicked, state.colourPicked);
    if (endWhenAccepted(dialog, refused)) state.request->changed = true;
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_DRAWITEM, onDrawItem},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_HELP, openHelpOnMessage<labelSettingHelpTopic, labelSettingHelpContext>},
};
constexpr auto commands = joinCommands(
    std::array<CommandEntry, 4>{{
        {IDOK, onOk},
        {IDCANCEL, endDialogWith<IDCANCEL>},
        {IDC_LABEL_HELP, openHelpOnCommand<labelSettingHelpTopic, labelSettingHelpContext>},
        {IDC_LABEL_GROUP_TYPE, onTypeChange, CBN_SELCHANGE},
    }},
    commandRange<labelColourCount>(IDC_LABEL_COLOUR_FIRST, onColour));
constexpr MessageTable table{.messages = messages, .commands = commands};

} // namespace

const DialogDefinition labelSettingDialog{IDD_LABEL_SETTING, dialogProcedure<table>};

LRESULT onLabelProperties(HWND dialog, const Command&) {
    LabelSettingRequest request;
    request.doc = &document();
    if (const Msg refused = openLabelSetting(document().labels(), request.opened); refused != Msg::None) {
        showLabelRefusal(dialog, refused);
        return TRUE;
    }
    if (selectedLabels(document().labels()).empty()) {
        MessageBeep(MB_OK);
        return TRUE;
    }
    dialogBoxInLanguage(dialog, labelSettingDialog, reinterpret_cast<LPARAM>(&request));
    afterLabelDialog(request.changed);
    return TRUE;
}

} // namespace qv::win
