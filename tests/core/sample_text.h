// Test helpers that render samples as short readable text, so expectations read like the waveform:
// commandsText gives the command fields as three hex digits ("820 200 100 000"), levelsText one
// channel as "HHLL".
#pragma once

#include "waveedit/sample.h"

#include <cstdio>
#include <span>
#include <string>

namespace qv::test {

inline std::string commandsText(std::span<const Sample> samples, int from, int to) {
    std::string out;
    for (int i = from; i < to; ++i) {
        char word[8];
        std::snprintf(word, sizeof word, "%03X", commandField(samples[static_cast<std::size_t>(i)]));
        if (!out.empty()) out += ' ';
        out += word;
    }
    return out;
}

inline std::string levelsText(std::span<const Sample> samples, int channel, int from, int to) {
    std::string out;
    for (int i = from; i < to; ++i) out += channelLevel(samples[static_cast<std::size_t>(i)], channel) ? 'H' : 'L';
    return out;
}

} // namespace qv::test
