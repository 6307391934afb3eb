// Preparing the Wave Editor's sample image for the instrument, and the used length of a waveform.
// Both come from one walk over the image: the last sample that differs from its predecessor and
// the furthest jump target decide where the waveform ends. Preparation then rewrites the buffer the
// way device memory wants it (commands three samples ahead of the data, OE one sample later, a
// closing loop that holds the last sample); it does not talk to the driver.
#pragma once

#include "waveedit/commands.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <span>

namespace qv {

// The sequencer reads each command three samples before the data it goes with.
inline constexpr int commandLeadSamples = 3;
// Device addresses end + 1 .. end + 7 receive the closing loop; end + 11 is the last one written.
inline constexpr int closingLoopSamples = 7;
inline constexpr int outputTailSamples = 12;
inline constexpr unsigned commandWait = commandWord(Opcode::We, 0);
inline constexpr unsigned commandSetKey = commandWord(Opcode::Se, 0); // SE with the key event

struct PreparedOutput {
    int end = 0; // device address of the last sample that matters
    int lengthSamples = 0; // samples to write from prefix sample 0 (end + 12); 0 = nothing prepared
};

// Device address of the last used sample: the later of the last change and the furthest jump
// target, at most the last usable sample (usable + 11). An image without any change and without
// commands counts as using the whole usable area. `beforeFirst` is the sample compared with
// image sample 0. Reads only image samples 0 .. usableSamples - 1.
int outputEndAddress(std::span<const Sample> image, Sample beforeFirst);

// The number of image samples a save writes: end - 11 over the image as the output path would see
// it (image sample 0 compared with the prefix that output fills from it), or usableSamples when
// the scan finds nothing. sampleBuffer = 12 prefix samples followed by the image. Modifies nothing.
int usedSampleCount(std::span<const Sample> sampleBuffer, int usableSamples);

// Prefix for output: every prefix sample is image sample 0 without its command; prefix sample 1
// waits for the event (WE) and prefix sample 2 selects the keyboard event (SE Key), so output
// starts on the key event the run routine sends.
void fillOutputPrefix(std::span<Sample> sampleBuffer);

// The bits of a sample that output keeps: the whole command field and every bit a label names.
Sample labelledBitsMask(const LabelTable& labels);
// Clears every channel and port bit that no label names, in every sample of `image`.
void clearUnlabelledChannels(std::span<Sample> image, const LabelTable& labels);

// Prepares sampleBuffer (prefix already filled) for device memory: copies the usable area to
// `backup`, shifts the command stream three samples ahead of the data (into the prefix for the
// first three samples; the last three usable samples are left without commands), moves each OE
// triple to one sample after where it was placed, and writes the closing loop. Returns the length
// to load from prefix sample 0. Nothing is touched and lengthSamples is 0 when usableSamples < 1,
// the buffer lacks room for prefix + usable + the 24-sample reserved tail, or the backup is short.
PreparedOutput prepareOutputImage(std::span<Sample> sampleBuffer, int usableSamples, std::span<Sample> backup);

// The whole output preparation of the document in the order that keeps unlabelled bits off the
// outputs, the prefix included: clear unlabelled bits (kept in the document), fill the prefix,
// prepare. The caller restores the image with restoreOutputImage once the memory is loaded.
PreparedOutput prepareDocumentForOutput(std::span<Sample> sampleBuffer, int usableSamples, const LabelTable& labels,
                                        std::span<Sample> backup);

// Copies the backup over the usable area again after the image has been written to the device.
void restoreOutputImage(std::span<Sample> sampleBuffer, int usableSamples, std::span<const Sample> backup);

} // namespace qv
