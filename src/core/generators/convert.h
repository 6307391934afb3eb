// Convert: a generator's stream handed to the Wave Editor. The tool's signal names go through the
// shared lowest-free-channel allocator (as the text vector converter's INPUTS do), the label table
// is the default command label followed by one single-channel label per signal on the channel the
// tool generated it on, `iBaseFreq` takes the sample clock and WAVEEDIT.LBL / WAVEEDIT.WAV are
// written into the working directory. Closing the tool and opening the Wave Editor are the dialog's.
#pragma once

#include "app/models.h"
#include "app/settings_store.h"
#include "support/strings.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <span>
#include <string>
#include <vector>

namespace qv::gen {

// One entry of the channel request list: a signal name, its channel count, and the channel list
// text the allocator writes back.
struct ChannelRequestEntry {
    std::string name;
    int count = 1;
    std::string channels;
};
// Gives each request the lowest channels not yet used; 12019 when a request reaches channel 52.
Msg allocateRequestedChannels(std::vector<ChannelRequestEntry>& requests);

struct ToolSignal {
    std::string name; // "SPI_CLK"
    int channel; // the channel the tool generated it on
};
// The default command label, then one label per signal (HEX, colour 15, position code 1), the
// record after the last one ending the table; a signal named "QV_Function" is skipped.
void buildToolLabels(std::span<const ToolSignal> signals, LabelTable& labels);

struct ConvertRequest {
    std::vector<ToolSignal> signals;
    int sampleClockHz = 0;
    Capabilities capabilities;
    std::span<const Sample> samples; // the generated stream from device address 0
    std::string folder; // the working directory
    SettingsStore* settings = nullptr; // iBaseFreq goes under waveEditKey
    std::string waveEditKey;
};
// Allocator, labels, hand-off files (the usable sample bytes from sample 0), then iBaseFreq =
// the sample clock limited to the model's maximum, written only once both files were. 12019 or
// 12062 on failure.
Msg convertToWaveEditor(const ConvertRequest& request);

} // namespace qv::gen
