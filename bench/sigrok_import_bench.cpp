// sigrok session import of a generated capture of 100 MB of samples: 16 probes (2 bytes a sample),
// 50,000,000 samples in sigrok's 4 MB chunks, bursts of 400 random samples between idle gaps of
// 60,000 to 140,000 samples, as a bus analyser records them. Beside it in the same run, its floor:
// a plain zlib inflate of the same archive's chunks (read in the same 64 KB blocks, inflated into
// 1 MB), without (/0) and with (/1) the CRC-32 check every zip reader makes. Goal: the import within about the
// inflate's time (bytes per second in the report, of the inflated samples; the ratio is their quotient). The instrument
// is a 50-channel one with 2,097,152 samples, so the whole capture fits as loops.
#include "big_instrument.h"
#include "converters/sigrok_import.h"
#include "support/zip_reader.h"

#include "../tests/core/zip_builder.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t sampleBytes = 2;
constexpr std::size_t captureSamples = 50000000;
constexpr std::size_t chunkBytes = std::size_t{4} << 20;

class YesPrompt : public qv::Prompt {
  public:
    qv::Answer ask(int, qv::Buttons) override { return qv::Answer::Yes; }
    void show(int, const std::string&) override {}
};

struct Capture {
    std::string path;
    std::vector<std::pair<std::int64_t, std::size_t>> chunks; // data offset, compressed size
    std::int64_t archiveBytes = 0;
};

// The archive as sigrok writes it: version, metadata, then the chunks, all deflated.
const Capture& capture() {
    static const Capture made = [] {
        Capture c;
        c.path = (std::filesystem::temp_directory_path() / ("qvbench-" + std::to_string(::getpid()) + ".sr")).string();
        std::string metadata = "[global]\nsigrok version=0.5.2\n\n[device 1]\ncapturefile=logic-1\ntotal probes=16\n"
                               "samplerate=100 MHz\ntotal analog=0\n";
        for (int p = 1; p <= 16; ++p) metadata += "probe" + std::to_string(p) + "=D" + std::to_string(p - 1) + "\n";
        metadata += "unitsize=2\n";
        std::vector<qv::test::ZipItem> entries{{"version", "2"}, {"metadata", metadata}};
        std::mt19937 random(26);
        std::string samples;
        std::uint16_t value = 0;
        for (std::size_t n = 0; n < captureSamples;) {
            const std::size_t burst = 400, gap = 60000 + random() % 80000;
            for (std::size_t i = 0; i < burst + gap && n < captureSamples; ++i, ++n) {
                if (i < burst) value = static_cast<std::uint16_t>(random());
                samples += static_cast<char>(value);
                samples += static_cast<char>(value >> 8);
                if (samples.size() == chunkBytes || n + 1 == captureSamples) {
                    entries.emplace_back("logic-1-" + std::to_string(entries.size() - 1), samples);
                    samples.clear();
                }
            }
        }
        const std::vector<std::uint8_t> archive = qv::test::buildZip(entries);
        std::FILE* f = std::fopen(c.path.c_str(), "wb");
        std::fwrite(archive.data(), 1, archive.size(), f);
        std::fclose(f);
        // Where the chunks' compressed data lie, for the plain inflate.
        qv::MemorySource source(archive.data(), archive.size());
        qv::zip::Archive directory;
        directory.open(source);
        for (const qv::zip::Entry& e : directory.entries())
            if (e.name.starts_with("logic")) c.chunks.emplace_back(e.dataOffset, e.compressedSize);
        c.archiveBytes = static_cast<std::int64_t>(archive.size());
        return c;
    }();
    return made;
}

void PlainZlibInflate(benchmark::State& state) {
    const Capture& c = capture();
    std::vector<std::uint8_t> input(65536), output(qv::zip::streamBlockBytes);
    std::int64_t bytes = 0;
    const bool withCrc = state.range(0) != 0;
    uLong crc = 0;
    for (auto _ : state) {
        std::FILE* f = std::fopen(c.path.c_str(), "rb");
        for (const auto& [offset, size] : c.chunks) {
            z_stream z{};
            inflateInit2(&z, -MAX_WBITS);
            std::fseek(f, static_cast<long>(offset), SEEK_SET);
            std::size_t left = size;
            int status = Z_OK;
            while (status != Z_STREAM_END && status >= 0) {
                if (z.avail_in == 0) {
                    const std::size_t n = std::fread(input.data(), 1, std::min(left, input.size()), f);
                    left -= n;
                    z.next_in = input.data();
                    z.avail_in = static_cast<uInt>(n);
                }
                z.next_out = output.data();
                z.avail_out = static_cast<uInt>(output.size());
                status = inflate(&z, Z_NO_FLUSH);
                const std::size_t got = output.size() - z.avail_out;
                if (withCrc) crc = crc32(crc, output.data(), static_cast<uInt>(got));
                bytes += static_cast<std::int64_t>(got);
                benchmark::DoNotOptimize(output.data());
            }
            inflateEnd(&z);
        }
        std::fclose(f);
    }
    benchmark::DoNotOptimize(crc);
    state.SetBytesProcessed(bytes);
    state.counters["archive_MB"] = static_cast<double>(c.archiveBytes) / 1e6;
}
BENCHMARK(PlainZlibInflate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void SigrokImport(benchmark::State& state) {
    const Capture& c = capture();
    qv::sigrok::ImportSettings settings;
    settings.capabilities = bigInstrument();
    std::vector<qv::Sample> image(static_cast<std::size_t>(settings.capabilities.usableSampleBytes / 8));
    auto labels = std::make_unique<qv::LabelTable>();
    YesPrompt prompt;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        qv::InputFile file;
        file.open(c.path);
        qv::sigrok::ImportResult result;
        if (qv::sigrok::importSigrok(file, settings, prompt, image, *labels, result) != qv::Msg::None ||
            result.outputSamples != captureSamples || result.truncated)
            state.SkipWithError("the capture did not import whole");
        bytes += static_cast<std::int64_t>(result.captureSamples * sampleBytes);
        state.counters["image_samples"] = result.end;
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(SigrokImport)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(capture().path);
    return 0;
}
