// The DMX512 and I2S builders filling a whole 2,097,152-sample memory (model 0xCD16), beside the
// memset of generators_bench.cpp: packets of random slots (a time between slots of 4 us, so a run
// follows every slot) and random left/right words at width 24.
#include "generators/full_memory.h"
#include "generators/dmx512.h"
#include "generators/i2s.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using qv::bench::memory;
using qv::bench::report;

void Dmx512FullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    const int limit = m.limit(qv::gen::dmxSampleLimitMargin);
    qv::gen::DmxSettings s;
    s.interSlotUs = 4;
    s.markBeforeBreakMs = 0;
    // Each slot is 12 samples; each 513-slot packet adds its break and mark after break (24).
    const int slots =
        static_cast<int>(static_cast<long long>(limit - qv::gen::dmxLeadInSamples - 40) * 513 / (513 * 12 + 24));
    std::mt19937 random(7);
    std::vector<std::uint8_t> values(static_cast<std::size_t>(slots));
    for (auto& v : values) v = static_cast<std::uint8_t>(random());
    int count = 0;
    for (auto _ : state) {
        const qv::gen::DmxBuild built = qv::gen::buildDmxStream(s, values, 0, true, m.buffer, limit);
        if (built.error != qv::Msg::None) state.SkipWithError("the stream did not fit");
        count = built.count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(Dmx512FullMemory)->Unit(benchmark::kMillisecond);

void I2sWidth24FullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    const int limit = m.limit(qv::gen::i2sSampleLimitMargin);
    qv::gen::I2sSettings s;
    s.width = 24;
    s.repeat = true;
    std::mt19937 random(8);
    std::vector<qv::gen::I2sWord> words(static_cast<std::size_t>((limit - qv::gen::i2sLeadInSamples - 3) / 64));
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = {i % 2 == 1, static_cast<std::uint32_t>(random())};
    int count = 0;
    for (auto _ : state) {
        const qv::gen::I2sBuild built = qv::gen::buildI2sStream(s, words, 0, m.buffer, limit);
        if (built.error != qv::Msg::None) state.SkipWithError("the stream did not fit");
        count = built.count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(I2sWidth24FullMemory)->Unit(benchmark::kMillisecond);

} // namespace
