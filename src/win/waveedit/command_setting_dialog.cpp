// Command Setting. The dialog reads its controls into a CommandSetting and hands it to core, which
// validates it and writes it; a refused setting is shown and the dialog stays open.
#include "waveedit/command_setting_dialog.h"

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "resource.h"
#include "waveedit/command_placement.h"
#include "waveedit/commands.h"
#include "waveedit/frequency_mode.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

namespace qv::win {
namespace {

constexpr Msg commandTexts[settableCommandCount] = {
    Msg::CommandListNp, Msg::CommandListJp, Msg::CommandListLp, Msg::CommandListBe,
    Msg::CommandListLc, Msg::CommandListSe, Msg::CommandListWe, Msg::CommandListOe,
};
constexpr unsigned maxOutputEnable = 0xFFFF;

// The controls each command uses; all others are disabled while it is chosen.
enum FieldUse : unsigned { UsesAddress = 1, UsesLoopCount = 2, UsesEvent = 4, UsesOutputEnable = 8 };
constexpr unsigned fieldUse[settableCommandCount] = {
    0, UsesAddress, UsesAddress, UsesAddress, UsesLoopCount, UsesEvent, 0, UsesOutputEnable};

struct DialogState {
    CommandSettingRequest* request = nullptr;
} state;

int eventButton(EventChoice choice) { return IDC_COMMAND_EVENT_FIRST + static_cast<int>(choice); }

bool choiceOffered(EventChoice choice) {
    return state.request->cardType != cardTypeWithoutCki2 || !eventChoiceNeedsEvent3(choice);
}

SettableCommand chosenCommand(HWND dialog) {
    const int index = comboSelection(dialog, IDC_COMMAND_LIST);
    return index < 0 ? SettableCommand::Np
                     : static_cast<SettableCommand>(comboItemData(dialog, IDC_COMMAND_LIST, index));
}

EventChoice chosenEvent(HWND dialog) {
    for (int i = 0; i < eventChoiceCount; ++i)
        if (isChecked(dialog, eventButton(static_cast<EventChoice>(i)))) return static_cast<EventChoice>(i);
    return EventChoice::Event1;
}

void enableFields(HWND dialog) {
    const unsigned use = fieldUse[static_cast<int>(chosenCommand(dialog))];
    enableControls(dialog, {IDC_COMMAND_ADDRESS, IDC_COMMAND_ADDRESS_SPIN}, (use & UsesAddress) != 0);
    enableControls(dialog, {IDC_COMMAND_LOOP_COUNT, IDC_COMMAND_LOOP_SPIN}, (use & UsesLoopCount) != 0);
    enableControls(dialog, {IDC_COMMAND_OUTPUT_ENABLE}, (use & UsesOutputEnable) != 0);
    const bool events = (use & UsesEvent) != 0;
    for (int i = 0; i < eventChoiceCount; ++i) {
        const auto choice = static_cast<EventChoice>(i);
        EnableWindow(GetDlgItem(dialog, eventButton(choice)), events && choiceOffered(choice));
    }
    enableControls(dialog, {IDC_COMMAND_EVENT_INVERT}, events);
}

void showOutputEnable(HWND dialog, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & maxOutputEnable);
    setFieldText(dialog, IDC_COMMAND_OUTPUT_ENABLE, std::string(text));
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    state = {reinterpret_cast<CommandSettingRequest*>(lParam)};
    const Document& doc = *state.request->doc;
    const CommandSetting preset = commandSettingAt(doc.usableImage(), doc.positions().commandPosition());
    const int offered =
        state.request->cardType == cardTypeWithoutCki2 ? settableCommandCount : settableCommandCount - 1;
    for (int i = 0; i < offered; ++i) addComboItem(dialog, IDC_COMMAND_LIST, loadString(commandTexts[i]), i);
    selectComboIndex(dialog, IDC_COMMAND_LIST,
                     static_cast<int>(preset.command) < offered ? static_cast<int>(preset.command) : 0);

    setFieldInteger(dialog, IDC_COMMAND_ADDRESS, preset.address);
    setFieldInteger(dialog, IDC_COMMAND_LOOP_COUNT, preset.loopCount);
    const EventChoice event = eventChoiceOf(preset.eventCode);
    setChecked(dialog, eventButton(choiceOffered(event) ? event : EventChoice::Event1), true);
    setChecked(dialog, IDC_COMMAND_EVENT_INVERT, eventInverted(preset.eventCode));
    showOutputEnable(dialog, preset.outputEnable);
    for (int spin : {IDC_COMMAND_ADDRESS_SPIN, IDC_COMMAND_LOOP_SPIN})
        SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, 0, 100); // up = +1; the fields hold the values
    enableFields(dialog);
    return TRUE;
}

LRESULT onCommandChange(HWND dialog, const Command&) {
    enableFields(dialog);
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta;
    if (header.idFrom == IDC_COMMAND_ADDRESS_SPIN)
        stepSpinField(dialog, IDC_COMMAND_ADDRESS, delta, 0, state.request->doc->highestCommandTarget(),
                      SpinEnds::Wrap);
    else
        stepSpinField(dialog, IDC_COMMAND_LOOP_COUNT, delta, minLoopCount, maxLoopCount, SpinEnds::Wrap);
    return setDialogResult(dialog, TRUE); // the spin keeps its own position
}

// An unreadable or huge field gives a value that validation refuses with that field's message.
int refusableField(HWND dialog, int control, long long beyondRange) {
    return static_cast<int>(std::clamp(fieldInteger(dialog, control).value_or(-1), -1LL, beyondRange));
}

CommandSetting settingFromControls(HWND dialog) {
    CommandSetting setting;
    setting.command = chosenCommand(dialog);
    setting.address = refusableField(dialog, IDC_COMMAND_ADDRESS, state.request->doc->usableSamples());
    setting.loopCount = refusableField(dialog, IDC_COMMAND_LOOP_COUNT, maxLoopCount + 1);
    setting.eventCode = eventCode(chosenEvent(dialog), isChecked(dialog, IDC_COMMAND_EVENT_INVERT));
    return setting;
}

LRESULT onOk(HWND dialog, const Command&) {
    CommandSetting setting = settingFromControls(dialog);
    if (setting.command == SettableCommand::Oe) {
        const auto value = fieldInteger(dialog, IDC_COMMAND_OUTPUT_ENABLE, 16);
        if (!value || *value < 0 || *value > maxOutputEnable) {
            messageBox(dialog, Msg::OutputEnableOutOfRange, MB_ICONERROR | MB_OK);
            return TRUE;
        }
        setting.outputEnable = static_cast<unsigned>(*value);
    }
    bool changed = false;
    if (const Msg refused = placeCommand(*state.request->doc, setting, changed); refused != Msg::None) {
        messageBox(dialog, refused, MB_ICONERROR | MB_OK);
        return TRUE;
    }
    state.request->changed = changed;
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_HELP, openHelpOnMessage<commandSettingHelpTopic, commandSettingHelpContext>},
};
constexpr CommandEntry commands[] = {
    {IDOK, onOk},
    {IDCANCEL, endDialogWith<IDCANCEL>},
    {IDC_COMMAND_HELP, openHelpOnCommand<commandSettingHelpTopic, commandSettingHelpContext>},
    {IDC_COMMAND_LIST, onCommandChange, CBN_SELCHANGE},
};
constexpr NotifyEntry notifications[] = {
    {IDC_COMMAND_ADDRESS_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_COMMAND_LOOP_SPIN, UDN_DELTAPOS, onSpin},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

const DialogDefinition commandSettingDialog{IDD_COMMAND_SETTING, dialogProcedure<table>};

bool runCommandSetting(HWND owner, Document& doc, bool rowsSelectedOverMarkedArea, int cardType) {
    if (rowsSelectedOverMarkedArea) {
        if (messageBox(owner, Msg::ClearMarkCommands, MB_ICONQUESTION | MB_OKCANCEL) != IDOK) return false;
        return clearMarkedCommands(doc);
    }
    if (doc.positions().commandPosition() < 0) {
        MessageBeep(MB_OK); // nowhere to place a command until the T cursor is set
        return false;
    }
    CommandSettingRequest request{&doc, cardType, false};
    dialogBoxInLanguage(owner, commandSettingDialog, reinterpret_cast<LPARAM>(&request));
    return request.changed;
}

} // namespace qv::win
