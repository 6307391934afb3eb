// The HDQ and 1-Wire builders filling a whole 2,097,152-sample memory: random rows read back from
// their list lines, as many as fit (the memset beside them is in generators_bench.cpp).
#include "generators/full_memory.h"
#include "generators/hdq.h"
#include "generators/onewire.h"

#include <random>
#include <string>
#include <vector>

namespace {

using qv::bench::memory;
using qv::bench::report;

// HDQ16 rows of four values at 5 kbit/s (a row: 8 + 30 + 64 x 5 samples).
void HdqFullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    const int limit = m.limit(qv::gen::hdqSampleLimitMargin);
    std::mt19937 random(6);
    std::vector<std::string> lines;
    constexpr int rowSamples = 1 + 5 + 2 + 8 * 5 + 4 * 16 * 5 + 5;
    for (int used = qv::gen::hdqLeadInSamples; used + rowSamples <= limit; used += rowSamples) {
        qv::gen::HdqRow row{static_cast<unsigned>(random() & 0x7F), true, 16, {}};
        for (int i = 0; i < 4; ++i) row.data.push_back(random() & 0xFFFF);
        lines.push_back(qv::gen::hdqRowLine(row));
    }
    std::vector<qv::gen::HdqRow> rows;
    if (qv::gen::readHdqList(lines, rows).line != 0) state.SkipWithError("bad line");
    int count = 0;
    for (auto _ : state) {
        count = qv::gen::buildHdqStream(rows, {}, 0, m.buffer, limit).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(HdqFullMemory)->Unit(benchmark::kMillisecond);

// 1-Wire rows of eight bytes in values of one, two and four bytes, at overdrive (the most edges).
void OneWireFullMemory(benchmark::State& state) {
    qv::bench::Memory& m = memory();
    const int limit = m.limit(qv::gen::oneWireSampleLimitMargin);
    std::mt19937 random(7);
    std::vector<std::string> lines;
    constexpr int rowSamples = 5 + 104 + 64 * 9;
    for (int used = qv::gen::oneWireLeadInSamples; used + rowSamples <= limit; used += rowSamples) {
        qv::gen::OneWireRow row{(random() & 1u) != 0,
                                {{random() & 0xFF, 1}, {random() & 0xFFFF, 2}, {random() & 0xFF, 1}, {random(), 4}}};
        lines.push_back(qv::gen::oneWireRowLine(row));
    }
    std::vector<qv::gen::OneWireRow> rows;
    if (qv::gen::readOneWireList(lines, rows).line != 0) state.SkipWithError("bad line");
    qv::gen::OneWireSettings s;
    s.speed = qv::gen::OneWireSpeed::Overdrive;
    int count = 0;
    for (auto _ : state) {
        count = qv::gen::buildOneWireStream(rows, s, 0, m.buffer, limit).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(OneWireFullMemory)->Unit(benchmark::kMillisecond);

} // namespace
