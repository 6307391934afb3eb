// One walk over the image serves the used length and the output preparation; the preparing walk
// also writes the backup and the shifted command stream as it goes, so a full 2M-sample image is
// read once. Only blocks that carry a command are decoded sample by sample; the last change is
// searched from the end.
#include "waveedit/output_image.h"

#include "waveedit/commands.h"

#include <algorithm>
#include <cstring>

namespace qv {
namespace {

constexpr unsigned bit(Opcode opcode) { return 1u << static_cast<unsigned>(opcode); }

// Words whose 24-bit operand (23-bit for IT) names a device address the run may reach.
constexpr unsigned targetOpcodes =
    bit(Opcode::Jp) | bit(Opcode::Lp) | bit(Opcode::Be) | bit(Opcode::It) | bit(Opcode::Dl);
constexpr unsigned rareOpcodes = targetOpcodes | bit(Opcode::Oe);

struct WalkResult {
    int lastChange = -1; // device address
    int furthestTarget = -1; // device address
    int firstOutputEnable = -1, lastOutputEnable = -1; // image index of an OE opcode word
};

// Samples per block of the walk: a block that holds any command is decoded sample by sample, so
// small blocks keep that work near the few commands; the per-block bookkeeping is a test and a jump.
constexpr int blockSamples = 64;

// The commands of [from, to) that name a target or complete an OE. `original` holds the samples as
// placed; before sample 0 there are no commands.
void scanCommands(const Sample* original, int from, int to, WalkResult& r) {
    for (int i = from; i < to; ++i) {
        const unsigned command = static_cast<unsigned>(original[i] & commandMask);
        const Opcode opcode = opcodeOf(command);
        if (!((rareOpcodes >> opcodeBits(command)) & 1u)) continue;
        const unsigned command1 = i >= 1 ? static_cast<unsigned>(original[i - 1] & commandMask) : 0u;
        const unsigned command2 = i >= 2 ? static_cast<unsigned>(original[i - 2] & commandMask) : 0u;
        if (opcode == Opcode::Oe) {
            if (opcodeOf(command1) == Opcode::OperandHigh && opcodeOf(command2) == Opcode::OperandLow) {
                if (r.firstOutputEnable < 0) r.firstOutputEnable = i;
                r.lastOutputEnable = i;
            }
        } else {
            const unsigned high = opcode == Opcode::It ? (command & 0x7F) : (command & 0xFF);
            const int target = static_cast<int>((high << 16) | ((command1 & 0xFF) << 8) | (command2 & 0xFF));
            r.furthestTarget = std::max(r.furthestTarget, target);
        }
    }
}

// The last sample that differs from its predecessor, found from the end: a busy waveform stops at
// once, a long constant tail is read once.
int lastChangeAddress(const Sample* original, int count, Sample beforeFirst) {
    for (int i = count - 1; i >= 1; --i)
        if (original[i] != original[i - 1]) return deviceAddress(i);
    return count > 0 && original[0] != beforeFirst ? deviceAddress(0) : -1;
}

// The shared walk, block by block. With Prepare each sample, reduced to the `keep` bits, goes to
// the backup as it is read and every comparison and command decode reads the backup, so the image
// can take sample i's command at sample i - 3 as the walk goes. Only blocks that hold a command
// are decoded sample by sample.
template <bool Prepare>
WalkResult walkImage(Sample* __restrict image, const Sample* source, int count, Sample beforeFirst,
                     Sample* __restrict backup, Sample keep = ~Sample{0}) {
    WalkResult r;
    const Sample* original = Prepare ? backup : source;
    if constexpr (Prepare) {
        // The first three commands go into the last prefix samples.
        for (int i = 0; i < std::min(count, commandLeadSamples); ++i) {
            backup[i] = image[i] & keep;
            image[i - commandLeadSamples] = (image[i - commandLeadSamples] & ~commandMask) | (backup[i] & commandMask);
        }
    }
    for (int from = 0; from < count; from += blockSamples) {
        const int to = std::min(count, from + blockSamples);
        Sample commands = 0;
        if constexpr (Prepare) {
            // Sample i - 3 still holds its own data (it is rewritten only now), so it can take
            // i's command; reading it from the image rather than the fresh backup keeps every
            // load clear of the stores just made.
            for (int i = std::max(from, commandLeadSamples); i < to; ++i) {
                const Sample s = image[i] & keep;
                backup[i] = s;
                commands |= s;
                image[i - commandLeadSamples] =
                    (image[i - commandLeadSamples] & keep & ~commandMask) | (s & commandMask);
            }
            for (int i = from; i < std::min(to, commandLeadSamples); ++i) commands |= backup[i];
        } else {
            for (int i = from; i < to; ++i) commands |= original[i];
        }
        if (commands & commandMask) scanCommands(original, from, to, r);
    }
    r.lastChange = lastChangeAddress(original, count, beforeFirst);
    return r;
}

int endAddress(const WalkResult& r, int count) {
    const int lastUsable = deviceAddress(count - 1);
    if (r.lastChange < 0 && r.furthestTarget < 0) return lastUsable; // constant: the whole area
    const int end = std::max(r.lastChange, r.furthestTarget);
    // Never reach into the prefix (its handshake must survive the closing loop) nor past the last
    // usable sample (the reserved tail holds no data of this document).
    return std::clamp(end, deviceAddress(0), lastUsable);
}

bool hasRoomForOutput(std::span<Sample> sampleBuffer, int usableSamples, std::size_t backupSize) {
    const std::size_t needed = static_cast<std::size_t>(prefixSamples) + static_cast<std::size_t>(usableSamples) +
        static_cast<std::size_t>(reservedTailSamples);
    return usableSamples >= 1 && sampleBuffer.size() >= needed && backupSize >= static_cast<std::size_t>(usableSamples);
}

bool isOutputEnableTriple(const Sample* buffer, int first) {
    return opcodeOf(commandField(buffer[first])) == Opcode::OperandLow &&
        opcodeOf(commandField(buffer[first + 1])) == Opcode::OperandHigh &&
        opcodeOf(commandField(buffer[first + 2])) == Opcode::Oe;
}

} // namespace

int outputEndAddress(std::span<const Sample> image, Sample beforeFirst) {
    const int count = static_cast<int>(image.size());
    if (count <= 0) return deviceAddress(0);
    return endAddress(walkImage<false>(nullptr, image.data(), count, beforeFirst, nullptr), count);
}

int usedSampleCount(std::span<const Sample> sampleBuffer, int usableSamples) {
    const int available = std::max(0, static_cast<int>(sampleBuffer.size()) - prefixSamples);
    const int count = std::clamp(usableSamples, 0, available);
    if (count == 0) return 0;
    std::span<const Sample> image = sampleBuffer.subspan(prefixSamples, count);
    // Output fills the prefix from sample 0 without its command; compare with that, not with
    // whatever an earlier run left in the prefix.
    const int end = outputEndAddress(image, image[0] & ~commandMask);
    return end - (prefixSamples - 1);
}

void fillOutputPrefix(std::span<Sample> sampleBuffer) {
    if (sampleBuffer.size() <= static_cast<std::size_t>(prefixSamples)) return;
    const Sample base = sampleBuffer[prefixSamples] & ~commandMask;
    std::fill_n(sampleBuffer.begin(), prefixSamples, base);
    sampleBuffer[1] = base | commandWait;
    sampleBuffer[2] = base | commandSetKey;
}

Sample labelledBitsMask(const LabelTable& labels) {
    Sample mask = commandMask;
    for (const LabelRecord& record : labels) {
        if (record.positionCode == positionEnd) break;
        if (record.bitIndex >= 0 && record.bitIndex <= highestBitIndex) mask |= Sample{1} << record.bitIndex;
    }
    return mask;
}

void clearUnlabelledChannels(std::span<Sample> image, const LabelTable& labels) {
    const Sample mask = labelledBitsMask(labels);
    for (Sample& s : image) s &= mask;
}

namespace {

// The preparation proper; `keep` clears unlabelled bits on the way (all ones keeps everything).
PreparedOutput prepare(std::span<Sample> sampleBuffer, int usableSamples, std::span<Sample> backup, Sample keep) {
    Sample* buffer = sampleBuffer.data();
    Sample* image = buffer + prefixSamples;
    const int count = usableSamples;
    Sample* saved = backup.data();

    const WalkResult walk = walkImage<true>(image, nullptr, count, buffer[prefixSamples - 1], saved, keep);
    // Nothing follows the last three usable samples, so their commands have gone ahead with no
    // successor to take their place.
    for (int i = std::max(0, count - commandLeadSamples); i < count; ++i) image[i] = saved[i] & ~commandMask;

    // OE takes effect one sample after where it was placed rather than three before: move each
    // triple, now at k - 5 .. k - 3, to k - 1 .. k + 1. Walking backwards never meets a moved one.
    if (walk.lastOutputEnable >= 0) {
        for (int k = deviceAddress(walk.lastOutputEnable); k >= deviceAddress(walk.firstOutputEnable); --k) {
            if (!isOutputEnableTriple(buffer, k - 5)) continue;
            Sample triple[3];
            for (int j = 0; j < 3; ++j) {
                triple[j] = buffer[k - 5 + j] & commandMask;
                buffer[k - 5 + j] &= ~commandMask;
            }
            for (int j = 0; j < 3; ++j) buffer[k - 1 + j] = (buffer[k - 1 + j] & ~commandMask) | triple[j];
        }
    }

    // Closing loop: three samples jumping to end + 1 with the last sample's data, then four plain
    // copies, so the sequencer holds the last sample for ever.
    const int end = endAddress(walk, count);
    const Sample last = buffer[end];
    const unsigned target = static_cast<unsigned>(end + 1);
    const unsigned jump[3] = {commandWord(Opcode::OperandLow, target), commandWord(Opcode::OperandHigh, target >> 8),
                              commandWord(Opcode::Jp, target >> 16)};
    for (int j = 0; j < 3; ++j) buffer[end + 1 + j] = (last & ~commandMask) | jump[j];
    for (int j = 3; j < closingLoopSamples; ++j) buffer[end + 1 + j] = last;
    return {end, end + outputTailSamples};
}

} // namespace

PreparedOutput prepareOutputImage(std::span<Sample> sampleBuffer, int usableSamples, std::span<Sample> backup) {
    if (!hasRoomForOutput(sampleBuffer, usableSamples, backup.size())) return {};
    return prepare(sampleBuffer, usableSamples, backup, ~Sample{0});
}

PreparedOutput prepareDocumentForOutput(std::span<Sample> sampleBuffer, int usableSamples, const LabelTable& labels,
                                        std::span<Sample> backup) {
    if (!hasRoomForOutput(sampleBuffer, usableSamples, backup.size())) return {};
    // The prefix repeats sample 0, so sample 0 is cleared before it is copied; the walk clears
    // the rest as it goes, and the backup it fills carries the cleared document.
    const Sample keep = labelledBitsMask(labels);
    sampleBuffer[prefixSamples] &= keep;
    fillOutputPrefix(sampleBuffer);
    return prepare(sampleBuffer, usableSamples, backup, keep);
}

void restoreOutputImage(std::span<Sample> sampleBuffer, int usableSamples, std::span<const Sample> backup) {
    const std::size_t room =
        sampleBuffer.size() > static_cast<std::size_t>(prefixSamples) ? sampleBuffer.size() - prefixSamples : 0;
    const std::size_t count = std::min({static_cast<std::size_t>(std::max(usableSamples, 0)), room, backup.size()});
    if (count) std::memcpy(sampleBuffer.data() + prefixSamples, backup.data(), count * sizeof(Sample));
}

} // namespace qv
