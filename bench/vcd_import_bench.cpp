// VCD import on a generated dump of 2,000,000 time units: 42 one-bit signals and 4 two-bit vectors
// (50 channels) changing at random every 1 to 3 units, about 40 MB. Beside it in the same run, its
// floor: a plain read of the same file in the same blocks with a line count. Goal: the floor at
// least 200 MB/s and the import within 3x of it (bytes per second in the report). The instrument
// is a 50-channel one with 2,097,152 samples, so the whole dump fits.
#include "big_instrument.h"
#include "converters/vcd_import.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint64_t timeUnits = 2000000;
constexpr int scalars = 42, vectors = 4;

class YesPrompt : public qv::Prompt {
  public:
    qv::Answer ask(int, qv::Buttons) override { return qv::Answer::Yes; }
    void show(int, const std::string&) override {}
};

std::string code(int i) { // "!" .. "~", then two characters
    std::string c(1, static_cast<char>('!' + i % 94));
    if (i >= 94) c += static_cast<char>('!' + i / 94);
    return c;
}

const std::string& dumpPath() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / ("qvbench-" + std::to_string(::getpid()) + ".vcd")).string();
        std::FILE* f = std::fopen(p.c_str(), "wb");
        std::string text = "$timescale 10ns $end\n$scope module bench $end\n";
        for (int i = 0; i < scalars; ++i) text += "$var wire 1 " + code(i) + " s" + std::to_string(i) + " $end\n";
        for (int i = 0; i < vectors; ++i)
            text += "$var wire 2 " + code(scalars + i) + " v" + std::to_string(i) + " [1:0] $end\n";
        text += "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
        std::mt19937 random(1);
        for (std::uint64_t t = 0; t < timeUnits; t += 1 + random() % 3) {
            text += '#';
            text += std::to_string(t);
            text += '\n';
            for (int k = static_cast<int>(random() % 20); k > 0; --k) {
                const int i = static_cast<int>(random() % (scalars + vectors));
                if (i >= scalars) {
                    text += 'b';
                    text += static_cast<char>('0' + random() % 2);
                }
                text += static_cast<char>('0' + random() % 2);
                if (i >= scalars) text += ' ';
                text += code(i);
                text += '\n';
            }
            if (text.size() > (1u << 20)) {
                std::fwrite(text.data(), 1, text.size(), f);
                text.clear();
            }
        }
        text += '#';
        text += std::to_string(timeUnits);
        text += '\n';
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return p;
    }();
    return path;
}

void PlainReadAndLineCount(benchmark::State& state) {
    const std::string& path = dumpPath();
    std::vector<char> block(qv::vcd::readBlockBytes);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::size_t lines = 0, got = 0;
        while ((got = std::fread(block.data(), 1, block.size(), f)) > 0) {
            lines += static_cast<std::size_t>(std::count(block.data(), block.data() + got, '\n'));
            bytes += static_cast<std::int64_t>(got);
        }
        std::fclose(f);
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(PlainReadAndLineCount)->Unit(benchmark::kMillisecond)->UseRealTime();

void VcdImport(benchmark::State& state) {
    const std::string& path = dumpPath();
    qv::vcd::ImportSettings settings;
    settings.capabilities = bigInstrument();
    std::vector<qv::Sample> image(static_cast<std::size_t>(settings.capabilities.usableSampleBytes / 8));
    auto labels = std::make_unique<qv::LabelTable>();
    YesPrompt prompt;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        qv::InputFile file;
        file.open(path);
        qv::vcd::ImportResult result;
        if (qv::vcd::importVcd(file, settings, prompt, image, *labels, result) != qv::Msg::None ||
            result.outputSamples != timeUnits || result.truncated)
            state.SkipWithError("the dump did not import whole");
        bytes += file.size();
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(VcdImport)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(dumpPath());
    return 0;
}
