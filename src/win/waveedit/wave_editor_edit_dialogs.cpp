// Each command beeps when its toolbar button would be disabled (keys and the menu reach the
// handlers too).
#include "waveedit/wave_editor_edit_dialogs.h"

#include "app/app_state.h"
#include "app/strings_win.h"
#include "resource.h"
#include "waveedit/edit_ops.h"
#include "waveedit/edit_selection.h"
#include "waveedit/input_bus_data_dialog.h"
#include "waveedit/sample_wizard_dialog.h"
#include "waveedit/set_clock_dialog.h"
#include "waveedit/wave_editor_edit.h"
#include "waveedit/wave_editor_run.h"
#include "waveedit/wave_editor_state.h"

namespace qv::win {
namespace {

LRESULT finish(bool changed) {
    if (changed) refreshView();
    updateToolbar();
    giveFocusToMainWindow();
    return TRUE;
}

LRESULT refuse() {
    MessageBeep(MB_OK);
    giveFocusToMainWindow();
    return TRUE;
}

void appendItem(HMENU menu, int command, Msg text, bool enabled) {
    AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(command),
                loadString(text).c_str());
}

} // namespace

LRESULT onClock(HWND dialog, const Command&) {
    const EditTarget target = currentEditTarget();
    if (!currentEnabling(target).levels) return refuse();
    return finish(runSetClock(dialog, document(), target));
}

LRESULT onBusData(HWND dialog, const Command&) {
    WaveEditorState& s = editor();
    const EditTarget target = currentEditTarget();
    const ViewRow* bus = busDataRow(target, s.rows);
    if (!currentEnabling(target).inputBusData || !bus) return refuse();
    BusDataRequest request{&document(), target, *bus, s.startPath, false};
    return finish(runInputBusData(dialog, request));
}

LRESULT onSampleWizard(HWND dialog, const Command&) {
    if (runSampleWizardDialog(dialog, document(), deviceCardType())) refreshDocumentView();
    updateToolbar();
    giveFocusToMainWindow();
    return TRUE;
}

HMENU createWaveformMenu() {
    const EditEnabling enabling = currentEnabling(currentEditTarget());
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    appendItem(menu, ID_WAVE_UNDO, Msg::MenuUndo, enabling.undo);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    appendItem(menu, ID_WAVE_CUT, Msg::MenuCut, enabling.cut);
    appendItem(menu, ID_WAVE_COPY, Msg::MenuCopy, enabling.copy);
    appendItem(menu, ID_WAVE_PASTE, Msg::MenuPaste, enabling.paste);
    return menu;
}

void showWaveformMenu(HWND dialog, POINT clientPoint) {
    HMENU menu = createWaveformMenu();
    if (!menu) return;
    ClientToScreen(dialog, &clientPoint);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                         clientPoint.x, clientPoint.y, 0, dialog, nullptr));
    DestroyMenu(menu);
    if (chosen != 0) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
}

} // namespace qv::win
