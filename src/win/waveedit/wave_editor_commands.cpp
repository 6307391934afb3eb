// The document's cursors and marks are the view's too: they are handed to the dialogs through the
// document's positions and read back afterwards.
#include "waveedit/wave_editor_commands.h"

#include "app/app_state.h"
#include "waveedit/command_setting_dialog.h"
#include "waveedit/print_dialog.h"
#include "waveedit/wave_editor_edit.h"
#include "waveedit/wave_editor_run.h"
#include "waveedit/wave_editor_state.h"
#include "waveedit/wave_toolbar.h"
#include "waveedit/waveform_check_run.h"
#include "waveedit/waveform_file_dialogs.h"

#include <algorithm>

namespace qv::win {
namespace {

void cursorsToDocument() { document().positions().cursors = editor().cursors.samples; }

void cursorsFromDocument() { editor().cursors.samples = document().positions().cursors; }

// A freshly loaded or cleared document: no range selection, the rows as its labels give them.
void documentReplaced() {
    editor().rangeSelected = false;
    refreshDocumentView();
}

} // namespace

LRESULT onNew(HWND dialog, const Command&) {
    if (runNewWaveform(dialog, editor().mainWindow, document())) documentReplaced();
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT onOpen(HWND dialog, const Command&) {
    WaveEditorState& s = editor();
    const Driver* driver = app().device != noDevice ? &app().driver : nullptr;
    if (runOpenWaveform(dialog, s.mainWindow, document(), s.startPath, driver)) documentReplaced();
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT onSave(HWND dialog, const Command&) {
    WaveEditorState& s = editor();
    int saveMode = document().output().saveMode;
    runSaveWaveform(dialog, s.mainWindow, document(), s.startPath, saveMode, deviceCardType());
    document().output().saveMode = saveMode;
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT onPrint(HWND dialog, const Command&) {
    const PrintRequest request{&document(), editor().rows, currentEditTarget()};
    runPrint(dialog, request);
    refreshDocumentView(); // Mark Area restored the label table from its snapshot
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT onCommandSetting(HWND dialog, const Command&) {
    WaveEditorState& s = editor();
    const bool rowsSelected = !currentEditTarget().rows.empty();
    if (rowsSelected && !s.rangeSelected) {
        // A label selection marks the whole usable area.
        document().positions().markStart = 0;
        document().positions().markEnd = std::max(usableSamples() - 1, 0);
    }
    cursorsToDocument();
    if (runCommandSetting(dialog, document(), rowsSelected, deviceCardType())) refreshView();
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT onWaveformCheck(HWND dialog, const Command&) {
    WaveEditorState& s = editor();
    cursorsToDocument();
    if (runWaveformCheck(dialog, document())) {
        cursorsFromDocument();
        s.rangeSelected = false;
        const int sample = s.cursors.samples[CursorT];
        if (sample != unsetPosition)
            s.layout.position.firstSample =
                firstSampleShowing(s.layout.position.zoom, s.area.width, s.layout.position.firstSample, sample);
        refreshView();
        updateToolbar();
    }
    giveFocusToMainWindow();
    return TRUE;
}

} // namespace qv::win
