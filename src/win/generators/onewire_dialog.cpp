// The 1-Wire dialog: the list lives in a two-column list view through the shared list editor; Add,
// Append and Modify fill the Edit dialog and read its values with core's oneWireValues (each value
// keeps its own width in whole bytes); Run hands the list lines to runOneWire on the output thread.
#include "generators/onewire_dialog.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/help_topics.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "generators/generator_dialog.h"
#include "generators/icon_buttons.h"
#include "generators/list_editor.h"
#include "generators/onewire.h"
#include "resource.h"
#include "waveedit/document.h"

#include <commctrl.h>

#include <memory>

namespace qv::win {
namespace {

constexpr int oneWireHelpContext = 118;
constexpr Msg speedNames[] = {Msg::OneWireStandardSpeed, Msg::OneWireOverdrive}; // OneWireSpeed order
constexpr IconButton iconButtons[] = {
    {IDC_GEN_IMPORT, IDI_TB_OPEN, Msg::TipImport},
    {IDC_GEN_EXPORT, IDI_TB_SAVE, Msg::TipExport},
    {IDC_GEN_RUN, IDI_TB_RUN, Msg::TipRun},
    {IDC_GEN_STOP, IDI_TB_STOP, Msg::TipStop},
    {IDC_OW_ADD, IDI_TB_NEW, Msg::TipAddItem},
    {IDC_GEN_DELETE, IDI_TB_CUT, Msg::TipDeleteItem},
    {IDC_GEN_INSERT, IDI_TB_PASTE, Msg::TipAppendItem},
    {IDC_GEN_MODIFY, IDI_TB_BUS_DATA, Msg::TipModifyItem},
};

const ListControls& listControls() {
    static const ListControls controls{
        IDC_OW_LIST,        IDC_OW_ADD, IDC_GEN_INSERT, IDC_GEN_MODIFY, IDC_GEN_DELETE, 0, gen::oneWireLineContinues,
        gen::oneWireColumns};
    return controls;
}

struct OneWireTool {
    HWND dialog = nullptr;
    IconButtons buttons;
    std::shared_ptr<OutputOutcome> result;
};
std::unique_ptr<OneWireTool> tool;

std::optional<gen::OneWireRow> selectedRow(HWND dialog) {
    const std::vector<std::string> entry = selectedEntry(dialog, listControls());
    gen::OneWireRow row;
    if (entry.empty() || gen::readOneWireLine(entry.front(), row) != Msg::None) return std::nullopt;
    return row;
}

// ---- the Edit dialog (495) -------------------------------------------------------------------------

LRESULT onEditInit(HWND dialog, UINT, WPARAM, LPARAM parameter) {
    SetWindowLongPtrW(dialog, GWLP_USERDATA, parameter);
    const auto& row = *reinterpret_cast<const gen::OneWireRow*>(parameter);
    setChecked(dialog, row.write ? IDC_OW_EDIT_WRITE : IDC_OW_EDIT_READ, true);
    setFieldText(dialog, IDC_OW_EDIT_DATA, gen::oneWireValuesText(row.values));
    centreWindow(dialog, GetParent(dialog));
    return TRUE;
}

LRESULT onEditOk(HWND dialog, const Command&) {
    const auto values = gen::oneWireValues(toAnsi(fieldText(dialog, IDC_OW_EDIT_DATA)));
    if (!values) {
        messageBox(dialog, Msg::OneWireDataField, MB_OK | MB_ICONEXCLAMATION);
        return TRUE;
    }
    auto& row = *reinterpret_cast<gen::OneWireRow*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    row.write = isChecked(dialog, IDC_OW_EDIT_WRITE);
    row.values = *values;
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry editMessages[] = {{WM_INITDIALOG, onEditInit}, {WM_CLOSE, endDialogOn<IDCANCEL>}};
constexpr CommandEntry editCommands[] = {{IDOK, onEditOk}, {IDCANCEL, endDialogWith<IDCANCEL>}};
constexpr MessageTable editTable{.messages = editMessages, .commands = editCommands};
const DialogDefinition editDialog{IDD_ONE_WIRE_EDIT, dialogProcedure<editTable>};

bool editRow(HWND dialog, gen::OneWireRow& row) {
    return dialogBoxInLanguage(dialog, editDialog, reinterpret_cast<LPARAM>(&row)) == IDOK;
}

// ---- the tool --------------------------------------------------------------------------------------

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    tool = std::make_unique<OneWireTool>();
    tool->dialog = dialog;
    initGenerator(dialog);
    setUpListColumns(dialog, listControls(), {{Msg::ListColumnReadWrite, 50}, {Msg::ListColumnData, 3000}});
    tool->buttons.attach(dialog, iconButtons);
    fillCombo(dialog, IDC_OW_SPEED, speedNames);
    selectComboIndex(dialog, IDC_OW_SPEED, static_cast<int>(gen::OneWireSpeed::Standard));
    setFieldInteger(dialog, IDC_OW_CHANNEL, 0);
    updateListButtons(dialog, listControls());
    return TRUE;
}

LRESULT onSpin(HWND dialog, NMHDR& header) {
    const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta > 0 ? 1 : -1;
    stepSpinField(dialog, IDC_OW_CHANNEL, delta, 0, app().caps.channelCount - 1, SpinEnds::Wrap);
    return setDialogResult(dialog, TRUE);
}

LRESULT onAdd(HWND dialog, const Command&) {
    gen::OneWireRow row;
    row.values.clear();
    if (editRow(dialog, row))
        placeListEntry(dialog, listControls(), {gen::oneWireRowLine(row)}, gen::ListPlacement::Add);
    return TRUE;
}

// Append: the Edit dialog's values join the selected row (its R/W stays).
LRESULT onAppend(HWND dialog, const Command&) {
    std::optional<gen::OneWireRow> selected = selectedRow(dialog);
    if (!selected) return TRUE;
    gen::OneWireRow more{selected->write, {}};
    if (!editRow(dialog, more)) return TRUE;
    selected->values.insert(selected->values.end(), more.values.begin(), more.values.end());
    placeListEntry(dialog, listControls(), {gen::oneWireRowLine(*selected)}, gen::ListPlacement::Modify);
    return TRUE;
}

LRESULT onModify(HWND dialog, const Command&) {
    std::optional<gen::OneWireRow> selected = selectedRow(dialog);
    if (selected && editRow(dialog, *selected))
        placeListEntry(dialog, listControls(), {gen::oneWireRowLine(*selected)}, gen::ListPlacement::Modify);
    return TRUE;
}

LRESULT onDelete(HWND dialog, const Command&) {
    deleteListEntry(dialog, listControls());
    return TRUE;
}

LRESULT onExport(HWND dialog, const Command&) {
    exportList(dialog, listControls());
    return TRUE;
}

LRESULT onImport(HWND dialog, const Command&) {
    importList(dialog, listControls(), [](const std::vector<std::string>& lines) {
        std::vector<gen::OneWireRow> rows;
        return gen::readOneWireList(lines, rows);
    });
    return TRUE;
}

LRESULT onListChanged(HWND dialog, NMHDR&) {
    updateListButtons(dialog, listControls());
    return TRUE;
}

LRESULT onContextMenu(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != GetDlgItem(dialog, IDC_OW_LIST) || listSelection(dialog, listControls()) < 0)
        return TRUE;
    HMENU menu = CreatePopupMenu();
    for (auto [id, label] :
         {std::pair{ID_LIST_MENU_DELETE, Msg::ListMenuDelete}, std::pair{ID_LIST_MENU_APPEND, Msg::ListMenuAppend},
          std::pair{ID_LIST_MENU_MODIFY, Msg::ListMenuModify}})
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), loadString(label).c_str());
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (at.x == -1 && at.y == -1) GetCursorPos(&at);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, dialog, nullptr);
    DestroyMenu(menu);
    return TRUE;
}

LRESULT onDrawItem(HWND, UINT, WPARAM, LPARAM lParam) {
    if (tool) tool->buttons.draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
}

// ---- run -------------------------------------------------------------------------------------------

gen::OneWireSettings readSettings(HWND dialog) {
    gen::OneWireSettings s;
    const auto channel = fieldInteger(dialog, IDC_OW_CHANNEL);
    s.channel = channel && *channel >= 0 && *channel < 1000 ? static_cast<int>(*channel) : -1;
    s.speed = comboSelection(dialog, IDC_OW_SPEED) == 1 ? gen::OneWireSpeed::Overdrive : gen::OneWireSpeed::Standard;
    s.repeat = isChecked(dialog, IDC_GEN_REPEAT);
    return s;
}

LRESULT onRun(HWND dialog, const Command&) {
    startRunResting(dialog, true, [&]() -> GeneratorWork {
        const gen::OneWireSettings settings = readSettings(dialog);
        const std::vector<std::string> lines = listLines(dialog, listControls());
        auto result = std::make_shared<OutputOutcome>();
        tool->result = result;
        return [settings, lines, result](OutputPorts& ports) {
            *result = gen::runOneWire(ports, settings, lines, generatorBuffer());
            return result->result == OutputResult::Running;
        };
    });
    return TRUE;
}

LRESULT onRunDone(HWND dialog, UINT, WPARAM runsOn, LPARAM runNumber) {
    waitForOutputThread(threadEndWaitMilliseconds);
    if (!isCurrentRun(runNumber) || !tool->result || runsOn) return TRUE;
    stopRunResting(dialog);
    if (tool->result->error == Msg::ErrorChannelSetting) SetFocus(GetDlgItem(dialog, IDC_OW_CHANNEL));
    return TRUE;
}

LRESULT onStop(HWND dialog, const Command&) {
    stopRunResting(dialog);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    closeGenerator(dialog);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, onClose},
    {WM_DESTROY, destroyGenerator<tool>},
    {WM_SIZE, repaintOnSize},
    {WM_TIMER, onGeneratorTimer},
    {toolHelp, ignoreMessage},
    {generatorRunDone, onRunDone},
    {WM_CONTEXTMENU, onContextMenu},
    {WM_DRAWITEM, onDrawItem},
};
constexpr CommandEntry commands[] = {
    {IDC_OW_ADD, onAdd, BN_CLICKED},
    {IDC_GEN_INSERT, onAppend, BN_CLICKED},
    {IDC_GEN_MODIFY, onModify, BN_CLICKED},
    {IDC_GEN_DELETE, onDelete, BN_CLICKED},
    {IDC_GEN_EXPORT, onExport, BN_CLICKED},
    {IDC_GEN_IMPORT, onImport, BN_CLICKED},
    {ID_LIST_MENU_DELETE, onDelete},
    {ID_LIST_MENU_APPEND, onAppend},
    {ID_LIST_MENU_MODIFY, onModify},
    {IDC_GEN_HELP, openHelpOnCommand<oneWireHelpTopic, oneWireHelpContext>, BN_CLICKED},
    {IDC_GEN_RUN, onRun, BN_CLICKED},
    {IDC_GEN_STOP, onStop, BN_CLICKED},
    {IDC_GEN_EXIT, postClose, BN_CLICKED},
};
constexpr NotifyEntry notifications[] = {
    {IDC_OW_CHANNEL_SPIN, UDN_DELTAPOS, onSpin},
    {IDC_OW_LIST, LVN_ITEMCHANGED, onListChanged},
};
constexpr MessageTable table{.messages = messages, .commands = commands, .notifications = notifications};

} // namespace

void openOneWireTool(HWND mainWindow, int, LPARAM parameter) {
    if (!hasDocument()) return;
    openFunctionDialog(mainWindow, DialogDefinition{IDD_ONE_WIRE, dialogProcedure<table>}, parameter);
}

HWND oneWireToolWindow() { return tool ? tool->dialog : nullptr; }

} // namespace qv::win
