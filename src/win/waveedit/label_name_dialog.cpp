// The rename edit. A refused name is shown and the edit stays open with its text selected again.
#include "waveedit/label_name_dialog.h"

#include "app/controls.h"
#include "app/strings_win.h"
#include "resource.h"
#include "waveedit/label_menu.h"
#include "waveedit/label_ops.h"
#include "waveedit/wave_editor_state.h"

#include <algorithm>

namespace qv::win {
namespace {

struct DialogState {
    LabelNameRequest* request = nullptr;
} state;

void selectAll(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_RENAME_EDIT);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    state = {reinterpret_cast<LabelNameRequest*>(lParam)};
    const RECT& rect = state.request->screenRect;
    const int width = std::max<int>(rect.right - rect.left, 8), height = std::max<int>(rect.bottom - rect.top, 8);
    SetWindowPos(dialog, nullptr, rect.left, rect.top, width, height, SWP_NOZORDER);
    RECT client{};
    GetClientRect(dialog, &client);
    MoveWindow(GetDlgItem(dialog, IDC_RENAME_EDIT), 0, 0, client.right, client.bottom, FALSE);
    const LabelTable& table = state.request->doc->labels();
    const std::vector<LabelSpan> selected = selectedLabels(table);
    if (!selected.empty()) {
        const LabelRecord& record = table[static_cast<std::size_t>(selected.front().first)];
        setFieldText(dialog, IDC_RENAME_EDIT, std::string(record.name, strnlen(record.name, labelNameBytes)));
    }
    SendDlgItemMessageW(dialog, IDC_RENAME_EDIT, EM_LIMITTEXT, maxLabelNameLength + 1, 0);
    selectAll(dialog);
    return FALSE; // the focus is set
}

LRESULT onEnter(HWND dialog, const Command&) {
    const Msg refused = renameSelectedLabel(*state.request->doc, toUtf8(fieldText(dialog, IDC_RENAME_EDIT)));
    if (refused != Msg::None) {
        showLabelRefusal(dialog, refused);
        selectAll(dialog);
        return TRUE;
    }
    state.request->changed = true;
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
};
constexpr CommandEntry commands[] = {
    {IDOK, onEnter},
    {IDCANCEL, endDialogWith<IDCANCEL>},
};
constexpr MessageTable table{.messages = messages, .commands = commands};

// The row of the first selected label, or -1.
int firstSelectedRow() {
    const WaveEditorState& s = editor();
    const std::vector<LabelSpan> selected = selectedLabels(document().labels());
    if (selected.empty()) return -1;
    const auto row = std::find_if(s.rows.begin(), s.rows.end(),
                                  [&](const ViewRow& r) { return r.firstRecord == selected.front().first; });
    return row == s.rows.end() ? -1 : static_cast<int>(row - s.rows.begin());
}

} // namespace

const DialogDefinition labelNameDialog{IDD_LABEL_NAME, dialogProcedure<table>};

LRESULT onModifyLabelName(HWND dialog, const Command&) {
    if (const Msg refused = checkLabelsModifiable(document().labels()); refused != Msg::None) {
        showLabelRefusal(dialog, refused);
        return TRUE;
    }
    const int row = firstSelectedRow();
    if (row < 0) {
        MessageBeep(MB_OK);
        return TRUE;
    }
    WaveEditorState& s = editor();
    // The edit lies over the row's name, so the row is brought into view first.
    ViewPosition& view = s.layout.position;
    if (row < view.firstRow || row >= view.firstRow + std::max(rowsThatFit(s.area), 1)) {
        view.firstRow = row;
        refreshView();
    }
    const int top = rowTop(view, s.area, row);
    RECT rect{0, top, s.layout.splitters[0] - splitterHalfWidth, top + s.area.rowHeight};
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    LabelNameRequest request{&document(), rect, false};
    dialogBoxInLanguage(dialog, labelNameDialog, reinterpret_cast<LPARAM>(&request));
    afterLabelDialog(request.changed);
    return TRUE;
}

} // namespace qv::win
