// The Sample Wizard (11011, dialog 422): a sync or async 5-bit counter with its labels, replacing
// the whole waveform. Its question goes through the Prompt port; the dialog only chooses the
// sample and calls runSampleWizard. (New is Document::reset after 12028.)
#pragma once

#include "device/prompt.h"
#include "support/strings.h"
#include "waveedit/document.h"

#include <span>

namespace qv {

enum class SampleKind { SyncCounter, AsyncCounter };

// Counter samples: channels 0-4 (bit 12 the least significant stage).
inline constexpr int sampleCounterStages = 5;
// The sync counter: 0 up to its loop start, then 1..31, one count a sample; its JP to the loop
// start occupies the cycle's last three samples.
inline constexpr int syncLoopStart = 10;
// The async counter: a ripple counter whose stage 0 toggles every asyncCountSamples samples and
// whose stage k follows k samples after it. Samples 0..asyncLoopStart hold 0; the cycle runs from
// asyncLoopStart to the last sample of the 31 -> 0 ripple before stage 4 falls, so that stage 4
// falls on the jump back to asyncLoopStart (all zero) exactly one sample after stage 3.
inline constexpr int asyncLoopStart = 11;
inline constexpr int asyncCountSamples = 8;

// Writes the chosen sample into an image that holds zeros; on card type 18 samples 0-2 also carry
// OE 0xFFFF. Returns the number of samples the cycle uses (0 when the image is too short).
int buildSample(std::span<Sample> image, SampleKind kind, int cardType);

// The Sample Wizard after OK: when the table holds a data label 12027 "Overwrite?" asks first, and
// No leaves the document as it was. Then the waveform is stored for undo, the whole buffer cleared,
// the sample built and the labels replaced by the command label (colour 12) and "SYNCCNT" or
// "ASYNCCNT" over channels 4..0. Returns 12007 when the usable area cannot hold the sample.
Msg runSampleWizard(Document& doc, SampleKind kind, int cardType, Prompt& prompt);

} // namespace qv
