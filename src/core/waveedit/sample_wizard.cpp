// The Sample Wizard: the two counters and their labels.
#include "waveedit/sample_wizard.h"

#include "waveedit/commands.h"
#include "waveedit/frequency_mode.h"
#include "waveedit/labels.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qv {
namespace {

inline constexpr int sampleCommandColour = 12;
inline constexpr char syncName[] = "SYNCCNT";
inline constexpr char asyncName[] = "ASYNCCNT";
inline constexpr int counterCounts = 1 << sampleCounterStages; // 32

void writeJump(std::span<Sample> image, int lastSample, int target) {
    CommandSetting jump;
    jump.command = SettableCommand::Jp;
    jump.address = target;
    const CommandWords words = encodeCommand(jump);
    writeCommand(image, lastSample - words.count + 1, words, static_cast<unsigned>(commandMask));
}

Sample counterBits(unsigned count) { return static_cast<Sample>(count & (counterCounts - 1)) << firstChannelBit; }

bool hasDataLabel(const LabelTable& table) {
    const int end = labelRecordCount(table);
    for (int i = 0; i < end; ++i)
        if (!isCommandLabel(table[static_cast<std::size_t>(i)])) return true;
    return false;
}

} // namespace

int buildSample(std::span<Sample> image, SampleKind kind, int cardType) {
    const int size = static_cast<int>(image.size());
    int last = 0;
    if (kind == SampleKind::SyncCounter) {
        last = syncLoopStart + counterCounts - 1; // counts 1..31 on samples 11..41
        if (size <= last) return 0;
        for (int count = 1; count < counterCounts; ++count)
            image[static_cast<std::size_t>(syncLoopStart + count)] = counterBits(static_cast<unsigned>(count));
        writeJump(image, last, syncLoopStart);
    } else {
        // Stage 0 falls at the first edge of the cycle so that it stays low asyncCountSamples
        // samples across the jump back as everywhere else.
        const int firstEdge = asyncLoopStart + asyncCountSamples - (sampleCounterStages - 1);
        const int wrapEdge = firstEdge + (counterCounts - 1) * asyncCountSamples;
        last = wrapEdge + sampleCounterStages - 2;
        if (size <= last) return 0;
        unsigned shown = 0; // the stages' levels as the ripple has reached them
        for (int i = asyncLoopStart + 1; i <= last; ++i) {
            const int sinceFirst = i - firstEdge;
            for (int stage = 0; stage < sampleCounterStages; ++stage) {
                const int t = sinceFirst - stage; // the stage follows stage 0 by `stage` samples
                if (t < 0) continue;
                const unsigned count = static_cast<unsigned>(t / asyncCountSamples + 1) % counterCounts;
                shown = (shown & ~(1u << stage)) | (count & (1u << stage));
            }
            image[static_cast<std::size_t>(i)] = counterBits(shown);
        }
        writeJump(image, last, asyncLoopStart);
    }
    if (cardType == cardTypeWithoutCki2) {
        CommandSetting enable;
        enable.command = SettableCommand::Oe;
        enable.outputEnable = 0xFFFF;
        writeCommand(image, 0, encodeCommand(enable), static_cast<unsigned>(commandMask));
    }
    return last + 1;
}

Msg runSampleWizard(Document& doc, SampleKind kind, int cardType, Prompt& prompt) {
    std::span<Sample> image = doc.usableImage();
    // Built aside first: a usable area too short for the sample leaves the document untouched.
    std::vector<Sample> sample(std::min<std::size_t>(image.size(), 512));
    const int used = buildSample(sample, kind, cardType);
    if (used == 0) return Msg::MemoryNotEnough;
    // Asked before anything changes: No leaves the document as it was.
    LabelTable& table = doc.labels();
    if (hasDataLabel(table) && prompt.ask(static_cast<int>(Msg::Overwrite), Buttons::YesNo) != Answer::Yes)
        return Msg::None;
    doc.saveWaveformUndo(0, doc.usableSamples());
    doc.clearSamples();
    std::copy_n(sample.begin(), used, image.begin());
    doc.saveLabelUndo();
    resetToDefaultLabels(table);
    for (int i = 0; i < commandBits; ++i) table[static_cast<std::size_t>(i)].colour = sampleCommandColour;
    const int channels[] = {4, 3, 2, 1, 0};
    appendSignalLabel(table, commandBits, kind == SampleKind::SyncCounter ? syncName : asyncName, channels);
    normaliseLabels(table);
    return Msg::None;
}

} // namespace qv
