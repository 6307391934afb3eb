// The SMBus builder filling a whole memory: random block writes with PEC and read words with PEC,
// composed as the tool's Add List does, as many as fit; the whole packet list is read once
// beforehand, as the output thread reads it before building.
#include "generators/full_memory.h"
#include "generators/smbus.h"
#include "generators/smbus_lines.h"

#include <random>
#include <string>
#include <vector>

namespace {

void SmbusFullMemory(benchmark::State& state) {
    qv::bench::Memory& m = qv::bench::memory();
    const int limit = m.limit(qv::gen::smbusSampleLimitMargin);
    std::mt19937 random(9);
    std::vector<qv::gen::PacketUnit> units, line;
    int count = qv::gen::smbusLeadInSamples;
    std::vector<qv::Sample> scratch(4000);
    for (;;) {
        qv::gen::SmbusEntry entry;
        entry.protocol = random() % 2 ? 16 : 12;
        for (int i = 0, n = entry.protocol == 16 ? 32 : 2; i < n; ++i)
            entry.data += std::to_string(random() % 10) + ";";
        std::string text;
        line.clear();
        if (qv::gen::composeSmbusLine(entry, text) != qv::Msg::None ||
            qv::gen::readPacketLine(text, line) != qv::Msg::None)
            state.SkipWithError("bad line");
        // The line's own samples: built alone, less the lead-in.
        const int lineSamples =
            qv::gen::buildSmbusStream(line, {}, 0, scratch, 4000).count - qv::gen::smbusLeadInSamples;
        if (count + lineSamples > limit) break;
        units.insert(units.end(), line.begin(), line.end());
        count += lineSamples;
    }
    for (auto _ : state) {
        count = qv::gen::buildSmbusStream(units, {}, 0, m.buffer, limit).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    qv::bench::report(state, count);
}
BENCHMARK(SmbusFullMemory)->Unit(benchmark::kMillisecond);

} // namespace
