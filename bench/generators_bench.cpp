// The UART, I2C, SPI, counter, CAN, LIN and USB builders filling a whole 2,097,152-sample memory (model 0xCD16), each
// beside a memset of the same buffer in the same run: the goal is at most 10x the memset.
#include "generators/full_memory.h"
#include "generators/can.h"
#include "generators/counter.h"
#include "generators/i2c.h"
#include "generators/lin.h"
#include "generators/spi.h"
#include "generators/uart.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using qv::Sample;

using qv::bench::memory;
using qv::bench::report;

void MemsetOfTheBuffer(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    const int samples = m.caps.depthSamples();
    for (auto _ : state) {
        std::memset(m.buffer.data(), 0x55, static_cast<std::size_t>(samples) * sizeof(Sample));
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, samples);
}
BENCHMARK(MemsetOfTheBuffer)->Unit(benchmark::kMillisecond);

void Uart8N1FullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    const int limit = m.limit(qv::gen::uartSampleLimitMargin);
    std::mt19937 random(1);
    std::vector<std::uint16_t> characters(static_cast<std::size_t>((limit - qv::gen::uartLeadInSamples) / 10));
    for (auto& c : characters) c = static_cast<std::uint16_t>(random() & 0xFF);
    qv::gen::UartSettings s;
    int count = 0;
    for (auto _ : state) {
        qv::gen::UartStream stream(s, characters, limit, 0);
        count = stream.buildPass(m.buffer).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(Uart8N1FullMemory)->Unit(benchmark::kMillisecond);

void I2cFullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    const int limit = m.limit(qv::gen::i2cSampleLimitMargin);
    std::mt19937 random(2);
    std::string text = "Aw=12;\r\nD=";
    const int bytes = (limit - qv::gen::i2cBuildMargin - 47 - 40 - 36) / 36;
    char value[8];
    for (int k = 0; k < bytes; ++k) {
        std::snprintf(value, sizeof value, "%02x,", static_cast<unsigned>(random() & 0xFF));
        text += value;
    }
    qv::gen::I2cSettings s;
    s.customOut = true;
    qv::gen::setI2cSclChannel(s, 0);
    qv::gen::I2cProgram program;
    if (qv::gen::checkI2c(s, text, m.caps, program) != qv::Msg::None) state.SkipWithError("bad text");
    int count = 0;
    for (auto _ : state) {
        const qv::gen::I2cBuild built =
            qv::gen::buildI2cStream(program, s, 0, false, m.buffer, limit, m.caps.channelsPerGroup);
        count = built.count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(I2cFullMemory)->Unit(benchmark::kMillisecond);

void SpiFullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    const int limit = m.limit(qv::gen::spiSampleLimitMargin);
    qv::gen::SpiSettings s;
    s.csActiveHigh = true; // the tail is the builder's own samples only
    std::mt19937 random(3);
    std::vector<std::uint32_t> words =
        qv::gen::spiRandomWords(qv::gen::spiWordsThatFit(s.width, limit), s.width, random);
    int count = 0;
    for (auto _ : state) {
        count = qv::gen::buildSpiStream(s, words, 0, m.buffer, limit).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(SpiFullMemory)->Unit(benchmark::kMillisecond);

// A 21-bit counter counts 2,097,152 values: more than the memory holds, so the pass fills it.
void SyncCounterFullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    qv::gen::CounterSettings s;
    s.width = 21;
    s.end = (1 << 21) - 1;
    s.gray = state.range(0) != 0;
    int count = 0;
    for (auto _ : state) {
        qv::gen::SyncCounterStream stream(s, qv::gen::counterSyncSampleLimit(m.caps), 0);
        count = stream.buildPass(m.buffer).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(SyncCounterFullMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A 16-bit ripple counter at 1/2: 131,072 samples, each bit taken from its own delayed sample.
void AsyncCounterRipple(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    qv::gen::CounterSettings s;
    s.width = 16;
    s.end = (1 << 16) - 1;
    s.delayIndex = 14; // 1/2: 65,536 values x 2 samples
    s.frequencyHz = 1e6;
    int count = 0;
    for (auto _ : state) {
        count = qv::gen::buildAsyncCounter(s, qv::gen::counterAsyncSampleLimit(m.caps, s.width), 0, m.buffer).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(AsyncCounterRipple)->Unit(benchmark::kMillisecond);

// Random data frames read back from their list lines, as many as fill the memory.
void CanFullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    const int limit = m.limit(qv::gen::canSampleLimitMargin);
    std::mt19937 random(4);
    std::vector<std::string> lines;
    for (int used = qv::gen::canLeadInSamples; used + 170 < limit; used += 170) {
        qv::gen::CanFrame f;
        f.format = random() & 1 ? qv::gen::CanIdFormat::Bits29 : qv::gen::CanIdFormat::Bits11;
        f.id = qv::gen::canRandomId(f.format, random);
        for (auto& b : f.data) b = qv::gen::canRandomByte(random);
        f.crc = qv::gen::canFrameCrc(f);
        lines.push_back(qv::gen::canFrameLine(f, qv::gen::CanFault::None));
    }
    std::vector<qv::gen::CanUnit> units;
    if (qv::gen::readCanList(lines, units).line != 0) state.SkipWithError("bad line");
    int count = 0;
    for (auto _ : state) {
        count = qv::gen::buildCanStream(units, {}, 0, m.buffer, limit).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(CanFullMemory)->Unit(benchmark::kMillisecond);

// Message frames of eight data bytes, as many as fill the memory.
void LinFullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    const int limit = m.limit(qv::gen::linSampleLimitMargin);
    std::mt19937 random(5);
    std::vector<std::string> lines;
    for (int used = qv::gen::linLeadInSamples; used + 140 < limit; used += 140) {
        qv::gen::LinMessage msg;
        msg.id = static_cast<unsigned>(0x30 + random() % 16);
        qv::gen::linCalculate(msg);
        for (int i = 0; i < 8; ++i) msg.data.push_back(static_cast<std::uint8_t>(random()));
        msg.checksum = qv::gen::linChecksum(msg.data, msg, qv::gen::LinChecksumModel::Enhanced);
        lines.push_back(qv::gen::linMessageLine(msg));
    }
    std::vector<qv::gen::LinUnit> units;
    if (qv::gen::readLinList(lines, units).line != 0) state.SkipWithError("bad line");
    int count = 0;
    for (auto _ : state) {
        count = qv::gen::buildLinStream(units, {}, 0, m.buffer, limit, random).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(LinFullMemory)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
