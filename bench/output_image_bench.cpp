// The used-length scan and the output preparation on a full 2,097,152-sample image (model 0xCD16),
// each beside a memcpy of the same image in the same run: the goal is at most 3x the memcpy.
#include "app/models.h"
#include "waveedit/output_image.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using qv::Sample;

struct Image {
    qv::Capabilities caps = qv::capabilitiesFor(0xCD16);
    int usable = caps.usableSampleBytes / qv::bytesPerSample;
    std::vector<Sample> buffer = std::vector<Sample>(static_cast<std::size_t>(caps.sampleBufferBytes / 8), 0);
    std::vector<Sample> pristine, backup = std::vector<Sample>(static_cast<std::size_t>(usable));
    qv::LabelTable labels{};

    Image() {
        // A busy waveform to the very end: 16 channels changing at random, commands sprinkled in.
        std::mt19937_64 random(1);
        Sample level = 0;
        for (int i = 0; i < usable; ++i) {
            if (random() % 4 == 0) level = (random() << 12) & 0x0FFFF000ull;
            Sample s = level;
            if (i % 4096 == 100) s |= 0x700;
            buffer[static_cast<std::size_t>(12 + i)] = s;
        }
        const unsigned jump[3] = {0x80C, 0x200, 0x100}; // JP 0
        for (int j = 0; j < 3; ++j) buffer[static_cast<std::size_t>(12 + usable - 100 + j)] |= jump[j];
        const unsigned oe[3] = {0x8FF, 0x2FF, 0x900};
        for (int k = 1000; k < usable - 1000; k += 65536)
            for (int j = 0; j < 3; ++j) buffer[static_cast<std::size_t>(12 + k + j)] |= oe[j];
        for (int b = 0; b < 28; ++b) {
            labels[b].bitIndex = b;
            labels[b].positionCode = qv::positionSingle;
        }
        qv::fillOutputPrefix(buffer);
        pristine = buffer;
    }
    std::size_t imageBytes() const { return static_cast<std::size_t>(usable) * sizeof(Sample); }
};

Image& image() {
    static Image shared;
    return shared;
}

void MemcpyOfTheImage(benchmark::State& state) {
    Image& im = image();
    std::vector<Sample> target(static_cast<std::size_t>(im.usable));
    for (auto _ : state) {
        std::memcpy(target.data(), im.buffer.data() + 12, im.imageBytes());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * im.imageBytes()));
}

void UsedSampleCount(benchmark::State& state) {
    Image& im = image();
    for (auto _ : state) benchmark::DoNotOptimize(qv::usedSampleCount(im.buffer, im.usable));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * im.imageBytes()));
}

void PrepareOutputImage(benchmark::State& state) {
    Image& im = image();
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(im.buffer.data(), im.pristine.data(), im.buffer.size() * sizeof(Sample));
        state.ResumeTiming();
        benchmark::DoNotOptimize(qv::prepareOutputImage(im.buffer, im.usable, im.backup));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * im.imageBytes()));
}

// Repeated on the same buffer without restoring it: the walk costs the same whatever the commands
// did last time, and no untimed restore leaves dirty cache lines for the timed part to write back.
void PrepareOutputImageInPlace(benchmark::State& state) {
    Image& im = image();
    std::memcpy(im.buffer.data(), im.pristine.data(), im.buffer.size() * sizeof(Sample));
    for (auto _ : state) {
        benchmark::DoNotOptimize(qv::prepareOutputImage(im.buffer, im.usable, im.backup));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * im.imageBytes()));
}

// The whole output path of the document: clear unlabelled bits, prefix, prepare, and the restore.
void PrepareDocumentAndRestore(benchmark::State& state) {
    Image& im = image();
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(im.buffer.data(), im.pristine.data(), im.buffer.size() * sizeof(Sample));
        state.ResumeTiming();
        benchmark::DoNotOptimize(qv::prepareDocumentForOutput(im.buffer, im.usable, im.labels, im.backup));
        qv::restoreOutputImage(im.buffer, im.usable, im.backup);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * im.imageBytes()));
}

BENCHMARK(MemcpyOfTheImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(UsedSampleCount)->Unit(benchmark::kMicrosecond);
BENCHMARK(PrepareOutputImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(PrepareOutputImageInPlace)->Unit(benchmark::kMicrosecond);
BENCHMARK(PrepareDocumentAndRestore)->Unit(benchmark::kMicrosecond);
BENCHMARK(MemcpyOfTheImage)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
