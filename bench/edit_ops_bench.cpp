// Low, High, Invert and Clock over the whole usable area of the largest model (0xCD16, 2,097,128
// samples) with 50 labelled rows selected, each beside a memset of the same image in the same run.
// Every operation includes storing the area in the waveform undo ring, as the editor does.
// Goal: each under 20 ms.
#include "waveedit/edit_ops.h"
#include "waveedit/labels.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <random>

namespace {

struct Fixture {
    std::unique_ptr<qv::Document> doc = qv::Document::create(qv::capabilitiesFor(0xCD16), true);
    std::vector<qv::ViewRow> rows;
    qv::EditTarget target;

    Fixture() {
        // 50 single labels on bits 12 to 61, every one selected for editing.
        qv::LabelTable& t = doc->labels();
        t.fill(qv::LabelRecord{});
        for (int k = 0; k < 50; ++k) {
            qv::LabelRecord& r = t[static_cast<std::size_t>(k)];
            r.bitIndex = 12 + k;
            r.positionCode = qv::positionSingle;
            r.colour = 15;
            r.stateFlags = qv::stateRowSelected;
            std::snprintf(r.name, sizeof r.name, "CH%d", k);
        }
        rows = qv::viewRows(t);
        std::mt19937_64 random(3);
        for (qv::Sample& s : doc->usableImage()) s = random();
        target = qv::editTarget(qv::labelRowSelection(true), doc->positions(), rows, t, doc->usableSamples());
        if (target.rows.size() != 50 || target.sampleCount() != doc->usableSamples()) std::abort();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_Level(benchmark::State& state) {
    Fixture& f = fixture();
    const auto op = static_cast<qv::LevelOperation>(state.range(0));
    for (auto _ : state) {
        qv::applyLevel(*f.doc, f.target, op);
        benchmark::DoNotOptimize(f.doc->image());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * f.doc->usableSampleBytes());
}
BENCHMARK(BM_Level)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"Low0High1Invert2"})->Unit(benchmark::kMillisecond);

void BM_Clock(benchmark::State& state) {
    Fixture& f = fixture();
    const qv::ClockSetting setting{static_cast<int>(state.range(0)), 1};
    for (auto _ : state) {
        if (!qv::drawClock(*f.doc, f.target, setting)) std::abort();
        benchmark::DoNotOptimize(f.doc->image());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * f.doc->usableSampleBytes());
}
BENCHMARK(BM_Clock)->Arg(1)->Arg(2)->Arg(1000)->ArgNames({"multiplier"})->Unit(benchmark::kMillisecond);

// The floor: one memset over the same bytes.
void BM_MemsetImage(benchmark::State& state) {
    Fixture& f = fixture();
    int value = 0;
    for (auto _ : state) {
        std::memset(f.doc->image(), value++ & 0xFF, static_cast<std::size_t>(f.doc->usableSampleBytes()));
        benchmark::DoNotOptimize(f.doc->image());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * f.doc->usableSampleBytes());
}
BENCHMARK(BM_MemsetImage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
