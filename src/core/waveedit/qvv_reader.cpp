// qvReadQVV's reader and the label table rebuilt from its signal table.
#include "waveedit/qvv_reader.h"

#include "converters/text_vector_statements.h"
#include "support/file_io.h"
#include "waveedit/labels.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace qv {

namespace tv = textvector;

Msg readTextVector(std::string_view fileText, std::span<Sample> samples, std::span<SignalEntry> signalTable,
                   std::int32_t* frequencyAndMode) {
    if (signalTable.empty()) return Msg::NoQvWaveformFile;
    std::string text(fileText);
    tv::removeComments(text, true);

    std::vector<tv::ChannelRequest> requests;
    std::vector<tv::Assignment> assignments;
    int radix = 0;
    std::int64_t frequency = -1;
    int mode = -1;
    bool hasSignals = false; // an INPUTS or ASSIGN statement
    bool hasPattern = false;
    std::string_view pattern;
    tv::StatementReader reader(text);
    for (tv::Statement st; !hasPattern && reader.next(st);) {
        if (st.keyword == "ASSIGN") {
            hasSignals = true;
            if (Msg m = tv::addAssignment(st.body, 64, assignments); m != Msg::None) return m;
        } else if (st.keyword == "INPUTS") {
            hasSignals = true;
            tv::addInputs(st.body, requests);
        } else if (st.keyword == "RADIX") {
            radix = tv::radixOf(st.body);
        } else if (st.keyword == "FREQUENCY") {
            frequency = tv::frequencyOf(st.body);
        } else if (st.keyword == "INTERVAL") {
            frequency = tv::intervalFrequencyOf(st.body);
        } else if (st.keyword == "FREQUENCYMODE") {
            mode = tv::frequencyModeOf(st.body);
            if (mode < 0) return Msg::NoQvWaveformFile;
        } else if (st.keyword == "PATTERN") {
            hasPattern = true;
            pattern = st.body;
        }
    }
    // Binary data, prose or an empty file hold none of these: they are no waveform, not an empty one.
    if (!hasSignals && !hasPattern) return Msg::NoQvWaveformFile;
    if (frequency != -1 && (frequency <= 0 || frequency > std::numeric_limits<std::int32_t>::max()))
        return Msg::NoQvWaveformFile;

    std::vector<tv::Signal> signals;
    if (Msg m = tv::buildSignalList(requests, assignments, signals); m != Msg::None) return m;
    if (signals.size() + 1 > signalTable.size()) return Msg::TooManyLabels;
    std::memset(signalTable.data(), 0, signalTable.size_bytes());
    for (std::size_t i = 0; i < signals.size(); ++i) {
        SignalEntry& e = signalTable[i];
        const tv::Signal& s = signals[i];
        std::strncpy(e.name, s.name.c_str(), signalNameBytes - 1);
        if (s.commandField) {
            e.bitCount = commandBits;
            for (int b = 0; b < commandBits; ++b) e.bitIndex[b] = commandBits - 1 - b;
        } else {
            if (s.channels.size() > static_cast<std::size_t>(signalEntryBits)) return Msg::TooManyChannels;
            e.bitCount = static_cast<std::int32_t>(s.channels.size());
            for (std::size_t b = 0; b < s.channels.size(); ++b) e.bitIndex[b] = s.channels[b] + firstChannelBit;
        }
        if (e.bitCount == 0) return Msg::NoQvWaveformFile;
    }

    // One sample per non-empty pattern line; after the last line the waveform stays constant.
    if (pattern.find('>') != std::string_view::npos) return Msg::NoQvWaveformFile; // time stamps: converter only
    std::size_t count = 0;
    Sample last = 0;
    std::size_t start = 0;
    while (start < pattern.size()) {
        std::size_t end = pattern.find('\n', start);
        if (end == std::string_view::npos) end = pattern.size();
        std::string_view line = pattern.substr(start, end - start);
        start = end + 1;
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
        if (count == samples.size()) return Msg::FileTooLarge;
        last = tv::patternWord(line, signals, radix);
        samples[count++] = last;
    }
    std::fill(samples.begin() + static_cast<std::ptrdiff_t>(count), samples.end(), last);
    if (frequency != -1) frequencyAndMode[0] = static_cast<std::int32_t>(frequency);
    if (mode != -1) frequencyAndMode[1] = mode;
    return Msg::None;
}

int readTextVectorFile(const char* path, void* samples, int capacityBytes, void* signalTable, int signalLimit,
                       std::int32_t* frequencyAndMode) {
    if (!path || !samples || capacityBytes < 0 || !signalTable || signalLimit < 1 || !frequencyAndMode)
        return textVectorMalformed;
    InputFile file;
    if (!file.open(path)) return textVectorCannotOpen;
    std::string text;
    try {
        text.resize(static_cast<std::size_t>(file.size()));
    } catch (const std::exception&) {
        return textVectorNoMemory;
    }
    if (!file.read(0, text.data(), text.size())) return textVectorCannotOpen;
    Msg m;
    try {
        m = readTextVector(
            text, {static_cast<Sample*>(samples), static_cast<std::size_t>(capacityBytes) / sizeof(Sample)},
            {static_cast<SignalEntry*>(signalTable), static_cast<std::size_t>(signalLimit)}, frequencyAndMode);
    } catch (const std::bad_alloc&) {
        return textVectorNoMemory;
    }
    if (m == Msg::None) return textVectorOk;
    return m == Msg::FileTooLarge ? textVectorTooLong : textVectorMalformed;
}

Msg labelsFromSignalTable(std::span<const SignalEntry> signalTable, LabelTable& labels) {
    labels.fill(LabelRecord{});
    int next = 0;
    for (const SignalEntry& e : signalTable) {
        if (e.bitCount == 0) break;
        if (e.bitCount < 0 || e.bitCount > signalEntryBits) return Msg::NoQvWaveformFile;
        if (next + e.bitCount > maxLabels) return Msg::TooManyLabels;
        char name[signalNameBytes] = {};
        std::memcpy(name, e.name, signalNameBytes - 1);
        // A single bit is a plain label whatever its name; only a bus becomes the command label.
        const bool command = e.bitCount > 1 && std::strcmp(name, commandLabelName) == 0;
        for (int b = 0; b < e.bitCount; ++b) {
            if (!validBitIndex(e.bitIndex[b])) return Msg::ChannelNumberTooBig;
            LabelRecord& r = labels[next++];
            r.bitIndex = e.bitIndex[b];
            r.groupType = static_cast<std::int32_t>(command ? GroupType::Command : GroupType::Hex);
            r.colour = command ? 12 : colourDataLabel;
            std::memcpy(r.name, name, signalNameBytes);
            r.positionCode = e.bitCount == 1 ? positionSingle
                : b == e.bitCount - 1        ? positionBusLast
                                             : positionBusHead + b;
        }
    }
    return Msg::None;
}

namespace {

std::int32_t builtInReader(const char* path, void* samples, std::int32_t capacityBytes, void* signalTable,
                           std::int32_t signalLimit, std::int32_t* frequencyAndMode) {
    return readTextVectorFile(path, samples, capacityBytes, signalTable, signalLimit, frequencyAndMode);
}

} // namespace

Msg loadQvv(const std::string& path, Document& doc, const Driver* driver) {
    std::vector<SignalEntry> table;
    try {
        table.resize(signalTableEntries);
    } catch (const std::bad_alloc&) {
        return Msg::MemoryNotEnough;
    }
    std::int32_t frequencyAndMode[2] = {doc.output().baseFrequency, doc.output().frequencyMode};
    Sample* target = doc.secondBuffer().data() + prefixSamples;
    const int usable = doc.usableSampleBytes();
    std::int32_t status = driver && driver->qvReadQVV
        ? driver->qvReadQVV(path.c_str(), target, usable, table.data(), signalTableEntries, frequencyAndMode)
        : builtInReader(path.c_str(), target, usable, table.data(), signalTableEntries, frequencyAndMode);
    if (status != 0) return Msg::NoQvWaveformFile;
    table.back().bitCount = 0; // never walk past the table, whatever the driver left there
    LabelTable& scratch = doc.scratchLabels();
    if (Msg m = labelsFromSignalTable(table, scratch); m != Msg::None) return m;

    std::fill(target + doc.usableSamples(), target + doc.imageCapacitySamples(), Sample{0});
    std::copy_n(doc.sampleBuffer().data(), prefixSamples, doc.secondBuffer().data());
    doc.swapSampleBuffers();
    doc.labels() = scratch;
    normaliseLabels(doc.labels());
    doc.output().baseFrequency = frequencyAndMode[0];
    doc.output().frequencyMode = frequencyAndMode[1];
    return Msg::None;
}

} // namespace qv
