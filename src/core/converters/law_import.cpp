// LAW import: header and signature, acquisition block, label records, sample data.
#include "converters/law_import.h"

#include "support/little_endian.h"
#include "waveedit/labels.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace qv::law {

namespace {

constexpr std::size_t headerBytes = 64;
constexpr std::size_t revisionAt = 32, acquisitionAt = 40, labelsAt = 48, dataAt = 56, dataSizeAt = 60;
constexpr std::size_t bytesPerSampleAt = 0, compressionAt = 120, frequencyFlagsAt = 168, frequencyAt = 236;
constexpr std::size_t acquisitionBytes = 240;
constexpr std::uint8_t frequencyInHertz = 0x10;
constexpr int demoMinimumUsableBytes = 65536;
constexpr std::size_t blockSamples = 65536;
constexpr std::uint32_t none = 0, runLength = 1; // compression

struct RateCode {
    int code, hertz;
};
constexpr RateCode rateCodes[] = {{0, 200000000}, {1, 100000000}, {8, 50000000}, {16, 20000000}, {24, 10000000},
                                  {9, 5000000},   {17, 2000000},  {25, 1000000}, {10, 500000},   {18, 200000},
                                  {26, 100000},   {11, 50000},    {19, 20000},   {27, 10000},    {12, 5000},
                                  {20, 2000},     {28, 1000},     {13, 500},     {21, 200},      {29, 100},
                                  {3, 50},        {22, 20},       {30, 10},      {7, 0}};
constexpr int unknownRateFrequency = 10000000;

std::uint32_t field(const std::uint8_t* bytes, std::size_t at) {
    return static_cast<std::uint32_t>(readLe32({bytes, at + 4}, at));
}

bool signatureIs(const std::uint8_t* header, const char* signature) {
    const char* text = reinterpret_cast<const char*>(header);
    return strnlen(text, 32) == std::strlen(signature) && std::memcmp(text, signature, std::strlen(signature)) == 0;
}

// Reads the label records from `offset` up to the terminator (or the file's end) into `labels`
// behind the command label.
Msg readLabels(ByteSource& source, std::int64_t offset, LabelTable& labels, int& count) {
    labels.fill(LabelRecord{});
    int next = writeDefaultCommandLabel(labels, 0);
    count = 0;
    for (;; offset += labelRecordBytes) {
        LabelRecord record;
        if (offset < 0 || !source.read(offset, &record, sizeof record)) break;
        if (record.positionCode == positionEnd) break;
        if (count == maxFileLabels) return Msg::TooManyLabels;
        if (record.bitIndex < 0 || record.bitIndex > highestBitIndex - firstChannelBit) return Msg::ChannelNumberTooBig;
        record.bitIndex += firstChannelBit;
        labels[static_cast<std::size_t>(next++)] = record;
        ++count;
    }
    normaliseLabels(labels);
    return Msg::None;
}

// The samples run-length data decodes to: the repeat counts of its entries from `at` to the end of
// the file, saturated.
std::int64_t decodedRunLengthSamples(ByteSource& source, std::int64_t at, std::size_t entryBytes,
                                     std::size_t valueBytes, std::vector<std::uint8_t>& block) {
    constexpr std::int64_t saturated = std::int64_t{1} << 40;
    std::int64_t total = 0;
    const std::int64_t fileSize = source.size();
    while (at + static_cast<std::int64_t>(entryBytes) <= fileSize && total < saturated) {
        const std::size_t entries = static_cast<std::size_t>(
            std::min<std::int64_t>(blockSamples, (fileSize - at) / static_cast<std::int64_t>(entryBytes)));
        if (!source.read(at, block.data(), entries * entryBytes)) break;
        at += static_cast<std::int64_t>(entries * entryBytes);
        for (std::size_t k = 0; k < entries; ++k) total += field(block.data() + k * entryBytes, valueBytes);
    }
    return std::min(total, saturated);
}

} // namespace

int viewerRateFrequency(int code) {
    for (const RateCode& r : rateCodes)
        if (r.code == code) return r.hertz;
    return unknownRateFrequency;
}

Msg importLaw(ByteSource& source, Document& doc, Prompt& prompt, ImportResult& result) {
    result = ImportResult{};
    const std::int64_t fileSize = source.size();
    if (fileSize <= 0) return Msg::CantOpenFile;
    std::array<std::uint8_t, headerBytes> header{};
    if (!source.read(0, header.data(), std::min<std::size_t>(headerBytes, static_cast<std::size_t>(fileSize))))
        return Msg::CantOpenFile;
    const bool viewer = signatureIs(header.data(), viewerSignature);
    const bool law2 = signatureIs(header.data(), law200Signature) || signatureIs(header.data(), law202Signature);
    if (!viewer && !law2) return Msg::NotLaWaveformFile;
    if (law2 && field(header.data(), revisionAt) > newestLawRevision) return Msg::UpgradeEditor;

    // Offsets that point outside the file make it no waveform file.
    std::array<std::uint8_t, acquisitionBytes> acquisition{};
    const std::int64_t acquisitionOffset = field(header.data(), acquisitionAt);
    const std::int64_t labelOffset = field(header.data(), labelsAt);
    const std::int64_t dataOffset = field(header.data(), dataAt);
    if (!source.read(acquisitionOffset, acquisition.data(), acquisition.size()) || dataOffset > fileSize)
        return Msg::NotLaWaveformFile;
    const int fileBytesPerSample = field(acquisition.data(), bytesPerSampleAt) == 4 ? 4 : 8;
    const std::uint32_t compression = law2 ? field(acquisition.data(), compressionAt) : none;
    const std::int64_t dataBytes =
        law2 ? static_cast<std::int64_t>(field(header.data(), dataSizeAt)) : fileSize - dataOffset;
    const std::size_t entryBytes = fileBytesPerSample == 4 ? 8 : 16;
    std::vector<std::uint8_t> block(blockSamples * 16);
    // Run-length data counts the samples it decodes to, not its entries.
    result.fileSamples = compression == runLength
        ? decodedRunLengthSamples(source, dataOffset, entryBytes, static_cast<std::size_t>(fileBytesPerSample), block)
        : dataBytes / fileBytesPerSample;

    const int usableBefore = doc.usableSampleBytes();
    auto demoAdjust = [&] {
        if (doc.deviceAttached()) return;
        const std::int64_t depth = doc.capabilities().depthSamples();
        doc.setUsableSampleBytes(result.fileSamples <= depth ? static_cast<int>(std::max<std::int64_t>(
                                                                   result.fileSamples * 8, demoMinimumUsableBytes))
                                                             : static_cast<int>(depth * 8));
    };
    auto sizeQuestion = [&] {
        if (result.fileSamples <= doc.usableSamples()) return true;
        return prompt.ask(static_cast<int>(Msg::DepthLosesData), Buttons::YesNo) == Answer::Yes;
    };
    if (law2) demoAdjust();
    if (!sizeQuestion()) {
        doc.setUsableSampleBytes(usableBefore);
        result.declined = true;
        return Msg::None;
    }

    const std::uint32_t rate = field(acquisition.data(), frequencyAt);
    result.sampleFrequency = law2 || (acquisition[frequencyFlagsAt] & frequencyInHertz)
        ? static_cast<int>(rate)
        : viewerRateFrequency(static_cast<int>(rate));
    auto labels = std::make_unique<LabelTable>();
    Msg failed = readLabels(source, labelOffset, *labels, result.labels);
    if (failed == Msg::None && compression != none && compression != runLength) failed = Msg::LawFormatNotSupported;
    if (failed != Msg::None) {
        doc.setUsableSampleBytes(usableBefore);
        return failed;
    }
    if (viewer) demoAdjust();

    doc.labels() = *labels;
    doc.output().baseFrequency = result.sampleFrequency;
    std::span<Sample> image = doc.usableImage();
    std::fill(image.begin(), image.end(), Sample{0});
    std::size_t written = 0;
    if (compression == none) {
        // A header may promise more data than the file holds: only what is there is converted.
        const std::int64_t present = (fileSize - dataOffset) / fileBytesPerSample;
        const std::size_t n =
            static_cast<std::size_t>(std::min({static_cast<std::int64_t>(image.size()), result.fileSamples, present}));
        for (std::size_t done = 0; done < n;) {
            const std::size_t count = std::min(blockSamples, n - done);
            const std::size_t bytes = count * static_cast<std::size_t>(fileBytesPerSample);
            const std::int64_t at = dataOffset + static_cast<std::int64_t>(done) * fileBytesPerSample;
            if (!source.read(at, block.data(), bytes)) break;
            for (std::size_t k = 0; k < count; ++k) {
                std::uint64_t value = 0;
                std::memcpy(&value, block.data() + k * static_cast<std::size_t>(fileBytesPerSample),
                            static_cast<std::size_t>(fileBytesPerSample));
                image[done + k] = value << firstChannelBit;
            }
            done += count;
            written = done;
        }
    } else {
        std::int64_t at = dataOffset;
        while (written < image.size() && at + static_cast<std::int64_t>(entryBytes) <= fileSize) {
            const std::size_t entries = static_cast<std::size_t>(
                std::min<std::int64_t>(blockSamples, (fileSize - at) / static_cast<std::int64_t>(entryBytes)));
            if (!source.read(at, block.data(), entries * entryBytes)) break;
            at += static_cast<std::int64_t>(entries * entryBytes);
            for (std::size_t k = 0; k < entries && written < image.size(); ++k) {
                const std::uint8_t* e = block.data() + k * entryBytes;
                std::uint64_t value = 0;
                std::memcpy(&value, e, static_cast<std::size_t>(fileBytesPerSample));
                const std::uint32_t repeat = field(e, static_cast<std::size_t>(fileBytesPerSample));
                const std::size_t count = std::min<std::size_t>(repeat, image.size() - written);
                std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(written), count, value << firstChannelBit);
                written += count;
            }
        }
    }
    result.samplesWritten = static_cast<int>(written);
    return Msg::None;
}

} // namespace qv::law
