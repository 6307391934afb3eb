// Waveform Check's boxes. The whole scan runs first (core, linear in the usable area); the boxes
// then walk its problems in order until the user answers No.
#include "waveedit/waveform_check_run.h"

#include "app/message_box.h"
#include "waveedit/waveform_check.h"

#include <string>

namespace qv::win {

bool runWaveformCheck(HWND owner, Document& doc) {
    const std::vector<CheckProblem> problems = checkWaveform(doc.usableImage(), doc.usableSamples());
    if (problems.empty()) {
        messageBox(owner, Msg::NoError, MB_ICONINFORMATION | MB_OK);
        return false;
    }
    const CheckProblem* last = nullptr;
    for (const CheckProblem& problem : problems) {
        last = &problem;
        const int answer = messageBox(owner, problem.message, MB_ICONERROR | MB_YESNO | MB_HELP, Msg::Caption,
                                      std::to_wstring(problem.sample), {waveEditorHelpTopic, waveEditorHelpContext});
        if (answer != IDYES) break;
    }
    moveToCheckProblem(doc, *last);
    return true;
}

} // namespace qv::win
