// The virtual instrument's sequencer over a full 2,097,152-sample memory: plain (no commands) and
// with a jump every 256 samples, without capture and with a VCD capture of 10 million samples.
// Goal: 100 million samples per second without capture; capture at most doubles the time.
// The data is a counter shifted right by the benchmark's argument: channel 0 changes every 2^arg
// samples (every 4th with 2, every 16th with 4), so a capture has that much to write.
#include "sim/sequencer.h"
#include "sim/vcd_capture.h"
#include "waveedit/commands.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace {

using qv::Sample;
constexpr int depth = 2097152;
constexpr std::uint64_t capturedSamples = 10'000'000;

std::vector<Sample> memory(bool jumps, int shift = 2) {
    std::vector<Sample> m(depth);
    for (int a = 0; a < depth; ++a) m[static_cast<std::size_t>(a)] = static_cast<Sample>(a >> shift) << 12;
    if (jumps) {
        // Each 256-sample block ends with a jump to the next; the last one jumps back to 0.
        for (int block = 0; block < depth; block += 256) {
            const unsigned target = static_cast<unsigned>((block + 256) % depth);
            const int at = block + 256 - 4;
            m[static_cast<std::size_t>(at - 2)] |= qv::commandWord(qv::Opcode::OperandLow, target & 0xFF);
            m[static_cast<std::size_t>(at - 1)] |= qv::commandWord(qv::Opcode::OperandHigh, (target >> 8) & 0xFF);
            m[static_cast<std::size_t>(at)] |= qv::commandWord(qv::Opcode::Jp, target >> 16);
        }
    }
    return m;
}

void run(benchmark::State& state, bool jumps, bool capture) {
    const auto m = memory(jumps, static_cast<int>(state.range(0)));
    qv::sim::SequencerSetup setup;
    setup.sampleLimit = capture || jumps ? capturedSamples : depth;
    qv::sim::Sequencer sequencer(setup);
    sequencer.load(m);
    const std::string path = "/tmp/qv_sequencer_bench.vcd";
    std::uint64_t samples = 0;
    for (auto _ : state) {
        qv::sim::VcdCapture vcd;
        if (capture && !vcd.open(path, 50, 100000000)) state.SkipWithError("cannot create the capture file");
        sequencer.start();
        samples += sequencer.runToRest(capture ? &vcd : nullptr);
        if (capture) vcd.close(sequencer.sampleNumber());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
}

void BM_Plain(benchmark::State& state) { run(state, false, false); }
void BM_Jumps(benchmark::State& state) { run(state, true, false); }
void BM_PlainCapture(benchmark::State& state) { run(state, false, true); }
void BM_JumpsCapture(benchmark::State& state) { run(state, true, true); }
void BM_PlainTenMillion(benchmark::State& state) {
    // The same 10 million clocks as the captures, for the comparison: the memory runs round via
    // the jumps' plain twin, a loop at the end.
    auto m = memory(false);
    const unsigned target = 0;
    m[depth - 6] |= qv::commandWord(qv::Opcode::OperandLow, target);
    m[depth - 5] |= qv::commandWord(qv::Opcode::OperandHigh, target);
    m[depth - 4] |= qv::commandWord(qv::Opcode::Jp, target);
    qv::sim::SequencerSetup setup;
    setup.sampleLimit = capturedSamples;
    qv::sim::Sequencer sequencer(setup);
    sequencer.load(m);
    std::uint64_t samples = 0;
    for (auto _ : state) {
        sequencer.start();
        samples += sequencer.runToRest(nullptr);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
}

} // namespace

BENCHMARK(BM_Plain)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jumps)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTenMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCapture)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JumpsCapture)->Arg(0)->Arg(2)->Arg(4)->Arg(6)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
