// The Wave Editor's one document: the two sample buffers (each with its 12 prefix samples), the
// label table and its scratch table, marks and positions, output settings and both undo rings.
// The program allocates it once at start-up and reaches it through document(); tools, tests and
// qvtool may also own their own instance. File formats and editing live in their own modules.
#pragma once

#include "app/models.h"
#include "support/strings.h"
#include "waveedit/commands.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"
#include "waveedit/undo_ring.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

namespace qv {

inline constexpr std::int32_t defaultBaseFrequency = 10000000;
inline constexpr std::int32_t defaultFrequencyMode = 1; // internal clock
inline constexpr int hotKeySpace = 32;
inline constexpr int hotKeyReturn = 13;
inline constexpr int saveModeBinary = 1;
inline constexpr int saveModeText = 2;
inline constexpr int labelUndoRecords = 256;

// Saved with a binary waveform file (the first four) and in the settings.
struct OutputSettings {
    std::int32_t baseFrequency = defaultBaseFrequency; // Hz, always achievable
    std::int32_t frequencyMode = defaultFrequencyMode; // bit 0 internal, 1 CKI1, 2 CKI2, 3 inverted
    std::int32_t outputLevel0 = 0;
    std::int32_t outputLevel1 = 0;
    int eventHotKey = hotKeySpace;
    int cursorChangeInterval = 10; // tenths of a second, 5..100
    int saveMode = saveModeBinary;
};

enum Cursor { CursorT = 0, CursorA, CursorB, CursorC, CursorD, CursorE, CursorCount };
inline constexpr int unsetPosition = -1;

struct Positions {
    int markStart = 0;
    int markEnd = 0;
    std::array<int, CursorCount> cursors{unsetPosition, unsetPosition, unsetPosition,
                                         unsetPosition, unsetPosition, unsetPosition};
    int firstVisibleSample = 0;
    int firstVisibleRow = 0;

    int commandPosition() const { return cursors[CursorT]; }
};

// Allocation of the waveform undo store; tests replace it to exercise the fall-backs.
using UndoStoreAllocator = std::unique_ptr<std::uint8_t[]> (*)(std::size_t bytes);
std::unique_ptr<std::uint8_t[]> allocateUndoStore(std::size_t bytes);

class Document {
  public:
    // Allocates both sample buffers (zero-filled), and the undo stores; null when memory is short.
    static std::unique_ptr<Document> create(const Capabilities& capabilities, bool deviceAttached,
                                            UndoStoreAllocator allocator = allocateUndoStore);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const Capabilities& capabilities() const { return capabilities_; }
    // False in demo mode (no instrument): a long .qvw file may then grow the usable area.
    bool deviceAttached() const { return deviceAttached_; }

    // The whole buffer: 12 prefix samples, then the image.
    std::span<Sample> sampleBuffer() { return {buffer_.get(), bufferSamples_}; }
    std::span<const Sample> sampleBuffer() const { return {buffer_.get(), bufferSamples_}; }
    Sample* image() { return buffer_.get() + prefixSamples; }
    const Sample* image() const { return buffer_.get() + prefixSamples; }
    // The samples that are edited, saved and output.
    std::span<Sample> usableImage() { return {image(), static_cast<std::size_t>(usableSamples())}; }
    std::span<const Sample> usableImage() const { return {image(), static_cast<std::size_t>(usableSamples())}; }
    // The part of the buffer and prefix that output and saving look at: prefix + usable samples.
    std::span<const Sample> prefixAndUsable() const {
        return {buffer_.get(), static_cast<std::size_t>(prefixSamples + usableSamples())};
    }

    int usableSampleBytes() const { return usableSampleBytes_; }
    int usableSamples() const { return usableSampleBytes_ / bytesPerSample; }
    // The most the usable area may grow to: the memory depth less the reserved tail, so that the
    // closing loop written behind the used length always stays inside the buffer.
    int maxUsableSampleBytes() const;
    // Demo mode only: a long file grows the usable area (clamped to maxUsableSampleBytes()).
    void setUsableSampleBytes(int bytes);
    // Samples the image part of a buffer can hold (the buffer less its prefix).
    int imageCapacitySamples() const { return static_cast<int>(bufferSamples_) - prefixSamples; }
    // The highest sample index a command may name.
    int highestCommandTarget() const { return largestCommandAddress(usableSamples()); }

    // The second buffer: the output backup, and where a file is read before it replaces the image.
    std::span<Sample> secondBuffer() { return {second_.get(), bufferSamples_}; }
    // Exchanges the two buffers (a completed load becomes the document in one step).
    void swapSampleBuffers() { std::swap(buffer_, second_); }

    LabelTable& labels() { return labels_; }
    const LabelTable& labels() const { return labels_; }
    LabelTable& scratchLabels() { return scratch_; }

    OutputSettings& output() { return output_; }
    const OutputSettings& output() const { return output_; }
    Positions& positions() { return positions_; }
    const Positions& positions() const { return positions_; }

    // Zeroes the whole sample buffer, prefix included.
    void clearSamples();
    // New document: the samples cleared and both undo rings emptied; without keepLabels the
    // labels become the default command label.
    void reset(bool keepLabels);

    // Waveform undo: store samples [first, first + count) of the image before they change.
    bool saveWaveformUndo(int firstSample, int sampleCount);
    // Puts the newest saved range back; false when the ring is empty.
    bool undoWaveform();
    bool canUndoWaveform() const { return !waveformUndo_.empty(); }
    std::size_t waveformUndoCapacity() const { return waveformUndo_.capacity(); }

    // Label undo: a snapshot of the table (records up to and including the terminator).
    bool saveLabelUndo();
    bool undoLabels();
    bool canUndoLabels() const { return !labelUndo_.empty(); }
    // Both rings emptied: the document was replaced, and an undo would write the old document's
    // samples or labels into the new one.
    void clearUndo();

    // Work no file keeps. The fingerprint of the labels and the usable image is taken when the
    // document is opened from or saved to a file, or arrives from a tool; the editor notes on
    // closing whether the document it leaves in the hand-off files then differed from it (and
    // held a data label), and a tool asks before its Convert replaces such a document.
    void markSaved() { savedFingerprint_ = fingerprint(); }
    bool hasSavedFingerprint() const { return savedFingerprint_ != 0; }
    bool differsFromSaved() const { return fingerprint() != savedFingerprint_; }
    bool handoffUnsaved() const { return handoffUnsaved_; }
    void setHandoffUnsaved(bool unsaved) { handoffUnsaved_ = unsaved; }
    // A 64-bit digest of the label table and the usable image (never 0).
    std::uint64_t fingerprint() const;

  private:
    struct FreeDeleter {
        void operator()(Sample* p) const { std::free(p); }
    };
    using SampleStore = std::unique_ptr<Sample, FreeDeleter>;

    Document() = default;

    Capabilities capabilities_;
    bool deviceAttached_ = false;
    std::size_t bufferSamples_ = 0;
    int usableSampleBytes_ = 0;
    SampleStore buffer_;
    SampleStore second_;
    LabelTable labels_{};
    LabelTable scratch_{};
    OutputSettings output_;
    Positions positions_;
    UndoRing<std::uint8_t> waveformUndo_;
    UndoRing<LabelRecord> labelUndo_;
    std::uint64_t savedFingerprint_ = 0;
    bool handoffUnsaved_ = false;
};

// The program's document, created once at start-up (12007 when memory is short).
Msg createDocument(const Capabilities& capabilities, bool deviceAttached);
bool hasDocument();
Document& document();
void destroyDocument();

} // namespace qv
