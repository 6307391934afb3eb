// The document's files on a full 2,097,152-sample document (model 0xCD16) with 50 labels, each
// beside its floor in the same run: .qvw save against one write() of the same bytes (goal: at most
// 2x), .qvw load with all validation against a plain read of the cached file (at most 5x), and the
// .qvv writer's throughput (at least 100 MB/s; bytes per second in the report).
#include "device/prompt.h"
#include "waveedit/document.h"
#include "waveedit/labels.h"
#include "waveedit/qvv_writer.h"
#include "waveedit/qvw_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class YesPrompt : public qv::Prompt {
  public:
    qv::Answer ask(int, qv::Buttons) override { return qv::Answer::Yes; }
    void show(int, const std::string&) override {}
};

struct Fixture {
    std::unique_ptr<qv::Document> doc = qv::Document::create(qv::capabilitiesFor(0xCD16), true);
    std::string folder;

    Fixture() {
        folder = (std::filesystem::temp_directory_path() / ("qvbench-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(folder);
        // The command label and 49 one-bit labels (bits 12 to 60): 50 labels.
        qv::LabelTable& t = doc->labels();
        int next = qv::writeDefaultCommandLabel(t);
        for (int bit = 12; bit <= 60; ++bit) {
            qv::LabelRecord& r = t[next++];
            r.bitIndex = bit;
            r.positionCode = qv::positionSingle;
            r.colour = 15;
            std::snprintf(r.name, sizeof r.name, "CH%d", bit - 12);
        }
        // A waveform that changes to its very last sample, so every sample is written.
        std::mt19937_64 random(7);
        Sample level = 0;
        for (qv::Sample& s : doc->usableImage()) {
            if (random() % 3 == 0) level = random() & (((Sample{1} << 49) - 1) << 12);
            s = level;
        }
        doc->usableImage().back() ^= Sample{1} << 12;
        if (qv::saveQvw(path("load.qvw"), *doc) != qv::Msg::None) std::abort();
    }
    ~Fixture() { std::filesystem::remove_all(folder); }
    std::string path(const char* name) const { return folder + "/" + name; }
    using Sample = qv::Sample;
};

Fixture& fixture() {
    static Fixture shared;
    return shared;
}

std::int64_t fileBytes(const std::string& path) { return static_cast<std::int64_t>(std::filesystem::file_size(path)); }

// Floor of the save: the same number of bytes written with one write() call to a new file.
void BM_WriteFloor(benchmark::State& state) {
    Fixture& f = fixture();
    const std::string target = f.path("floor.bin");
    const std::size_t bytes = static_cast<std::size_t>(fileBytes(f.path("load.qvw")));
    std::vector<char> data(bytes, 1);
    for (auto _ : state) {
        int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, data.data(), bytes) != static_cast<ssize_t>(bytes)) state.SkipWithError("write");
        ::close(fd);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WriteFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveQvw(benchmark::State& state) {
    Fixture& f = fixture();
    const std::string target = f.path("save.qvw");
    for (auto _ : state)
        if (qv::saveQvw(target, *f.doc) != qv::Msg::None) state.SkipWithError("save");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * fileBytes(target));
}
BENCHMARK(BM_SaveQvw)->Unit(benchmark::kMillisecond)->UseRealTime();

// Floor of the load: a plain read of the whole (cached) file into memory.
void BM_ReadFloor(benchmark::State& state) {
    Fixture& f = fixture();
    const std::string source = f.path("load.qvw");
    const std::size_t bytes = static_cast<std::size_t>(fileBytes(source));
    std::vector<char> data(bytes);
    for (auto _ : state) {
        int fd = ::open(source.c_str(), O_RDONLY);
        if (::read(fd, data.data(), bytes) != static_cast<ssize_t>(bytes)) state.SkipWithError("read");
        ::close(fd);
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ReadFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadQvw(benchmark::State& state) {
    Fixture& f = fixture();
    const std::string source = f.path("load.qvw");
    YesPrompt prompt;
    for (auto _ : state)
        if (qv::loadQvw(source, *f.doc, prompt) != qv::Msg::None) state.SkipWithError("load");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * fileBytes(source));
}
BENCHMARK(BM_LoadQvw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveQvv(benchmark::State& state) {
    Fixture& f = fixture();
    const std::string target = f.path("save.qvv");
    for (auto _ : state)
        if (qv::saveQvv(target, *f.doc) != qv::Msg::None) state.SkipWithError("save");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * fileBytes(target));
}
BENCHMARK(BM_SaveQvv)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
