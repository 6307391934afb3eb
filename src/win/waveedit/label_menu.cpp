// The menu's texts are the strings whose ids are the entries' command ids. Commands of the menu
// are posted, so the menu is gone before a dialog opens.
#include "waveedit/label_menu.h"

#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/window_prompt.h"
#include "resource.h"
#include "waveedit/label_ops.h"
#include "waveedit/view_selection.h"
#include "waveedit/wave_editor_state.h"

#include <algorithm>

namespace qv::win {
namespace {

LabelMenuTracker menuTracker;

int trackMenu(HWND dialog, HMENU menu, POINT client) {
    if (menuTracker) return menuTracker(menu);
    POINT screen = client;
    ClientToScreen(dialog, &screen);
    return TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, screen.x, screen.y, 0, dialog,
                          nullptr);
}

HMENU buildMenu() {
    const Document& doc = document();
    HMENU menu = CreatePopupMenu();
    for (const LabelMenuEntry& entry : labelContextMenu(labelSelectionCase(doc.labels()), doc.canUndoLabels())) {
        if (entry.command == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const std::wstring text = loadString(static_cast<Msg>(entry.command));
        AppendMenuW(menu, MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(entry.command),
                    text.c_str());
    }
    return menu;
}

bool rowSelected(int row) {
    const WaveEditorState& s = editor();
    return rowHasFlag(document().labels(), s.rows[static_cast<std::size_t>(row)], stateLabelSelected);
}

bool anySelectedOf(bool (*accept)(const LabelRecord&)) {
    const LabelTable& table = document().labels();
    for (LabelSpan span : selectedLabels(table))
        if (accept(table[static_cast<std::size_t>(span.first)])) return true;
    return false;
}

} // namespace

void setLabelMenuTracker(LabelMenuTracker tracker) { menuTracker = std::move(tracker); }

void labelsChanged() {
    editor().anchors.labelRow = -1; // the rows are numbered anew
    refreshDocumentView();
    giveFocusToMainWindow();
}

void afterLabelDialog(bool changed) {
    if (changed)
        labelsChanged();
    else
        giveFocusToMainWindow();
}

void showLabelRefusal(HWND owner, Msg refusal) { messageBox(owner, refusal, MB_ICONERROR | MB_OK); }

bool endWhenAccepted(HWND dialog, Msg refusal) {
    if (refusal != Msg::None) {
        showLabelRefusal(dialog, refusal);
        return false;
    }
    EndDialog(dialog, IDOK);
    return true;
}

void showLabelMenu(HWND dialog, const Hit& hit, POINT client) {
    WaveEditorState& s = editor();
    s.labelColumnFocus = true;
    if (hit.row >= 0 && hit.row < static_cast<int>(s.rows.size()) && !rowSelected(hit.row)) {
        clickLabelName(document().labels(), s.rows, hit.row, false, false, s.anchors);
        redrawView();
        updateToolbar();
    }
    HMENU menu = buildMenu();
    const int command = trackMenu(dialog, menu, client);
    DestroyMenu(menu);
    if (command > 0) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

namespace {

enum class DropKind { None, Between, Onto };
struct DropTarget {
    DropKind kind = DropKind::None;
    int row = -1; // Between: the row the labels go before (the row count: the end); Onto: the target
};

// In the top quarter of a row the labels go before it, elsewhere on it they combine with it.
DropTarget dropTargetAt(POINT at) {
    const WaveEditorState& s = editor();
    const int count = static_cast<int>(s.rows.size());
    if (at.x < 0 || at.x >= s.area.left || at.y < s.area.top || at.y >= s.area.bottom()) return {};
    const int row = rowAtY(s.layout.position, s.area, count, at.y);
    if (row < 0) return {DropKind::Between, count};
    const int offset = at.y - rowTop(s.layout.position, s.area, row);
    return {offset < s.area.rowHeight / 4 ? DropKind::Between : DropKind::Onto, row};
}

} // namespace

void showLabelDragPointer(POINT at) {
    constexpr int insertShape = 32516, combineShape = 32515, refusedShape = 32648; // up arrow, cross, no
    const DropKind kind = dropTargetAt(at).kind;
    const int shape = kind == DropKind::Between ? insertShape : kind == DropKind::Onto ? combineShape : refusedShape;
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(shape)));
}

void dropLabelAt(int draggedRow, POINT at) {
    WaveEditorState& s = editor();
    if (GetCapture() == s.dialog) ReleaseCapture(); // a refusal's box may follow
    if (draggedRow < 0 || draggedRow >= static_cast<int>(s.rows.size())) return;
    const DropTarget target = dropTargetAt(at);
    switch (target.kind) {
    case DropKind::None: return;
    case DropKind::Between:
        dropLabelsBetween(document(), draggedRow, target.row);
        labelsChanged();
        return;
    case DropKind::Onto: break;
    }
    if (target.row == draggedRow) return; // dropped back onto itself
    bool renameFollows = false;
    if (const Msg refused = dropLabelOnto(document(), draggedRow, target.row, renameFollows); refused != Msg::None) {
        showLabelRefusal(s.dialog, refused);
        return;
    }
    labelsChanged();
    if (renameFollows) PostMessageW(s.dialog, WM_COMMAND, MAKEWPARAM(ID_WAVE_MODIFY_LABEL_NAME, 0), 0);
}

LRESULT onDeleteLabel(HWND, const Command&) {
    if (!anySelectedOf([](const LabelRecord& record) { return !isCommandLabel(record); })) {
        MessageBeep(MB_OK); // nothing deletable selected: the command label always stays
        return TRUE;
    }
    deleteSelectedLabels(document());
    labelsChanged();
    return TRUE;
}

LRESULT onDeleteAllLabels(HWND, const Command&) {
    deleteAllLabels(document());
    labelsChanged();
    return TRUE;
}

LRESULT onAddAllLabels(HWND dialog, const Command&) {
    WindowPrompt prompt(dialog);
    if (addAllLabels(document(), prompt) == Answer::Cancel) {
        giveFocusToMainWindow();
        return TRUE;
    }
    labelsChanged();
    return TRUE;
}

LRESULT onDecomposeLabels(HWND dialog, const Command&) {
    if (const Msg refused = decomposeSelectedLabels(document()); refused != Msg::None) {
        showLabelRefusal(dialog, refused);
        return TRUE;
    }
    labelsChanged();
    return TRUE;
}

} // namespace qv::win
