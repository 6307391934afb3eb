// Allocation of the document and its undo stores, reset and undo.
#include "waveedit/document.h"

#include "waveedit/labels.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qv {

std::unique_ptr<std::uint8_t[]> allocateUndoStore(std::size_t bytes) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]);
}

std::unique_ptr<Document> Document::create(const Capabilities& capabilities, bool deviceAttached,
                                           UndoStoreAllocator allocator) {
    if (capabilities.sampleBufferBytes <= prefixSamples * bytesPerSample || capabilities.usableSampleBytes <= 0)
        return nullptr;
    std::unique_ptr<Document> doc(new (std::nothrow) Document);
    if (!doc) return nullptr;
    doc->capabilities_ = capabilities;
    doc->deviceAttached_ = deviceAttached;
    doc->bufferSamples_ = static_cast<std::size_t>(capabilities.sampleBufferBytes) / bytesPerSample;
    // calloc: the buffers start zero-filled without touching every page up front.
    doc->buffer_.reset(static_cast<Sample*>(std::calloc(doc->bufferSamples_, sizeof(Sample))));
    doc->second_.reset(static_cast<Sample*>(std::calloc(doc->bufferSamples_, sizeof(Sample))));
    if (!doc->buffer_ || !doc->second_) return nullptr;
    doc->usableSampleBytes_ = std::min(capabilities.usableSampleBytes, doc->maxUsableSampleBytes());

    // The waveform store is twice the buffer when memory allows, else the buffer, twice the
    // usable bytes, the usable bytes.
    const std::size_t buffer = static_cast<std::size_t>(capabilities.sampleBufferBytes);
    const std::size_t usable = static_cast<std::size_t>(capabilities.usableSampleBytes);
    for (std::size_t bytes : {2 * buffer, buffer, 2 * usable, usable}) {
        if (auto store = allocator(bytes)) {
            doc->waveformUndo_ = UndoRing<std::uint8_t>(std::move(store), bytes);
            break;
        }
    }
    if (doc->waveformUndo_.capacity() == 0) return nullptr;
    auto labelStore = std::unique_ptr<LabelRecord[]>(new (std::nothrow) LabelRecord[labelUndoRecords]);
    if (!labelStore) return nullptr;
    doc->labelUndo_ = UndoRing<LabelRecord>(std::move(labelStore), labelUndoRecords);
    return doc;
}

int Document::maxUsableSampleBytes() const {
    int depth = capabilities_.depthSamples();
    int fromDepth = (depth - reservedTailSamples) * bytesPerSample;
    // Never more than the image part of the buffer less the reserved tail.
    int fromBuffer = (imageCapacitySamples() - reservedTailSamples) * bytesPerSample;
    return std::max(0, std::min(fromDepth, fromBuffer));
}

void Document::setUsableSampleBytes(int bytes) {
    bytes -= bytes % bytesPerSample;
    usableSampleBytes_ = std::clamp(bytes, bytesPerSample, std::max(bytesPerSample, maxUsableSampleBytes()));
}

void Document::clearSamples() { std::memset(buffer_.get(), 0, bufferSamples_ * sizeof(Sample)); }

void Document::reset(bool keepLabels) {
    clearSamples();
    clearUndo();
    if (!keepLabels) resetToDefaultLabels(labels_);
}

void Document::clearUndo() {
    waveformUndo_.clear();
    labelUndo_.clear();
}

std::uint64_t Document::fingerprint() const {
    // FNV-1a over 64-bit words with a final mix: fast over a full memory, and a change of any
    // bit of a sample or label record changes it.
    constexpr std::uint64_t prime = 0x100000001B3ULL;
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    auto add = [&](std::uint64_t word) { hash = (hash ^ word) * prime; };
    for (Sample sample : usableImage()) add(sample);
    // The labels up to the terminator, without their selection flags (selecting is not work).
    const int count = labelRecordCount(labels_);
    for (int i = 0; i < count; ++i) {
        LabelRecord record = labels_[static_cast<std::size_t>(i)];
        record.stateFlags = 0;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
        for (std::size_t b = 0; b < sizeof record; ++b) add(bytes[b]);
    }
    add(static_cast<std::uint64_t>(count));
    hash ^= hash >> 29;
    return hash == 0 ? 1 : hash;
}

bool Document::saveWaveformUndo(int firstSample, int sampleCount) {
    if (firstSample < 0 || sampleCount < 0 || firstSample > usableSamples()) return false;
    sampleCount = std::min(sampleCount, usableSamples() - firstSample);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image() + firstSample);
    return waveformUndo_.save(std::int64_t{firstSample} * bytesPerSample,
                              {bytes, static_cast<std::size_t>(sampleCount) * bytesPerSample});
}

bool Document::undoWaveform() {
    UndoRing<std::uint8_t>::Entry entry;
    if (!waveformUndo_.newest(entry)) return false;
    waveformUndo_.copyOut(entry, reinterpret_cast<std::uint8_t*>(image()) + entry.origin);
    waveformUndo_.dropNewest();
    return true;
}

bool Document::saveLabelUndo() {
    int count = std::min(labelRecordCount(labels_) + 1, labelTableRecords);
    return labelUndo_.save(0, {labels_.data(), static_cast<std::size_t>(count)});
}

bool Document::undoLabels() {
    UndoRing<LabelRecord>::Entry entry;
    if (!labelUndo_.newest(entry)) return false;
    labels_.fill(LabelRecord{});
    labelUndo_.copyOut(entry, labels_.data());
    labelUndo_.dropNewest();
    return true;
}

namespace {
std::unique_ptr<Document> theDocument;
}

Msg createDocument(const Capabilities& capabilities, bool deviceAttached) {
    theDocument = Document::create(capabilities, deviceAttached);
    return theDocument ? Msg::None : Msg::MemoryNotEnough;
}

bool hasDocument() { return theDocument != nullptr; }
Document& document() { return *theDocument; }
void destroyDocument() { theDocument.reset(); }

} // namespace qv
