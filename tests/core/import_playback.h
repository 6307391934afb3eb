// What an imported image does on the instrument: the image prepared as the Wave Editor outputs it
// (prefix, commands moved ahead, closing loop) and run on the virtual instrument's sequencer,
// giving the channel levels of each clock from the first data sample on.
#pragma once

#include "sim/sequencer.h"
#include "waveedit/output_image.h"

#include <algorithm>
#include <span>
#include <vector>

namespace qv::test {

class LevelRecorder : public sim::OutputSink {
  public:
    void output(std::uint64_t sampleNumber, Sample levels, Sample enabled) override {
        changes.push_back({sampleNumber, levels & ~commandMask, enabled});
    }
    struct Change {
        std::uint64_t at;
        Sample levels, enabled;
    };
    std::vector<Change> changes;
};

struct Played {
    std::vector<Sample> levels; // per clock from image sample 0
    std::vector<Sample> enabled;
};

// Plays `clocks` clocks of the data that starts at image sample 0 (the key is given at the start).
inline Played playImage(std::span<const Sample> image, int usable, std::uint64_t clocks, int channels = 50,
                        int channelsPerGroup = 10) {
    std::vector<Sample> buffer(static_cast<std::size_t>(prefixSamples + usable + reservedTailSamples));
    std::copy(image.begin(), image.begin() + usable, buffer.begin() + prefixSamples);
    std::vector<Sample> backup(static_cast<std::size_t>(usable));
    fillOutputPrefix(buffer);
    const PreparedOutput prepared = prepareOutputImage(buffer, usable, backup);
    sim::SequencerSetup setup;
    setup.channels = channels;
    setup.channelsPerGroup = channelsPerGroup;
    setup.sampleLimit = prefixSamples + clocks;
    sim::Sequencer sequencer(setup);
    sequencer.load(std::span<const Sample>(buffer).first(static_cast<std::size_t>(prepared.lengthSamples)));
    sequencer.start();
    sequencer.keyEvent();
    LevelRecorder recorder;
    sequencer.runToRest(&recorder);
    Played played;
    std::size_t next = 0;
    Sample level = 0, enabled = 0;
    for (std::uint64_t clock = 0; clock < prefixSamples + clocks; ++clock) {
        while (next < recorder.changes.size() && recorder.changes[next].at <= clock) {
            level = recorder.changes[next].levels;
            enabled = recorder.changes[next].enabled;
            ++next;
        }
        if (clock >= prefixSamples) {
            played.levels.push_back(level);
            played.enabled.push_back(enabled);
        }
    }
    return played;
}

} // namespace qv::test
