// sigrok session import of a generated capture of 100 MB of samples: 16 probes (2 bytes a sample),
// 50,000,000 samples in sigrok's 4 MB chunks, bursts of 400 random samples between idle gaps of
// 60,000 to 140,000 samples, as a bus analyser records them. Beside it in the same run, its floor:
// a plain zlib inflate of the same archive's chunks (read in the same 64 KB blocks, inflated into
// 1 MB), without (/0) and with (/1) the CRC-32 check every zip reader makes. Goal: the import within about the inflate's time (bytes per second in the report, of the
// inflated samples; the ratio is their quotient). The instrument is a 50-channel one with
// 2,097,152 samples, so the whole capture fits as loops.
#include "converters/sigrok_import.h"
#include "support/zip_reader.h"

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

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
}

std::string deflated(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

struct Capture {
    std::string path;
    std::vector<std::pair<std::int64_t, std::size_t>> chunks; // data offset, compressed size
    std::int64_t archiveBytes = 0;
};

// The archive, written as sigrok does: version, metadata, then the chunks, all deflated.
const Capture& capture() {
    static const Capture made = [] {
        Capture c;
        c.path = (std::filesystem::temp_directory_path() / ("qvbench-" + std::to_string(::getpid()) + ".sr")).string();
        std::string metadata = "[global]\nsigrok version=0.5.2\n\n[device 1]\ncapturefile=logic-1\ntotal probes=16\n"
                               "samplerate=100 MHz\ntotal analog=0\n";
        for (int p = 1; p <= 16; ++p) metadata += "probe" + std::to_string(p) + "=D" + std::to_string(p - 1) + "\n";
        metadata += "unitsize=2\n";
        std::vector<std::pair<std::string, std::string>> entries{{"version", "2"}, {"metadata", metadata}};
        std::mt19937 random(26);
        std::string samples;
        std::uint16_t value = 0;
        for (std::size_t n = 0; n < captureSamples;) {
            const std::size_t burst = 400, gap = 60000 + random() % 80000;
            for (std::size_t i = 0; i < burst + gap && n < captureSamples; ++i, ++n) {
                if (i < burst) value = static_cast<std::uint16_t>(random());
                put(samples, value, 2);
                if (samples.size() == chunkBytes) {
                    entries.emplace_back("logic-1-" + std::to_string(entries.size() - 1), samples);
                    samples.clear();
                }
            }
        }
        if (!samples.empty()) entries.emplace_back("logic-1-" + std::to_string(entries.size() - 1), samples);

        std::string archive, directory;
        for (const auto& [name, data] : entries) {
            const std::string body = deflated(data);
            const auto crc = static_cast<std::uint32_t>(
                crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
            const auto offset = static_cast<std::uint32_t>(archive.size());
            for (std::string* s : {&archive, &directory}) {
                const bool central = s == &directory;
                put(*s, central ? 0x02014b50 : 0x04034b50, 4);
                if (central) put(*s, 20, 2);
                put(*s, 20, 2);
                put(*s, 0, 2);
                put(*s, 8, 2);
                put(*s, 0, 4);
                put(*s, crc, 4);
                put(*s, static_cast<std::uint32_t>(body.size()), 4);
                put(*s, static_cast<std::uint32_t>(data.size()), 4);
                put(*s, static_cast<std::uint32_t>(name.size()), 2);
                put(*s, 0, 2);
                if (central) {
                    put(*s, 0, 8);
                    put(*s, 0, 2);
                    put(*s, offset, 4);
                }
                *s += name;
            }
            if (name.starts_with("logic"))
                c.chunks.emplace_back(static_cast<std::int64_t>(archive.size()), body.size());
            archive += body;
        }
        const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
        archive += directory;
        put(archive, 0x06054b50, 4);
        put(archive, 0, 4);
        put(archive, static_cast<std::uint32_t>(entries.size()), 2);
        put(archive, static_cast<std::uint32_t>(entries.size()), 2);
        put(archive, static_cast<std::uint32_t>(directory.size()), 4);
        put(archive, directoryOffset, 4);
        put(archive, 0, 2);
        std::FILE* f = std::fopen(c.path.c_str(), "wb");
        std::fwrite(archive.data(), 1, archive.size(), f);
        std::fclose(f);
        c.archiveBytes = static_cast<std::int64_t>(archive.size());
        return c;
    }();
    return made;
}

qv::Capabilities bigInstrument() {
    qv::Capabilities caps = qv::capabilitiesFor(0xC350);
    constexpr int depth = 2097152;
    caps.memoryDepthBytes = depth * 8;
    caps.sampleBufferBytes = (depth + 22) * 8;
    caps.usableSampleBytes = (depth - 24) * 8;
    return caps;
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
