// Writing and loading WAVEEDIT.LBL and WAVEEDIT.WAV. The in-memory label record and sample word
// are the file layouts byte for byte (little-endian hosts), so both files move as single blocks.
#include "waveedit/handoff.h"

#include "support/file_io.h"
#include "waveedit/labels.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace qv {

static_assert(std::endian::native == std::endian::little, "file records are read as memory images");

std::string handoffLabelPath(const std::string& folder) { return joinPath(folder, handoffLabelFileName); }
std::string handoffSamplePath(const std::string& folder) { return joinPath(folder, handoffSampleFileName); }

Msg writeHandoffLabels(const std::string& path, const LabelTable& labels) {
    ReplacingFileWriter out;
    if (!out.open(path)) return Msg::FileCanNotCreate;
    std::size_t count = static_cast<std::size_t>(labelRecordCount(labels));
    if (!out.write(labels.data(), count * labelRecordBytes) || !out.commit()) return Msg::FileCanNotCreate;
    return Msg::None;
}

Msg writeHandoffSamples(const std::string& path, std::span<const Sample> usableImage) {
    ReplacingFileWriter out;
    if (!out.open(path)) return Msg::FileCanNotCreate;
    if (!out.write(usableImage.data(), usableImage.size_bytes()) || !out.commit()) return Msg::FileCanNotCreate;
    return Msg::None;
}

Msg writeHandoffFiles(const std::string& folder, const LabelTable& labels, std::span<const Sample> usableImage) {
    if (Msg m = writeHandoffLabels(handoffLabelPath(folder), labels); m != Msg::None) return m;
    return writeHandoffSamples(handoffSamplePath(folder), usableImage);
}

bool saveHandoffOnClose(const std::string& folder, const Document& doc) {
    bool samples = writeHandoffSamples(handoffSamplePath(folder), doc.usableImage()) == Msg::None;
    bool labels = writeHandoffLabels(handoffLabelPath(folder), doc.labels()) == Msg::None;
    return samples && labels;
}

namespace {

// prefix: the first bytes of the file (at most 201 records); fileBytes: its whole size, -1 when
// there is no file.
void applyLabelFile(std::span<const std::uint8_t> prefix, std::int64_t fileBytes, LabelTable& labels) {
    labels.fill(LabelRecord{});
    bool usable = fileBytes >= 0 && fileBytes % labelRecordBytes == 0;
    if (usable) {
        // More than 201 records cannot be held with the terminator: the rest is cut off.
        std::size_t count = std::min<std::size_t>(prefix.size() / labelRecordBytes, maxLabels);
        if (count > 0) std::memcpy(labels.data(), prefix.data(), count * labelRecordBytes); // an empty file has no data
        // A record naming a bit outside the sample would later be used as a shift count: treat
        // the file as malformed rather than carry such a record into the document.
        int end = labelRecordCount(labels);
        for (int i = 0; i < end && usable; ++i) usable = validBitIndex(labels[i].bitIndex);
    }
    if (!usable) resetToDefaultLabels(labels);
    normaliseLabels(labels);
}

} // namespace

void loadHandoffLabelBytes(std::span<const std::uint8_t> bytes, LabelTable& labels) {
    applyLabelFile(bytes.first(std::min<std::size_t>(bytes.size(), maxLabels * labelRecordBytes)),
                   static_cast<std::int64_t>(bytes.size()), labels);
}

void loadHandoffLabels(const std::string& path, LabelTable& labels) {
    InputFile file;
    std::vector<std::uint8_t> prefix;
    std::int64_t size = -1;
    if (file.open(path)) {
        // Only the first 201 records are ever used; a longer file is not read in full.
        prefix.resize(static_cast<std::size_t>(std::min<std::int64_t>(file.size(), maxLabels * labelRecordBytes)));
        if (file.read(0, prefix.data(), prefix.size())) size = file.size();
    }
    applyLabelFile(prefix, size, labels);
}

void loadHandoffSamples(const std::string& path, Document& doc) {
    doc.clearSamples();
    InputFile file;
    if (!file.open(path)) return;
    std::int64_t count = std::min<std::int64_t>(file.size(), doc.usableSampleBytes());
    if (!file.read(0, doc.image(), static_cast<std::size_t>(count))) doc.clearSamples();
}

void loadHandoffFiles(const std::string& folder, Document& doc) {
    loadHandoffLabels(handoffLabelPath(folder), doc.labels());
    loadHandoffSamples(handoffSamplePath(folder), doc);
    doc.clearUndo();
}

} // namespace qv
