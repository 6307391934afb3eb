// The Encoder filling the whole memory in each line code, and the PWM period at 0.1 % steps, beside
// the memset of generators_bench.cpp (per sample: items per second).
#include "full_memory.h"

#include "generators/encoder.h"
#include "generators/pwm.h"

#include <cstdint>
#include <vector>

namespace {

using qv::bench::memory;
using qv::bench::report;

void EncoderFullMemory(benchmark::State& state) {
    auto& m = memory();
    qv::gen::EncoderSettings s;
    s.code = static_cast<qv::gen::LineCode>(state.range(0));
    const int limit = m.limit(qv::gen::encoderSampleLimitMargin);
    const int perByte = 8 * qv::gen::encoderSamplesPerBit(s.code);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>((limit - qv::gen::encoderLeadInSamples) / perByte));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    int count = 0;
    for (auto _ : state) {
        count = qv::gen::buildEncoderStream(s, bytes, 0, m.buffer, limit).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(EncoderFullMemory)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void PwmPeriod(benchmark::State& state) {
    auto& m = memory();
    qv::gen::PwmSettings s;
    s.step = qv::gen::DutyStep::Tenth;
    s.duty1 = 33.3;
    s.duty2 = 81.7;
    const qv::gen::PwmCheck check = qv::gen::checkPwm(s, m.caps);
    int count = 0;
    for (auto _ : state) {
        count = qv::gen::buildPwmStream(s, check, qv::gen::PwmTarget::Output, 0, m.buffer);
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}
BENCHMARK(PwmPeriod);

} // namespace
