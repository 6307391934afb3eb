// Paint cost of the wave view under Wine (or Windows): 50 rows of a full 0xCD16 document painted
// into a 1920 x 1000 memory bitmap through the editor's own painter, at full zoom-out and at one
// sample per pixel, for counter-like and for random data, and a scroll by one page; beside one
// BitBlt of the same area. Each iteration rebuilds the column summary as a repaint after a scroll
// does. Built when the Google Benchmark sources are given (scripts/bench-wine.sh).
#include <benchmark/benchmark.h>

#include "waveedit/document.h"
#include "waveedit/labels.h"
#include "waveedit/row_shapes.h"
#include "waveedit/view_geometry.h"
#include "waveedit/view_rows.h"
#include "waveedit/wave_paint.h"

#include <windows.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int width = 1920;
constexpr int height = 1000;
constexpr int rowCount = 50;
constexpr int rulerHeight = 26;
constexpr int labelColumn = 300;

enum class Data { Counter, Random };

struct Bench {
    std::unique_ptr<qv::Document> doc;
    std::vector<qv::ViewRow> rows;
    qv::ColumnSummary summary;
    HDC screen = nullptr, memory = nullptr, copy = nullptr;
    HBITMAP bitmap = nullptr, copyBitmap = nullptr;
    HFONT font = nullptr;
    std::unique_ptr<qv::win::WavePainter> painter;
    qv::ViewArea area;

    explicit Bench(Data data) {
        doc = qv::Document::create(qv::capabilitiesFor(0xCD16), true);
        qv::LabelTable& labels = doc->labels();
        labels = {};
        int next = 0;
        for (int channel = 0; channel < rowCount; ++channel) {
            const int channels[] = {channel};
            next = qv::appendSignalLabel(labels, next, "CH-" + std::to_string(channel), channels);
        }
        rows = qv::viewRows(labels);
        std::span<qv::Sample> image = doc->usableImage();
        std::mt19937_64 random(7);
        const qv::Sample channelBits = ((qv::Sample{1} << rowCount) - 1) << qv::firstChannelBit;
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = data == Data::Counter ? (qv::Sample{i} << qv::firstChannelBit) & channelBits
                                             : random() & channelBits;
        screen = GetDC(nullptr);
        memory = CreateCompatibleDC(screen);
        copy = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        copyBitmap = CreateCompatibleBitmap(screen, width, height);
        SelectObject(memory, bitmap);
        SelectObject(copy, copyBitmap);
        font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg");
        painter = std::make_unique<qv::win::WavePainter>(font);
        area = {labelColumn + 3, rulerHeight, width - labelColumn - 3, height - rulerHeight, (height - rulerHeight) / rowCount};
    }
    ~Bench() {
        painter.reset();
        DeleteObject(font);
        DeleteDC(memory);
        DeleteDC(copy);
        DeleteObject(bitmap);
        DeleteObject(copyBitmap);
        ReleaseDC(nullptr, screen);
    }

    qv::ViewPosition fullZoomOut() const {
        qv::ViewPosition view;
        view.zoom = qv::reachableZoom({0, qv::maxZoomOut}, doc->usableSamples(), area.width);
        return view;
    }

    void paint(const qv::ViewPosition& view) {
        qv::buildViewSummary(summary, doc->usableImage(), view, area.width);
        qv::win::WaveScene scene;
        scene.image = doc->usableImage();
        scene.rows = rows;
        scene.labels = &doc->labels();
        scene.summary = &summary;
        scene.view = view;
        scene.area = area;
        scene.splitters = {100, 200, 300};
        const RECT bounds{0, 0, width, height};
        painter->paint(memory, scene, bounds);
        GdiFlush();
    }
};

void paintView(benchmark::State& state, Data data, bool zoomedOut) {
    Bench bench(data);
    qv::ViewPosition view = zoomedOut ? bench.fullZoomOut() : qv::ViewPosition{};
    view.firstSample = zoomedOut ? 0 : bench.doc->usableSamples() / 2;
    for (auto _ : state) bench.paint(view);
}

void scrollByPage(benchmark::State& state, Data data) {
    Bench bench(data);
    qv::ViewPosition view;
    const int page = qv::samplesShown(view.zoom, bench.area.width);
    for (auto _ : state) {
        view.firstSample = (view.firstSample + page) % (bench.doc->usableSamples() - page);
        bench.paint(view);
    }
}

void BM_PaintCounterFullZoomOut(benchmark::State& state) { paintView(state, Data::Counter, true); }
void BM_PaintCounterOneSamplePerPixel(benchmark::State& state) { paintView(state, Data::Counter, false); }
void BM_PaintRandomFullZoomOut(benchmark::State& state) { paintView(state, Data::Random, true); }
void BM_PaintRandomOneSamplePerPixel(benchmark::State& state) { paintView(state, Data::Random, false); }
void BM_ScrollPageCounter(benchmark::State& state) { scrollByPage(state, Data::Counter); }
void BM_ScrollPageRandom(benchmark::State& state) { scrollByPage(state, Data::Random); }

void BM_BitBltSameArea(benchmark::State& state) {
    Bench bench(Data::Counter);
    for (auto _ : state) {
        BitBlt(bench.copy, 0, 0, width, height, bench.memory, 0, 0, SRCCOPY);
        GdiFlush();
    }
}

BENCHMARK(BM_PaintCounterFullZoomOut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintCounterOneSamplePerPixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintRandomFullZoomOut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintRandomOneSamplePerPixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollPageCounter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollPageRandom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitBltSameArea)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
