// Each command beeps when it has nothing to act on, as the keys do.
#include "waveedit/wave_editor_edit.h"

#include "app/app_state.h"
#include "waveedit/edit_ops.h"
#include "waveedit/wave_editor_state.h"

namespace qv::win {
namespace {

EditClipboard clipboard; // the editor's own clipboard, kept while the program runs

LRESULT done(bool changed) {
    if (changed)
        refreshView();
    else
        MessageBeep(MB_OK);
    updateToolbar();
    giveFocusToMainWindow();
    return TRUE;
}

// Levels change only the marked samples: the view's summary is updated for those columns alone.
LRESULT level(LevelOperation operation) {
    const EditTarget target = currentEditTarget();
    if (!applyLevel(document(), target, operation)) return done(false);
    samplesChanged(target.markStart, target.markEnd);
    updateToolbar();
    giveFocusToMainWindow();
    return TRUE;
}

} // namespace

EditTarget currentEditTarget() {
    const WaveEditorState& s = editor();
    return editTarget(s.rangeSelected, s.marked, s.rows, document().labels(), usableSamples());
}

bool editorHasCopied() { return clipboard.copied; }

EditEnabling currentEnabling(const EditTarget& target) {
    const WaveEditorState& s = editor();
    EditState state;
    state.copied = clipboard.copied;
    state.tCursorPlaced = s.cursors.samples[CursorT] != unsetPosition;
    state.tCursorActive = s.cursors.active == CursorT;
    state.canUndo = document().canUndoWaveform();
    return editEnabling(target, s.rows, state);
}

LRESULT onLowLevel(HWND, const Command&) { return level(LevelOperation::Low); }
LRESULT onHighLevel(HWND, const Command&) { return level(LevelOperation::High); }
LRESULT onInvert(HWND, const Command&) { return level(LevelOperation::Invert); }

LRESULT onCopy(HWND, const Command&) {
    const bool copied = copySelection(document(), currentEditTarget(), editor().rows, clipboard);
    if (!copied) MessageBeep(MB_OK);
    updateToolbar();
    return TRUE;
}

LRESULT onCut(HWND, const Command&) {
    WaveEditorState& s = editor();
    EditSelection selection{s.rangeSelected, !s.rangeSelected, s.marked.firstRow, s.marked.lastRow};
    const bool cut = cutSelection(document(), currentEditTarget(), s.rows, clipboard, selection);
    s.rangeSelected = selection.rowRange;
    return done(cut);
}

LRESULT onPaste(HWND, const Command&) {
    WaveEditorState& s = editor();
    const int sample = s.cursors.samples[CursorT];
    if (!clipboard.copied || sample == unsetPosition) return done(false);
    const EditMode mode = app().insertMode ? EditMode::Insert : EditMode::Overwrite;
    return done(pasteClipboard(document(), clipboard, s.rows, sample, s.cursors.rows[CursorT], mode));
}

LRESULT onUndo(HWND, const Command&) { return done(document().undoWaveform()); }

LRESULT onLabelUndo(HWND, const Command&) {
    if (!document().undoLabels()) return done(false);
    refreshDocumentView();
    giveFocusToMainWindow();
    return TRUE;
}

} // namespace qv::win
