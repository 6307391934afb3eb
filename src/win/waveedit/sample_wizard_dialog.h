// Sample Wizard (dialog 422, toolbar 11011): chooses the sync or the async counter sample. Building
// it and replacing the labels are core's (runSampleWizard); the caller refreshes the view.
#pragma once

#include <windows.h>

#include "app/dialog_template.h"
#include "waveedit/document.h"
#include "waveedit/sample_wizard.h"

namespace qv::win {

struct SampleWizardRequest {
    SampleKind kind = SampleKind::SyncCounter; // out: the chosen sample when the dialog ends with IDOK
};

extern const DialogDefinition sampleWizardDialog; // lParam: SampleWizardRequest*

// Runs the dialog; on OK builds the chosen sample into doc, asking 12027 through a box owned by
// owner and showing 12007 when the sample does not fit. True when the document changed.
bool runSampleWizardDialog(HWND owner, Document& doc, int cardType);

} // namespace qv::win
