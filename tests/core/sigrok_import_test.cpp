// sigrok session import: the zip container's checks (sizes, CRC, inflate ratio, overlapping
// entries), the metadata, probes onto channels with their names, the rate questions, random
// captures with idle gaps played on the sequencer against their own samples, and damaged sessions
// that leave the document as it was.
#include "converters/sigrok_import.h"

#include "import_playback.h"
#include "scripted_prompt.h"
#include "support/zip_reader.h"
#include "waveedit/labels.h"
#include "waveedit/waveform_check.h"
#include "zip_builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace qv {
namespace {

using test::buildSession;
using test::buildZip;
using test::ZipItem;

std::string meta(const std::string& device) { return "[global]\nsigrok version=0.5.2\n\n[device 1]\n" + device; }

const std::string eightProbes =
    meta("capturefile=logic-1\ntotal probes=8\nsamplerate=1 MHz\ntotal analog=0\nprobe1=D0\nprobe2=D1\nprobe3=D2\n"
         "probe4=D3\nprobe5=D4\nprobe6=D5\nprobe7=D6\nprobe8=D7\nunitsize=1\n");

zip::Error readEntry(const std::vector<std::uint8_t>& bytes, const char* name, std::string& out) {
    MemorySource source(bytes.data(), bytes.size());
    zip::Archive archive;
    if (zip::Error e = archive.open(source); e != zip::Error::None) return e;
    const zip::Entry* entry = archive.find(name);
    return entry ? archive.readWhole(*entry, 1 << 30, out) : zip::Error::NotZip;
}

TEST(ZipReader, StoredAndDeflatedEntriesAndTheirChecks) {
    const std::string text(100000, 'a');
    std::string got;
    for (bool deflate : {false, true}) {
        ASSERT_EQ(readEntry(buildZip({{"x", "hello"}, {"t", text, deflate}}), "t", got), zip::Error::None);
        EXPECT_EQ(got, text);
    }
    EXPECT_EQ(readEntry(buildZip({{"t", text, true, std::nullopt, 1234u}}), "t", got), zip::Error::Damaged) << "CRC";
    EXPECT_EQ(readEntry(buildZip({{"t", text, true, 99999u}}), "t", got), zip::Error::Damaged) << "more than declared";
    EXPECT_EQ(readEntry(buildZip({{"t", text, true, 100001u}}), "t", got), zip::Error::Damaged) << "less than declared";
    EXPECT_EQ(readEntry(buildZip({{"t", text, false, 100001u}}), "t", got), zip::Error::Damaged) << "stored sizes";
    EXPECT_EQ(readEntry({'P', 'K', 3, 4}, "t", got), zip::Error::NotZip);

    // Every cut of an archive is refused, never read past its end.
    const auto whole = buildZip({{"a", "first"}, {"t", text}});
    for (std::size_t cut = 0; cut < whole.size(); cut += 7) {
        const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_NE(readEntry(part, "t", got), zip::Error::None) << cut;
    }
}

TEST(ZipReader, InflateRatioBoundAndOverlappingEntries) {
    const std::string zeros(1 << 20, '\0');
    const std::string body = test::deflateRaw(zeros);
    const std::uint32_t limit = static_cast<std::uint32_t>(body.size() * zip::maxInflateRatio + zip::ratioSlack);
    MemorySource none(nullptr, 0);
    for (std::uint32_t declared : {limit, limit + 1}) {
        const auto bytes = buildZip({{"z", zeros, true, declared}});
        MemorySource source(bytes.data(), bytes.size());
        zip::Archive archive;
        EXPECT_EQ(archive.open(source), declared == limit ? zip::Error::None : zip::Error::Ratio) << declared;
    }

    // Two directory records naming the same data: refused before anything is inflated.
    auto bytes = buildZip({{"a", "0123456789"}, {"b", "0123456789"}});
    const std::size_t directory = bytes.size() - 22 - 2 * (46 + 1);
    bytes[directory + 46 + 1 + 42] = 0; // b's local header offset -> a's
    MemorySource source(bytes.data(), bytes.size());
    zip::Archive archive;
    EXPECT_EQ(archive.open(source), zip::Error::Damaged);
}

TEST(SigrokMetadata, RatesUnitSizesAndProbes) {
    EXPECT_EQ(sigrok::parseSampleRate("200 kHz"), 200000u);
    EXPECT_EQ(sigrok::parseSampleRate("1.5 MHz"), 1500000u);
    EXPECT_EQ(sigrok::parseSampleRate("3.125 GHz"), 3125000000u);
    EXPECT_EQ(sigrok::parseSampleRate("100"), 100u);
    EXPECT_EQ(sigrok::parseSampleRate("24MHz"), 24000000u);
    EXPECT_FALSE(sigrok::parseSampleRate("fast"));
    EXPECT_FALSE(sigrok::parseSampleRate("1 THz"));
    EXPECT_FALSE(sigrok::parseSampleRate("999999999999 GHz")) << "beyond 64 bits";
    EXPECT_FALSE(sigrok::parseSampleRate("1 MHz x"));

    sigrok::Metadata m;
    std::string detail;
    ASSERT_EQ(sigrok::parseMetadata(meta("capturefile=logic-1\ntotal probes=16\nprobe9=B\nprobe2=A\nunitsize=2\n"
                                         "total analog=3\n[device 2]\nprobe1=other\n"),
                                    m, detail),
              Msg::None);
    ASSERT_EQ(m.probes.size(), 2u);
    EXPECT_EQ(m.probes[0].index, 2) << "in probe order";
    EXPECT_EQ(m.probes[1].name, "B");
    EXPECT_EQ(m.analogChannels, 3);
    EXPECT_EQ(m.sampleRate, 0u);
    for (const char* size : {"0", "9", "two"}) {
        EXPECT_EQ(sigrok::parseMetadata(meta(std::string("capturefile=l\nprobe1=A\nunitsize=") + size), m, detail),
                  Msg::SigrokUnitSize);
        EXPECT_EQ(detail, size);
    }
    EXPECT_EQ(sigrok::parseMetadata(meta("capturefile=l\nprobe1=A\nunitsize=8\n"), m, detail), Msg::None);
    for (const char* bad : {"probe9=A\nunitsize=1", "probe3=A\ntotal probes=2", "probe1=A\nprobe1=B",
                            "probe65=A\nunitsize=8", "samplerate=soon", "no equals sign"}) {
        EXPECT_EQ(sigrok::parseMetadata(meta(std::string("capturefile=l\n") + bad), m, detail), Msg::SigrokMetadata)
            << bad;
        EXPECT_FALSE(detail.empty());
    }
    EXPECT_EQ(sigrok::parseMetadata("[global]\nsigrok version=0.5.2\n", m, detail), Msg::SigrokMetadata);
}

struct Imported {
    Msg result = Msg::None;
    sigrok::ImportResult import;
    std::vector<Sample> image;
    LabelTable labels{};
    test::ScriptedPrompt prompt;
};

std::unique_ptr<Imported> import(const std::vector<std::uint8_t>& bytes, int model = 0xC350,
                                 std::deque<Answer> answers = {}, int usable = 0) {
    auto out = std::make_unique<Imported>();
    out->prompt = test::ScriptedPrompt(std::move(answers));
    sigrok::ImportSettings settings;
    settings.capabilities = capabilitiesFor(model);
    out->image.assign(static_cast<std::size_t>(usable ? usable : settings.capabilities.usableSampleBytes / 8), 0);
    MemorySource source(bytes.data(), bytes.size());
    out->result = sigrok::importSigrok(source, settings, out->prompt, out->image, out->labels, out->import);
    return out;
}

TEST(SigrokImport, EnabledProbesOntoChannelsWithTheirNames) {
    // Probes 1, 3 and 10 of 16 (2 bytes a sample); the other bits are noise that must not show.
    const std::string device = "capturefile=logic-1\ntotal probes=16\nsamplerate=10 MHz\ntotal analog=2\n"
                               "probe1=CLK\nprobe3=DATA\nprobe10=CS#\nunitsize=2\n";
    std::string samples;
    for (unsigned v : {0x0001u, 0x0004u | 0x00F0u, 0x0200u, 0x0205u | 0xF000u})
        samples += std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    auto l = import(buildSession(meta(device), {samples.substr(0, 4), samples.substr(4)}));
    ASSERT_EQ(l->result, Msg::None);
    EXPECT_EQ(l->import.sampleFrequency, 10000000);
    EXPECT_EQ(l->image[0] >> firstChannelBit, 0b001u);
    EXPECT_EQ(l->image[1] >> firstChannelBit, 0b010u);
    EXPECT_EQ(l->image[2] >> firstChannelBit, 0b100u) << "the second chunk";
    EXPECT_EQ(l->image[3] >> firstChannelBit, 0b111u);
    EXPECT_EQ(l->import.end, 4);
    EXPECT_STREQ(l->labels[12].name, "CLK");
    EXPECT_EQ(l->labels[13].bitIndex, firstChannelBit + 1);
    EXPECT_STREQ(l->labels[14].name, "CS#");
    EXPECT_EQ(l->labels[15].positionCode, positionEnd);
    EXPECT_EQ(l->prompt.shown, (std::vector<std::pair<int, std::string>>{{19207, "2"}})) << "the analog note";
}

TEST(SigrokImport, RateQuestionsAndChannelCount) {
    const auto at = [](const char* rate) {
        return buildSession(meta(std::string("capturefile=logic-1\nprobe1=A\nsamplerate=") + rate), {"\1\0\1"});
    };
    auto refused = import(at("3 GHz"));
    EXPECT_EQ(refused->result, Msg::IntervalNotSupported);
    EXPECT_EQ(refused->prompt.asked, (std::vector<int>{12023}));
    EXPECT_EQ(refused->labels[0].positionCode, positionEnd) << "nothing loaded";
    auto nearest = import(at("3 GHz"), 0xC350, {Answer::Yes});
    EXPECT_EQ(nearest->import.sampleFrequency, 100000000);
    auto missing = import(buildSession(meta("capturefile=logic-1\nprobe1=A\n"), {"\1"}), 0xC350, {Answer::Yes});
    EXPECT_EQ(missing->prompt.asked, (std::vector<int>{12023})) << "a session without a rate";
    EXPECT_EQ(missing->import.sampleFrequency, defaultBaseFrequency);

    std::string probes;
    for (int i = 1; i <= 17; ++i) probes += "probe" + std::to_string(i) + "=P\n";
    const std::string device = "capturefile=logic-1\nsamplerate=1 MHz\nunitsize=4\n";
    auto sixteen = import(buildSession(meta(device + probes), {std::string(8, '\0')}), 0xB016);
    EXPECT_EQ(sixteen->result, Msg::VcdTooManyChannels);
    auto twenty = import(buildSession(meta(device + probes), {std::string(8, '\0')}), 0xA020);
    EXPECT_EQ(twenty->result, Msg::None);
    EXPECT_EQ(twenty->image[0] & commandMask, 0u) << "no start commands outside the 16-channel set";
}

// A random capture of `unit` bytes a sample: bursts of changes, then idle runs up to 700,000
// samples (longer than one loop holds), on the enabled probes and noise on a disabled one.
std::string randomCapture(std::mt19937& random, int unit, std::size_t samples) {
    std::string data;
    std::uint64_t value = 0;
    auto append = [&](std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            for (int b = 0; b < unit; ++b) data += static_cast<char>(value >> (8 * b));
    };
    while (data.size() < samples * static_cast<std::size_t>(unit)) {
        for (int k = static_cast<int>(random() % 60); k > 0; --k) {
            value = random();
            append(1 + random() % 3);
        }
        static constexpr std::size_t idle[] = {99, 100, 101, 110, 5000, 65545, 700000};
        append(idle[random() % 7]);
    }
    data.resize(samples * static_cast<std::size_t>(unit));
    return data;
}

TEST(SigrokImport, LongerThanTheMemoryAsks12070) {
    std::string data(100000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 37 % 251);
    const auto bytes = buildSession(eightProbes, {data});
    auto declined = import(bytes, 0xA020);
    EXPECT_EQ(declined->prompt.asked, (std::vector<int>{12070}));
    EXPECT_TRUE(declined->import.abandoned);
    EXPECT_EQ(declined->image[5], 0u) << "nothing kept";
    auto kept = import(bytes, 0xA020, {Answer::Yes});
    const int limit = static_cast<int>(kept->image.size()) - prefixSamples;
    EXPECT_TRUE(kept->import.truncated);
    EXPECT_EQ(kept->import.end, limit);
    EXPECT_EQ(kept->image[static_cast<std::size_t>(limit - 1)] >> firstChannelBit, (limit - 1) * 37u % 251);
}

TEST(SigrokImport, RandomCapturesPlayBackSampleForSample) {
    std::mt19937 random(26);
    for (int unit : {1, 3, 8}) {
        const std::size_t samples = 3000000;
        const std::string data = randomCapture(random, unit, samples);
        std::string device = "capturefile=logic-1\nsamplerate=100 MHz\nunitsize=" + std::to_string(unit) + "\n";
        std::vector<int> probes; // every other probe, up to 25
        for (int p = 1; p <= unit * 8 && probes.size() < 25; p += 2) {
            probes.push_back(p);
            device += "probe" + std::to_string(p) + "=p" + std::to_string(p) + "\n";
        }
        // Chunks of whole samples, about sigrok's 4 MB (the 1 MB inflate blocks split samples of 3).
        const std::size_t chunkBytes =
            (std::size_t{4} << 20) / static_cast<std::size_t>(unit) * static_cast<std::size_t>(unit);
        std::vector<std::string> chunks;
        for (std::size_t at = 0; at < data.size(); at += chunkBytes) chunks.push_back(data.substr(at, chunkBytes));
        auto l = import(buildSession(meta(device), chunks));
        ASSERT_EQ(l->result, Msg::None) << unit;
        ASSERT_FALSE(l->import.truncated);
        EXPECT_EQ(l->import.captureSamples, samples);
        EXPECT_EQ(l->import.outputSamples, samples);
        EXPECT_TRUE(checkWaveform(l->image, static_cast<int>(l->image.size())).empty()) << unit;

        const test::Played played = test::playImage(l->image, static_cast<int>(l->image.size()), samples);
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < samples && wrong < 5; ++i) {
            std::uint64_t raw = 0;
            std::memcpy(&raw, data.data() + i * static_cast<std::size_t>(unit), static_cast<std::size_t>(unit));
            Sample want = 0;
            for (std::size_t k = 0; k < probes.size(); ++k)
                if (raw >> (probes[k] - 1) & 1) want |= channelBit(static_cast<int>(k));
            if (played.levels[i] != want) {
                ADD_FAILURE() << "unit " << unit << " sample " << i;
                ++wrong;
            }
        }
    }
}

TEST(SigrokImport, DamagedSessionsLeaveTheDocumentAsItWas) {
    auto doc = Document::create(capabilitiesFor(0xC350), true);
    resetToDefaultLabels(doc->labels());
    for (int i = 0; i < 1000; ++i) doc->image()[i] = channelBit(i % 7);
    doc->output().baseFrequency = 12345;
    const std::vector<Sample> before(doc->sampleBuffer().begin(), doc->sampleBuffer().end());
    const LabelTable labelsBefore = doc->labels();

    const std::string zeros(1 << 20, '\0');
    const std::string body = test::deflateRaw(zeros);
    const std::string oneBytePerSample = "capturefile=logic-1\nsamplerate=1 MHz\nprobe1=A\n";
    const std::string good = meta(oneBytePerSample + "unitsize=2\n");
    std::string alternating;
    for (int i = 0; i < 1000; ++i) alternating += std::string("\1\0\0\0", 4);
    const auto whole = buildSession(good, {alternating});
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        Msg message;
        std::string detail;
    } cases[] = {
        {"truncated", {whole.begin(), whole.end() - 30}, Msg::SigrokNotSession, ""},
        {"a cut in the data",
         [&] {
             auto b = whole;
             b.erase(b.begin() + 200, b.begin() + 210);
             return b;
         }(),
         Msg::SigrokDamaged, ""},
        {"wrong sizes",
         buildZip({{"version", "2"}, {"metadata", good}, {"logic-1-1", std::string(4000, '\1'), true, 4002u}}),
         Msg::SigrokDamaged, ""},
        {"zip bomb",
         buildZip({{"version", "2"},
                   {"metadata", good},
                   {"logic-1-1", zeros, true, static_cast<std::uint32_t>(body.size() * 2000)}}),
         Msg::SigrokInflateRatio, ""},
        {"no metadata", buildZip({{"version", "2"}, {"logic-1-1", "\1"}}), Msg::SigrokNotSession, ""},
        {"version 3", buildZip({{"version", "3"}, {"metadata", good}}), Msg::SigrokUnsupported, ""},
        {"unit size 0", buildSession(meta(oneBytePerSample + "unitsize=0\n"), {"\1"}), Msg::SigrokUnitSize, "0"},
        {"unit size 9", buildSession(meta(oneBytePerSample + "unitsize=9\n"), {"\1"}), Msg::SigrokUnitSize, "9"},
        {"a chunk shorter than a sample", buildSession(good, {std::string(4000, '\1'), "\1"}), Msg::SigrokPartialSample,
         "logic-1-2"},
        {"no probes", buildSession(meta("capturefile=logic-1\nunitsize=1\n"), {"\1"}), Msg::SigrokNoLogic, ""},
    };
    for (const auto& c : cases) {
        test::ScriptedPrompt prompt({Answer::Yes, Answer::Yes});
        MemorySource source(c.bytes.data(), c.bytes.size());
        sigrok::ImportResult result;
        EXPECT_EQ(sigrok::openSigrokSession(source, *doc, prompt, result), c.message) << c.what;
        EXPECT_EQ(result.detail, c.detail) << c.what;
        EXPECT_TRUE(std::equal(before.begin(), before.end(), doc->sampleBuffer().begin())) << c.what;
        EXPECT_EQ(std::memcmp(&labelsBefore, &doc->labels(), sizeof labelsBefore), 0) << c.what;
        EXPECT_EQ(doc->output().baseFrequency, 12345) << c.what;
    }

    test::ScriptedPrompt prompt;
    MemorySource source(whole.data(), whole.size());
    sigrok::ImportResult result;
    ASSERT_EQ(sigrok::openSigrokSession(source, *doc, prompt, result), Msg::None);
    EXPECT_EQ(doc->output().baseFrequency, 1000000);
    EXPECT_EQ(doc->image()[2], channelBit(0));
    EXPECT_EQ(doc->image()[3], 0u) << "the old samples are gone";
    EXPECT_EQ(doc->image()[1998], channelBit(0));
    EXPECT_STREQ(doc->labels()[12].name, "A");
    EXPECT_TRUE(sigrok::isSigrokSessionName("C:\\captures\\bus.SR"));
    EXPECT_FALSE(sigrok::isSigrokSessionName("bus.sr.qvw"));
}

} // namespace
} // namespace qv
