// Convert for the generators, over the text vector converter's allocator and the hand-off writer.
#include "generators/convert.h"

#include "app/settings.h"
#include "converters/text_vector_statements.h"
#include "support/channel_list.h"
#include "waveedit/handoff.h"
#include "waveedit/labels.h"

#include <algorithm>
#include <memory>

namespace qv::gen {

Msg allocateRequestedChannels(std::vector<ChannelRequestEntry>& requests) {
    std::vector<textvector::ChannelRequest> asked;
    for (const ChannelRequestEntry& r : requests) asked.push_back({r.name, r.count});
    std::vector<textvector::Signal> signals;
    if (Msg m = textvector::buildSignalList(asked, {}, signals); m != Msg::None) return m;
    for (std::size_t i = 0; i < requests.size(); ++i) requests[i].channels = channelListText(signals[i].channels);
    return Msg::None;
}

void buildToolLabels(std::span<const ToolSignal> signals, LabelTable& labels) {
    labels.fill(LabelRecord{});
    int next = writeDefaultCommandLabel(labels, 0);
    for (const ToolSignal& s : signals) {
        if (s.name == commandLabelName) continue;
        const int channel[1] = {s.channel};
        const int after = appendSignalLabel(labels, next, s.name, channel);
        if (after > 0) next = after;
    }
}

Msg convertToWaveEditor(const ConvertRequest& request) {
    std::vector<ChannelRequestEntry> requests;
    for (const ToolSignal& s : request.signals) requests.push_back({s.name, 1, {}});
    if (Msg m = allocateRequestedChannels(requests); m != Msg::None) return m;

    auto labels = std::make_unique<LabelTable>();
    buildToolLabels(request.signals, *labels);
    const std::size_t usable = static_cast<std::size_t>(request.capabilities.usableSampleBytes / bytesPerSample);
    if (request.samples.size() < usable) return Msg::MemoryNotEnough;
    if (Msg m = writeHandoffFiles(request.folder, *labels, request.samples.first(usable)); m != Msg::None) return m;
    // The clock goes to the Wave Editor only with a result it belongs to.
    if (request.settings != nullptr)
        writeBaseFrequency(*request.settings, request.waveEditKey,
                           std::min(request.sampleClockHz, request.capabilities.maxOutputFrequency));
    return Msg::None;
}

} // namespace qv::gen
