// The instrument the import benchmarks load into: a 50-channel model with the largest memory,
// 2,097,152 samples, so that a whole capture or dump fits.
#pragma once

#include "app/models.h"

inline qv::Capabilities bigInstrument() {
    qv::Capabilities caps = qv::capabilitiesFor(0xC350);
    constexpr int depth = 2097152;
    caps.memoryDepthBytes = depth * 8;
    caps.sampleBufferBytes = (depth + 22) * 8;
    caps.usableSampleBytes = (depth - 24) * 8;
    return caps;
}
