// What every generator benchmark shares: a whole 2,097,152-sample memory (model 0xCD16) and the
// figures each run reports. The generators benchmark is built from generators_bench.cpp (which
// holds the memset every builder is compared with) and every file in this folder, one per tool.
#pragma once

#include "app/models.h"
#include "waveedit/sample.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace qv::bench {

struct Memory {
    qv::Capabilities caps = qv::capabilitiesFor(0xCD16);
    std::vector<qv::Sample> buffer = std::vector<qv::Sample>(static_cast<std::size_t>(caps.sampleBufferBytes / 8), 0);
    int limit(int margin) const { return caps.depthSamples() - margin; }
};

inline Memory& memory() {
    static Memory shared;
    return shared;
}

inline void report(benchmark::State& state, int samples) {
    state.SetItemsProcessed(state.iterations() * samples);
    state.counters["samples"] = samples;
}

} // namespace qv::bench
