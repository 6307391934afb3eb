// The entries the libFuzzer harnesses and the corpus replay test share: each reads one input the
// way its harness does and returns false when an invariant that must hold after any input is
// broken. Documents are static (allocated once). Every loaded document is scanned over its whole
// usable area (used length, final constant run), which coverage tracing makes slow: even the
// smallest model's 65,536 samples allow only about 300 inputs a second, so the documents here have
// that model's rules with a memory of 4,096 samples. The VCD and VHDL importers' work grows with
// the image (loops run until it is full, levels are held to its end, for every channel), so
// their harnesses use 512 samples.
#pragma once

#include "app/models.h"
#include "app/update_list.h"
#include "app/update_manifest.h"
#include "converters/law_import.h"
#include "converters/sigrok_import.h"
#include "converters/text_vector_convert.h"
#include "converters/vcd_import.h"
#include "converters/vhdl_import.h"
#include "device/prompt.h"
#include "support/file_io.h"
#include "waveedit/document.h"
#include "waveedit/handoff.h"
#include "waveedit/labels.h"
#include "waveedit/qvv_reader.h"
#include "waveedit/qvv_writer.h"
#include "waveedit/qvw_file.h"

#include "../tests/core/zip_builder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace qv::fuzz {

inline constexpr int smallestModel = 0xA020; // 64K samples, like 0xA050, 0xB016, 0xB816, 0xC020, ...
inline constexpr int fuzzDepthSamples = 4096;
inline constexpr int importerFuzzDepthSamples = 512;

inline Capabilities fuzzCapabilities(int depthSamples = fuzzDepthSamples) {
    Capabilities caps = capabilitiesFor(smallestModel);
    caps.memoryDepthBytes = depthSamples * bytesPerSample;
    caps.sampleBufferBytes = (depthSamples + 22) * bytesPerSample;
    caps.usableSampleBytes = (depthSamples - 24) * bytesPerSample;
    return caps;
}

// Arbitrary bytes as WAVEEDIT.LBL; the loaded table is walked label by label and written as .qvv
// text, with any bits set in the first sample, unlabelled ones too.
inline bool handoffLabels(const std::uint8_t* data, std::size_t size) {
    static auto doc = Document::create(fuzzCapabilities(), true);
    loadHandoffLabelBytes({data, size}, doc->labels());
    int records = 0;
    forEachLabel(doc->labels(), [&](LabelSpan span) { records += span.count; });
    Sample first = 0;
    if (size >= sizeof first) std::memcpy(&first, data, sizeof first);
    doc->image()[0] = first;
    std::string text;
    (void)qvvText(*doc, 0, text);
    return records <= maxLabels && doc->labels()[maxLabels].positionCode == positionEnd;
}

// Arbitrary text through qvReadQVV's reader into a small image and a full signal table; a table
// that reads is rebuilt into labels. The table must end within its size.
inline bool textVector(const std::uint8_t* data, std::size_t size) {
    static std::vector<Sample> samples(4096);
    static std::vector<SignalEntry> table(signalTableEntries);
    std::int32_t frequencyAndMode[2] = {10000000, 1};
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (readTextVector(text, samples, table, frequencyAndMode) != Msg::None) return true;
    bool terminated = false;
    for (const SignalEntry& e : table) terminated = terminated || e.bitCount == 0;
    LabelTable labels{};
    (void)labelsFromSignalTable(table, labels);
    return terminated && frequencyAndMode[0] > 0;
}

class FixedPrompt : public Prompt {
  public:
    explicit FixedPrompt(bool yes) : yes_(yes) {}
    Answer ask(int, Buttons) override { return yes_ ? Answer::Yes : Answer::No; }
    void show(int, const std::string&) override {}

  private:
    bool yes_;
};

// Arbitrary bytes as a .qvw file, read with an instrument attached or in demo mode and the 12070
// question answered from the last byte; a document that loads is written as .qvv text.
inline bool binaryWaveform(const std::uint8_t* data, std::size_t size) {
    static auto device = Document::create(fuzzCapabilities(), true);
    static auto demo = Document::create(fuzzCapabilities(), false);
    const bool useDemo = size > 0 && (data[size - 1] & 1);
    Document& doc = useDemo ? *demo : *device;
    doc.setUsableSampleBytes(doc.capabilities().usableSampleBytes);
    FixedPrompt prompt(size > 0 && (data[size - 1] & 2));
    MemorySource source(data, size);
    if (loadQvw(source, doc, prompt) != Msg::None) return true;
    std::string text;
    (void)qvvText(doc, 0, text);
    return qvwSampleCount(doc) <= doc.usableSamples() && labelRecordCount(doc.labels()) <= maxLabels;
}

// Arbitrary text as a VCD file into a small image, the questions answered from the last byte, read
// in blocks of 4 KiB or (by the last byte) 256 bytes, so that tokens often cross a block's end. The
// data must stay inside the image, every signal on the model's channels, the label table ended.
inline bool valueChangeDump(const std::uint8_t* data, std::size_t size) {
    static std::vector<Sample> image(importerFuzzDepthSamples - 24);
    static LabelTable labels{};
    vcd::ImportSettings settings;
    settings.capabilities = fuzzCapabilities(importerFuzzDepthSamples);
    settings.waitKey = size > 0 && (data[size - 1] & 4);
    settings.blockBytes = size > 0 && (data[size - 1] & 8) ? 256 : 4096;
    FixedPrompt prompt(size > 0 && (data[size - 1] & 2));
    MemorySource source(data, size);
    vcd::ImportResult result;
    if (vcd::importVcd(source, settings, prompt, image, labels, result) != Msg::None || result.abandoned) return true;
    const int end = vcd::finishVcdImage(image, settings, result);
    bool inside = end <= static_cast<int>(image.size()) && result.end <= result.repeatEnd;
    for (const textvector::Signal& s : result.signals)
        for (int c : s.channels) inside = inside && c >= 0 && c < settings.capabilities.channelCount;
    return inside && labelRecordCount(labels) <= maxLabels;
}

// Arbitrary bytes as a LAW file, into a document with an instrument or in demo mode (the last
// byte decides, and answers 12045). Labels must stay valid, samples inside the usable area.
inline bool logicAnalyzerWaveform(const std::uint8_t* data, std::size_t size) {
    static auto device = Document::create(fuzzCapabilities(), true);
    static auto demo = Document::create(fuzzCapabilities(), false);
    Document& doc = size > 0 && (data[size - 1] & 1) ? *demo : *device;
    FixedPrompt prompt(size > 0 && (data[size - 1] & 2));
    MemorySource source(data, size);
    law::ImportResult result;
    if (law::importLaw(source, doc, prompt, result) != Msg::None || result.declined) return true;
    bool valid = result.samplesWritten <= doc.usableSamples() && labelRecordCount(doc.labels()) <= maxLabels;
    for (int i = 0; i < labelRecordCount(doc.labels()); ++i) valid = valid && validBitIndex(doc.labels()[i].bitIndex);
    return valid;
}

// A sigrok session: arbitrary bytes as the archive when they start with "P" (the zip container),
// else metadata text, a NUL and the logic data, stored in a well-formed archive (the metadata and
// the samples), into a small image on a 20-channel model with the questions answered from the
// last byte. The data must stay inside the image, every label on the model's channels.
inline bool sigrokSession(const std::uint8_t* data, std::size_t size) {
    static std::vector<Sample> image(fuzzDepthSamples - 24);
    static LabelTable labels{};
    std::vector<std::uint8_t> wrapped;
    const char* bytes = reinterpret_cast<const char*>(data);
    if (size > 0 && data[0] != 'P') {
        const std::string_view text(bytes, size);
        const std::size_t nul = std::min(text.find('\0'), size);
        wrapped = test::buildZip({{"version", "2", false},
                                  {"metadata", std::string(text.substr(0, nul)), false},
                                  {"logic-1-1", std::string(text.substr(std::min(nul + 1, size))), false}});
        data = wrapped.data();
        size = wrapped.size();
    }
    sigrok::ImportSettings settings;
    settings.capabilities = fuzzCapabilities();
    FixedPrompt prompt(size > 0 && (data[size - 1] & 2));
    MemorySource source(data, size);
    sigrok::ImportResult result;
    if (sigrok::importSigrok(source, settings, prompt, image, labels, result) != Msg::None || result.abandoned)
        return true;
    bool valid = result.end >= 0 && result.end <= static_cast<int>(image.size()) &&
        static_cast<int>(result.probeNames.size()) <= settings.capabilities.channelCount &&
        labelRecordCount(labels) <= maxLabels;
    for (int i = 0; i < labelRecordCount(labels); ++i)
        valid = valid &&
            labels[static_cast<std::size_t>(i)].bitIndex < firstChannelBit + settings.capabilities.channelCount;
    return valid;
}

// Arbitrary text as a VHDL test bench on a 100 or 200 MHz model (the last byte decides, and
// answers 12082). The data must stay inside the image, every signal on channels 0..49.
inline bool vhdlTestBench(const std::uint8_t* data, std::size_t size) {
    static std::vector<Sample> image(importerFuzzDepthSamples - 24);
    static LabelTable labels{};
    vhdl::ImportSettings settings;
    settings.capabilities = fuzzCapabilities(importerFuzzDepthSamples);
    if (size > 0 && (data[size - 1] & 1)) settings.capabilities.modelCode = 0xB816;
    settings.repeat = size > 0 && (data[size - 1] & 4);
    FixedPrompt prompt(size > 0 && (data[size - 1] & 2));
    vhdl::ImportResult result;
    if (vhdl::importVhdl(std::string(reinterpret_cast<const char*>(data), size), settings, prompt, image, labels,
                         result) != Msg::None)
        return true;
    const int end = vhdl::finishVhdlImage(image, settings, result);
    bool inside = end <= static_cast<int>(image.size()) && result.end <= static_cast<int>(image.size()) - prefixSamples;
    for (const textvector::Signal& s : result.signals)
        for (int c : s.channels) inside = inside && c >= 0 && c < vhdl::maxTestBenchChannels;
    return inside && labelRecordCount(labels) <= maxLabels;
}

// Arbitrary bytes as a received update list: every record's tokens are non-empty and blank-free,
// the walk never reports an update without a record that is older, and a malformed record is
// never the one that offers it.
inline bool updateList(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const auto blankFree = [](std::string_view token) {
        return !token.empty() && token.find_first_of(" \t\r\n") == std::string_view::npos;
    };
    bool anyOlder = false;
    for (const UpdateRecord& record : updateRecords(body)) {
        if (!blankFree(record.name) || !blankFree(record.version) || !blankFree(record.directory)) return false;
        const auto comparison = compareVersion(record, LocalFileFacts{true, 0x0001000200030004ull, 20240301});
        anyOlder = anyOlder || (comparison && *comparison < 0);
    }
    const auto result = evaluateUpdateList(body, "C:\\QV", [](const std::string&) {
        return LocalFileFacts{true, 0x0001000200030004ull, 20240301};
    });
    return !result.outOfDate || (isUpdateList(body) && anyOlder);
}

// Arbitrary bytes as a manifest: every accepted path is safe, and the entries written back in the
// manifest format read back the same.
inline bool updateManifest(const std::uint8_t* data, std::size_t size) {
    const auto manifest = parseManifest({reinterpret_cast<const char*>(data), size});
    if (!manifest) return true;
    if (manifest->release == 0) return false;
    std::string text = std::string(manifestHeader) + "\n" + manifestReleaseKeyword + std::to_string(manifest->release);
    static constexpr char hex[] = "0123456789abcdef";
    for (const ManifestEntry& entry : manifest->entries) {
        if (!isSafeRelativePath(entry.path) || entry.path.find_first_of(":\\") != std::string::npos ||
            entry.size > maxUpdateFileBytes)
            return false;
        for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
            end = entry.path.find('/', start);
            const std::string component = entry.path.substr(start, end - start);
            if (component.empty() || component == "." || component == "..") return false;
        }
        text += '\n';
        for (std::uint8_t byte : entry.digest) (text += hex[byte >> 4]) += hex[byte & 15];
        text += ' ' + std::to_string(entry.size) + ' ' + entry.path;
    }
    const auto again = parseManifest(text);
    if (!again || again->release != manifest->release || again->entries.size() != manifest->entries.size())
        return false;
    for (std::size_t i = 0; i < manifest->entries.size(); ++i) {
        const ManifestEntry& read = again->entries[i];
        const ManifestEntry& first = manifest->entries[i];
        if (read.path != first.path || read.digest != first.digest || read.size != first.size) return false;
    }
    return true;
}

// Arbitrary text as an Altera waveform table (or, by the last byte, a text vector file with
// ASSIGN): Load, then Convert at the frequency Load found, with Repeat and Wait Key and the
// questions answered from the last byte. Every signal stays on the sample's bits, the data end
// inside the image, the label table ended.
inline bool alteraTable(const std::uint8_t* data, std::size_t size) {
    static std::vector<Sample> image(fuzzDepthSamples - 24);
    static LabelTable labels{};
    const std::uint8_t last = size > 0 ? data[size - 1] : 0;
    const textvector::Variant variant = last & 8 ? textvector::Variant::TextVector : textvector::Variant::AlteraTable;
    FixedPrompt prompt(last & 2);
    const std::string text(reinterpret_cast<const char*>(data), size);
    textvector::LoadResult loaded;
    if (textvector::loadTextVector(text, variant, fuzzCapabilities(), prompt, loaded, labels) != Msg::None) return true;
    bool valid = labelRecordCount(labels) <= maxLabels;
    for (const textvector::Signal& s : loaded.signals)
        for (int c : s.channels) valid = valid && c >= textvector::lowestChannel && c < textvector::channelLimit;
    const textvector::FrequencyDisplay shown = textvector::frequencyDisplay(loaded.timing.frequency);
    textvector::ConvertRequest request{shown.text, shown.unit, (last & 4) != 0, (last & 16) != 0};
    textvector::ConvertResult result;
    if (textvector::convertTextVector(text, request, loaded, fuzzCapabilities(), prompt, image, result) != Msg::None)
        return valid;
    return valid && (result.abandoned || (result.end >= 0 && result.end <= static_cast<int>(image.size())));
}

} // namespace qv::fuzz
