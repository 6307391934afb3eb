// Choosing the format of a waveform file by its name or the save mode.
#include "waveedit/waveform_files.h"

#include "waveedit/labels.h"
#include "waveedit/qvv_reader.h"
#include "waveedit/qvv_writer.h"
#include "waveedit/qvw_file.h"

namespace qv {

bool isTextVectorFileName(std::string_view path) {
    return path.size() >= 4 && (path.substr(path.size() - 4) == ".qvv" || path.substr(path.size() - 4) == ".QVV");
}

bool hasDataLabel(const LabelTable& labels) {
    const int end = labelRecordCount(labels);
    for (int i = 0; i < end; ++i)
        if (labels[i].bitIndex >= firstChannelBit) return true;
    return false;
}

Msg openWaveformFile(const std::string& path, Document& doc, Prompt& prompt, const Driver* driver) {
    const Msg result = isTextVectorFileName(path) ? loadQvv(path, doc, driver) : loadQvw(path, doc, prompt);
    if (result == Msg::None) {
        // A new document: the old one's undo would write into it; what the file holds is saved.
        doc.clearUndo();
        doc.markSaved();
    }
    return result;
}

Msg saveWaveformFile(const std::string& path, const Document& doc, int saveMode, int cardType,
                     std::string* refusedLabel) {
    return saveMode == saveModeText ? saveQvv(path, doc, cardType, refusedLabel) : saveQvw(path, doc);
}

} // namespace qv
