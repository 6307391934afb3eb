// The wave view's column summary on a full 2,097,152-sample document with 50 one-channel rows:
// built at full zoom-out for a 1920-pixel area (and at a close zoom, where the 1920 columns cover
// only part of the document), with the 50 rows read from it, on counter-like and on random data;
// the incremental update after a small edit; and, for scale, a plain walk that reads every sample
// of every row, and a memcpy of the image.
#include "waveedit/column_summary.h"
#include "waveedit/view_geometry.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using qv::Sample;

constexpr int memoryDepth = 2097152;
constexpr int usable = memoryDepth - qv::reservedTailSamples;
constexpr int channels = 50;
constexpr int areaWidth = 1920;
constexpr Sample channelMask = ((Sample{1} << channels) - 1) << qv::firstChannelBit;

enum Data { Random = 0, Counter = 1, RandomWithCommands = 2 };

struct Document {
    std::vector<Sample> image;
    std::vector<qv::ViewRow> rows;
    explicit Document(Data data) : image(static_cast<std::size_t>(usable)) {
        std::mt19937_64 random(7);
        for (int i = 0; i < usable; ++i) {
            Sample& s = image[static_cast<std::size_t>(i)];
            s = data == Counter ? (static_cast<Sample>(i) << qv::firstChannelBit) & channelMask
                                : random() & channelMask;
            // A JP every 64 samples: every column holds commands to look through.
            if (data == RandomWithCommands && i % 64 >= 61)
                s |= (i % 64 == 61 ? 0x80Cu : i % 64 == 62 ? 0x200u : 0x100u);
        }
        for (int c = 0; c < channels; ++c) {
            qv::ViewRow row;
            row.width = 1;
            row.bits[0] = static_cast<std::uint8_t>(qv::firstChannelBit + c);
            row.mask = qv::channelBit(c);
            rows.push_back(row);
        }
    }
};

Document& document(std::int64_t data) {
    static Document random(Random), counter(Counter), withCommands(RandomWithCommands);
    return data == Counter ? counter : data == RandomWithCommands ? withCommands : random;
}

int fullZoomOut() {
    qv::Zoom zoom;
    while (qv::canZoomOut(zoom, usable, areaWidth)) zoom = qv::zoomedOut(zoom, usable, areaWidth);
    return zoom.out;
}

// Arguments: data (0 random, 1 counter-like, 2 random with commands), zoom out (-1: full zoom-out).
int zoomOf(const benchmark::State& state) {
    return state.range(1) < 0 ? fullZoomOut() : static_cast<int>(state.range(1));
}

void SummaryBuild(benchmark::State& state) {
    const Document& doc = document(state.range(0));
    qv::ColumnSummary summary;
    const int zoom = zoomOf(state);
    for (auto _ : state) {
        summary.build(doc.image, 0, zoom, areaWidth);
        benchmark::DoNotOptimize(summary.changedBits(0));
    }
    state.counters["zoomOut"] = zoom;
    state.counters["columns"] = summary.columnsWithSamples();
}

void SummaryBuildAnd50Rows(benchmark::State& state) {
    const Document& doc = document(state.range(0));
    qv::ColumnSummary summary;
    std::vector<qv::RowColumn> columns(areaWidth);
    const int zoom = zoomOf(state);
    for (auto _ : state) {
        summary.build(doc.image, 0, zoom, areaWidth);
        for (const qv::ViewRow& row : doc.rows) {
            summary.rowColumns(row, columns);
            benchmark::DoNotOptimize(columns.data());
        }
    }
}

// An edit of 100 samples in the middle of the shown samples, then the summary brought up to date.
void SummaryUpdateSmallRange(benchmark::State& state) {
    Document& doc = document(state.range(0));
    qv::ColumnSummary summary;
    const int zoom = zoomOf(state);
    summary.build(doc.image, 0, zoom, areaWidth);
    const int from = static_cast<int>(std::min<std::int64_t>(usable, std::int64_t{areaWidth} << zoom) / 2);
    for (auto _ : state) {
        doc.image[static_cast<std::size_t>(from)] ^= qv::channelBit(3);
        summary.update(doc.image, from, from + 99);
        benchmark::DoNotOptimize(summary.changedBits(0));
    }
}

// For scale: every sample of every row compared with its predecessor, one row at a time.
void PlainWalk50Rows(benchmark::State& state) {
    const Document& doc = document(state.range(0));
    const int zoom = zoomOf(state);
    std::vector<qv::RowColumn> columns(areaWidth);
    for (auto _ : state) {
        for (const qv::ViewRow& row : doc.rows) {
            const int bit = row.bits[0];
            for (int c = 0; c < areaWidth && (c << zoom) < usable; ++c) {
                const int from = c << zoom, to = std::min(from + (1 << zoom), usable);
                bool changed = false;
                for (int i = std::max(from, 1); i < to; ++i)
                    changed |=
                        ((doc.image[static_cast<std::size_t>(i)] ^ doc.image[static_cast<std::size_t>(i - 1)]) >> bit) &
                        1u;
                columns[static_cast<std::size_t>(c)] = {changed,
                                                        (doc.image[static_cast<std::size_t>(to - 1)] >> bit) & 1u};
            }
            benchmark::DoNotOptimize(columns.data());
        }
    }
}

void MemcpyOfTheImage(benchmark::State& state) {
    const Document& doc = document(Counter);
    std::vector<Sample> target(doc.image.size());
    for (auto _ : state) {
        std::memcpy(target.data(), doc.image.data(), doc.image.size() * sizeof(Sample));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void dataAndZoom(benchmark::internal::Benchmark* b) {
    b->ArgNames({"data", "zoomOut"});
    for (int data : {Counter, Random, RandomWithCommands})
        for (int zoom : {-1, 4}) b->Args({data, zoom});
}

BENCHMARK(MemcpyOfTheImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(SummaryBuild)->Apply(dataAndZoom)->Unit(benchmark::kMicrosecond);
BENCHMARK(SummaryBuildAnd50Rows)->Apply(dataAndZoom)->Unit(benchmark::kMicrosecond);
BENCHMARK(SummaryUpdateSmallRange)->Apply(dataAndZoom)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainWalk50Rows)->Args({1, -1})->Args({0, -1})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
