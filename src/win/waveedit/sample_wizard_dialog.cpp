// Sample Wizard. Cancel leaves the document untouched.
#include "waveedit/sample_wizard_dialog.h"

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/message_box.h"
#include "app/window_prompt.h"
#include "resource.h"

#include <new>

namespace qv::win {
namespace {

struct DialogState {
    SampleWizardRequest* request = nullptr;
} state;

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    state = {reinterpret_cast<SampleWizardRequest*>(lParam)};
    setChecked(dialog, IDC_WIZARD_SYNC, true);
    return TRUE;
}

LRESULT onOk(HWND dialog, const Command&) {
    state.request->kind = isChecked(dialog, IDC_WIZARD_ASYNC) ? SampleKind::AsyncCounter : SampleKind::SyncCounter;
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
};
constexpr CommandEntry commands[] = {
    {IDOK, onOk},
    {IDCANCEL, endDialogWith<IDCANCEL>},
};
constexpr MessageTable table{.messages = messages, .commands = commands};

} // namespace

const DialogDefinition sampleWizardDialog{IDD_SAMPLE_WIZARD, dialogProcedure<table>};

bool runSampleWizardDialog(HWND owner, Document& doc, int cardType) {
    SampleWizardRequest request;
    if (dialogBoxInLanguage(owner, sampleWizardDialog, reinterpret_cast<LPARAM>(&request)) != IDOK) return false;
    WindowPrompt prompt(owner);
    Msg refused = Msg::None;
    try {
        refused = runSampleWizard(doc, request.kind, cardType, prompt);
    } catch (const std::bad_alloc&) {
        refused = Msg::MemoryNotEnough;
    }
    if (refused != Msg::None) {
        messageBox(owner, refused, MB_ICONERROR | MB_OK);
        return false;
    }
    return true;
}

} // namespace qv::win
