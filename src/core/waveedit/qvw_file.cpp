// .qvw writing and reading. The label records and samples are memory images of the file's
// records (little-endian hosts), so each block moves with one call.
#include "waveedit/qvw_file.h"

#include "support/little_endian.h"
#include "waveedit/labels.h"
#include "waveedit/output_image.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

namespace qv {

static_assert(std::endian::native == std::endian::little, "file blocks are read as memory images");

int qvwSampleCount(const Document& doc) { return usedSampleCount(doc.sampleBuffer(), doc.usableSamples()); }

Msg saveQvw(const std::string& path, const Document& doc) {
    const int labels = std::min(labelRecordCount(doc.labels()), maxLabels);
    const int labelBytes = (labels + 1) * labelRecordBytes;
    const int samples = qvwSampleCount(doc);
    const int sampleOffset = qvwLabelOffset + labelBytes;
    const int sampleBytes = samples * bytesPerSample;

    std::vector<std::uint8_t> head;
    try {
        head.resize(static_cast<std::size_t>(sampleOffset));
    } catch (const std::bad_alloc&) {
        return Msg::MemoryNotEnough;
    }
    std::memcpy(head.data(), qvwSignature, sizeof qvwSignature);
    const std::int32_t fields[] = {qvwVersionWord,    qvwHeaderBytes, qvwHeaderBytes,
                                   qvwParameterBytes, qvwLabelOffset, labelBytes,
                                   sampleOffset,      sampleBytes,    sampleOffset + sampleBytes};
    for (std::size_t i = 0; i < std::size(fields); ++i) writeLe32(head, qvwSignatureBytes + 4 * i, fields[i]);
    const OutputSettings& out = doc.output();
    const std::int32_t parameters[] = {out.baseFrequency, out.frequencyMode, out.outputLevel0, out.outputLevel1};
    for (std::size_t i = 0; i < std::size(parameters); ++i) writeLe32(head, qvwHeaderBytes + 4 * i, parameters[i]);
    // The records before the terminator, then a clean terminating record (already zero).
    std::memcpy(head.data() + qvwLabelOffset, doc.labels().data(), static_cast<std::size_t>(labels) * labelRecordBytes);

    ReplacingFileWriter file;
    if (!file.open(path)) return Msg::CantOpenFile;
    if (!file.write(head.data(), head.size()) || !file.write(doc.image(), static_cast<std::size_t>(sampleBytes)) ||
        !file.commit())
        return Msg::FileCanNotCreate;
    return Msg::None;
}

namespace {

bool blockInside(std::int64_t fileSize, std::int32_t offset, std::int32_t size) {
    return offset >= 0 && size >= 0 && std::int64_t{offset} + size <= fileSize;
}

// Index of the first sample of the final constant run of samples [0, count).
int finalRunStart(const Sample* samples, int count) {
    int start = count - 1;
    while (start > 0 && samples[start - 1] == samples[count - 1]) --start;
    return start;
}

} // namespace

Msg loadQvw(const std::string& path, Document& doc, Prompt& prompt) {
    InputFile file;
    if (!file.open(path)) return Msg::CantOpenFile;
    return loadQvw(file, doc, prompt);
}

Msg loadQvw(ByteSource& source, Document& doc, Prompt& prompt) {
    const std::int64_t fileSize = source.size();
    std::uint8_t header[qvwHeaderBytes];
    if (fileSize < qvwHeaderBytes || !source.read(0, header, sizeof header)) return Msg::NoQvWaveformFile;
    if (std::memcmp(header, qvwSignature, qvwSignatureBytes) != 0) return Msg::NoQvWaveformFile;
    QvwHeader h;
    std::int32_t* fields[] = {&h.version,   &h.headerSize,   &h.parameterOffset, &h.parameterSize, &h.labelOffset,
                              &h.labelSize, &h.sampleOffset, &h.sampleSize,      &h.endOfFile};
    for (std::size_t i = 0; i < std::size(fields); ++i) *fields[i] = readLe32(header, qvwSignatureBytes + 4 * i);

    // Labels: into the scratch table, checked before anything else changes. A full table is
    // written as 201 labels and its terminator, which fill the whole table: such a block opens,
    // a block of that size without the terminator does not.
    if (h.labelSize > qvwFullLabelBlockBytes) return Msg::TooManyLabels;
    if (h.labelSize % labelRecordBytes != 0 || !blockInside(fileSize, h.labelOffset, h.labelSize))
        return Msg::NoQvWaveformFile;
    LabelTable& scratch = doc.scratchLabels();
    scratch.fill(LabelRecord{});
    if (!source.read(h.labelOffset, scratch.data(), static_cast<std::size_t>(h.labelSize)))
        return Msg::NoQvWaveformFile;
    if (h.labelSize > qvwMaxLabelBlockBytes) {
        if (scratch.back().positionCode != positionEnd) return Msg::TooManyLabels;
        scratch.back() = LabelRecord{};
    }
    const int labelEnd = labelRecordCount(scratch);
    for (int i = 0; i < labelEnd; ++i)
        if (!validBitIndex(scratch[i].bitIndex)) return Msg::ChannelNumberTooBig;

    // The parameter block must hold the four values it is read for.
    const bool hasParameters = h.parameterSize != 0;
    if (hasParameters && (h.parameterSize < 16 || !blockInside(fileSize, h.parameterOffset, 16)))
        return Msg::NoQvWaveformFile;
    if (h.sampleSize % bytesPerSample != 0 || !blockInside(fileSize, h.sampleOffset, h.sampleSize))
        return Msg::NoQvWaveformFile;

    // The sample block is read into the second buffer, which becomes the document only when the
    // whole open has succeeded.
    const int usable = doc.usableSampleBytes();
    Sample* target = doc.secondBuffer().data() + prefixSamples;
    int readBytes = h.sampleSize;
    int loadBytes = h.sampleSize;
    int newUsable = usable;
    if (h.sampleSize > usable) {
        if (!doc.deviceAttached()) {
            // Demo mode: the usable area grows to what is read, up to the memory less its tail.
            const int limit = doc.maxUsableSampleBytes();
            if (h.sampleSize > limit && prompt.ask(static_cast<int>(Msg::FileTooLarge), Buttons::YesNo) != Answer::Yes)
                return Msg::FileTooLarge;
            readBytes = loadBytes = newUsable = std::min(h.sampleSize, limit);
        } else {
            // The block is scanned in the whole second buffer (the sample-buffer size, prefix
            // included), then the part to load moves up behind the prefix.
            Sample* scan = doc.secondBuffer().data();
            readBytes = static_cast<int>(std::min<std::int64_t>(h.sampleSize, doc.secondBuffer().size_bytes()));
            if (!source.read(h.sampleOffset, scan, static_cast<std::size_t>(readBytes))) return Msg::NoQvWaveformFile;
            const int runStartBytes = finalRunStart(scan, readBytes / bytesPerSample) * bytesPerSample;
            const bool cut = readBytes < h.sampleSize;
            if ((cut || runStartBytes + bytesPerSample > usable) &&
                prompt.ask(static_cast<int>(Msg::FileTooLarge), Buttons::YesNo) != Answer::Yes)
                return Msg::FileTooLarge;
            loadBytes = std::min(runStartBytes + bytesPerSample, usable);
            std::memmove(target, scan, static_cast<std::size_t>(loadBytes));
            readBytes = 0; // already in place
        }
    }
    if (readBytes > 0 && !source.read(h.sampleOffset, target, static_cast<std::size_t>(readBytes)))
        return Msg::NoQvWaveformFile;
    std::int32_t parameters[4] = {};
    if (hasParameters) {
        std::uint8_t bytes[16];
        if (!source.read(h.parameterOffset, bytes, sizeof bytes)) return Msg::NoQvWaveformFile;
        for (int i = 0; i < 4; ++i) parameters[i] = readLe32(bytes, 4 * static_cast<std::size_t>(i));
    }

    // Everything is read: complete the new image and make it the document.
    const int loaded = loadBytes / bytesPerSample;
    const int usableSamples = newUsable / bytesPerSample;
    const Sample last = loaded > 0 ? target[loaded - 1] : Sample{0};
    std::fill(target + loaded, target + usableSamples, last);
    std::fill(target + usableSamples, target + doc.imageCapacitySamples(), Sample{0});
    std::copy_n(doc.sampleBuffer().data(), prefixSamples, doc.secondBuffer().data());
    doc.swapSampleBuffers();
    if (newUsable != usable) doc.setUsableSampleBytes(newUsable);
    if (hasParameters) {
        OutputSettings& out = doc.output();
        out.baseFrequency = parameters[0];
        out.frequencyMode = parameters[1];
        out.outputLevel0 = parameters[2];
        out.outputLevel1 = parameters[3];
    }
    doc.labels() = scratch;
    normaliseLabels(doc.labels());
    return Msg::None;
}

} // namespace qv
