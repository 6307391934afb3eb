// The printer port and Binary File to Waveform filling a whole 2,097,152-sample memory (model
// 0xCD16), beside the memset of generators_bench.cpp: the goal is at most 10x the memset.
#include "generators/full_memory.h"

#include "generators/binary_file.h"
#include "generators/printer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using qv::bench::memory;
using qv::bench::report;

std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return bytes;
}

// 400,000 bytes are 2,400,022 samples: more than the memory, so the pass fills it to its limit.
void PrinterFullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    qv::gen::PrinterSettings s;
    s.section = true;
    const std::vector<std::uint8_t> bytes = pattern(400000);
    int count = 0;
    for (auto _ : state) {
        qv::gen::PrinterStream stream(s, bytes, qv::gen::printerSampleLimit(m.caps), 0);
        count = stream.buildPass(m.buffer).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(PrinterFullMemory)->Unit(benchmark::kMillisecond);

// A file of data width 1 (an 8-bit word a sample) or 3 (a 20-bit word), longer than the memory.
void BinaryFileFullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    qv::gen::BinaryFileSettings s;
    s.dataWidth = static_cast<int>(state.range(0));
    s.outputWidth = s.dataWidth == 1 ? 8 : 20;
    s.section = true;
    const std::vector<std::uint8_t> file = pattern(static_cast<std::size_t>(s.dataWidth) * 2200000);
    const qv::gen::BinaryData data = qv::gen::binaryData(file, s.dataWidth);
    int count = 0;
    for (auto _ : state) {
        qv::gen::BinaryFileStream stream(s, data, qv::gen::binarySampleLimit(m.caps), 0);
        count = stream.buildPass(m.buffer).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(BinaryFileFullMemory)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace
