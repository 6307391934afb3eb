// libFuzzer harness of the hand-off label loader: arbitrary bytes as WAVEEDIT.LBL, then the
// loaded table is walked label by label and written as .qvv text.
#include "waveedit/document.h"
#include "waveedit/handoff.h"
#include "waveedit/labels.h"
#include "waveedit/qvv_writer.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto doc = qv::Document::create(qv::capabilitiesFor(0xA020), true);
    qv::loadHandoffLabelBytes({data, size}, doc->labels());
    int rows = 0;
    qv::forEachLabel(doc->labels(), [&](qv::LabelSpan span) { rows += span.count; });
    if (rows > qv::maxLabels) __builtin_trap();
    doc->image()[0] = size > 8 ? *reinterpret_cast<const qv::Sample*>(data) : 0; // any bits, unlabelled ones too
    std::string text;
    (void)qv::qvvText(*doc, 0, text);
    return 0;
}
