// LAW import: signatures and revision, viewer rate codes, labels, uncompressed and run-length data,
// the size question, and a document left untouched by every refusal.
#include "converters/law_import.h"

#include "scripted_prompt.h"
#include "support/little_endian.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace qv {
namespace {

// A LAW file: header, acquisition block at 64, labels at 304, data at 1,000 (labels need room).
struct LawFile {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(1000);
    explicit LawFile(const char* signature, int bytesPerSample = 4) {
        std::memcpy(bytes.data(), signature, std::strlen(signature));
        put(40, 64);
        put(48, 304);
        put(56, 1000);
        put(64, bytesPerSample);
        put(304 + 84, 0); // no labels
    }
    void put(std::size_t at, std::int32_t value) {
        if (bytes.size() < at + 4) bytes.resize(at + 4);
        writeLe32(bytes, at, value);
    }
    void label(int index, int channel, const char* name) {
        const std::size_t at = 304 + static_cast<std::size_t>(index) * 100;
        put(at, channel);
        std::memcpy(bytes.data() + at + 12, name, std::strlen(name));
        put(at + 84, 1);
        put(at + 184, 0);
    }
    // Eight-byte samples (bytesPerSample 8), or with a count behind each: 16-byte run-length entries.
    void data64(const std::vector<std::uint64_t>& values, const std::vector<std::uint32_t>& counts = {}) {
        bytes.resize(1000);
        for (std::size_t i = 0; i < values.size(); ++i) {
            bytes.resize(bytes.size() + (counts.empty() ? 8 : 16), 0xEE);
            const std::size_t at = bytes.size() - (counts.empty() ? 8 : 16);
            writeLe32(bytes, at, static_cast<std::int32_t>(values[i]));
            writeLe32(bytes, at + 4, static_cast<std::int32_t>(values[i] >> 32));
            if (!counts.empty()) writeLe32(bytes, at + 8, static_cast<std::int32_t>(counts[i]));
        }
        put(60, static_cast<std::int32_t>(values.size() * 8));
    }
    void data(const std::vector<std::uint32_t>& words) {
        bytes.resize(1000);
        for (std::uint32_t w : words) {
            bytes.resize(bytes.size() + 4);
            writeLe32(bytes, bytes.size() - 4, static_cast<std::int32_t>(w));
        }
        put(60, static_cast<std::int32_t>(words.size() * 4));
    }
};

struct Outcome {
    Msg result;
    law::ImportResult import;
    std::vector<int> asked;
};

Outcome load(const LawFile& f, Document& doc, std::deque<Answer> answers = {}) {
    test::ScriptedPrompt prompt(std::move(answers));
    MemorySource source(f.bytes.data(), f.bytes.size());
    Outcome o;
    o.result = law::importLaw(source, doc, prompt, o.import);
    o.asked = prompt.asked;
    return o;
}

TEST(LawImport, SignaturesAndRevision) {
    auto doc = Document::create(capabilitiesFor(0xA020), true);
    EXPECT_EQ(load(LawFile("Tavro Technology Inc. LAW 2.02"), *doc).result, Msg::NotLaWaveformFile) << "one blank";
    LawFile newer(law::law202Signature);
    newer.put(32, 515);
    EXPECT_EQ(load(newer, *doc).result, Msg::UpgradeEditor);
    newer.put(32, 514);
    EXPECT_EQ(load(newer, *doc).result, Msg::None);
    LawFile lost(law::law200Signature);
    lost.put(40, 1 << 30);
    EXPECT_EQ(load(lost, *doc).result, Msg::NotLaWaveformFile) << "acquisition block outside the file";
    LawFile packed(law::law202Signature);
    packed.put(64 + 120, 2);
    EXPECT_EQ(load(packed, *doc).result, Msg::LawFormatNotSupported);
}

TEST(LawImport, ViewerRateCodesAndSamples) {
    auto doc = Document::create(capabilitiesFor(0xA020), true);
    LawFile viewer(law::viewerSignature);
    viewer.put(64 + 236, 25);
    viewer.data({0x1, 0x3, 0x80000000u});
    const Outcome o = load(viewer, *doc);
    ASSERT_EQ(o.result, Msg::None);
    EXPECT_EQ(o.import.sampleFrequency, 1000000);
    EXPECT_EQ(doc->output().baseFrequency, 1000000);
    EXPECT_EQ(doc->image()[0], Sample{1} << 12);
    EXPECT_EQ(doc->image()[1], Sample{3} << 12);
    EXPECT_EQ(doc->image()[2], Sample{0x80000000u} << 12);
    EXPECT_EQ(doc->image()[3], 0u);
    viewer.put(64 + 236, 5);
    EXPECT_EQ(load(viewer, *doc).import.sampleFrequency, 10000000);
    viewer.bytes[64 + 168] = 0x10;
    viewer.put(64 + 236, 12345);
    EXPECT_EQ(load(viewer, *doc).import.sampleFrequency, 12345) << "hertz";
}

TEST(LawImport, ViewerRateCodeTable) {
    const std::pair<int, int> codes[] = {{0, 200000000}, {1, 100000000}, {8, 50000000}, {16, 20000000}, {24, 10000000},
                                         {9, 5000000},   {17, 2000000},  {25, 1000000}, {10, 500000},   {18, 200000},
                                         {26, 100000},   {11, 50000},    {19, 20000},   {27, 10000},    {12, 5000},
                                         {20, 2000},     {28, 1000},     {13, 500},     {21, 200},      {29, 100},
                                         {3, 50},        {22, 20},       {30, 10},      {7, 0}};
    for (const auto& [code, hertz] : codes) EXPECT_EQ(law::viewerRateFrequency(code), hertz) << code;
    for (int unknown : {2, 4, 31, -1}) EXPECT_EQ(law::viewerRateFrequency(unknown), 10000000) << unknown;

    auto doc = Document::create(capabilitiesFor(0xA020), true);
    test::ScriptedPrompt prompt;
    MemorySource empty(nullptr, 0);
    law::ImportResult result;
    EXPECT_EQ(law::importLaw(empty, *doc, prompt, result), Msg::CantOpenFile);
}

TEST(LawImport, DataShorterThanItsHeaderSaysKeepsWhatTheFileHolds) {
    auto doc = Document::create(capabilitiesFor(0xA020), true);
    LawFile f(law::law202Signature);
    f.data({0x1, 0x2, 0x3});
    f.put(60, 10 * 4); // ten samples announced, three present
    const Outcome o = load(f, *doc);
    ASSERT_EQ(o.result, Msg::None);
    EXPECT_EQ(o.import.samplesWritten, 3);
    EXPECT_EQ(doc->image()[2], Sample{3} << 12);
    EXPECT_EQ(doc->image()[3], 0u);
}

TEST(LawImport, Labels) {
    auto doc = Document::create(capabilitiesFor(0xA020), true);
    LawFile f(law::law202Signature);
    f.label(0, 51, "TOP");
    f.label(1, 0, "CLK");
    f.put(64 + 236, 2000000);
    ASSERT_EQ(load(f, *doc).result, Msg::None);
    EXPECT_STREQ(doc->labels()[0].name, "QV_Function");
    EXPECT_EQ(doc->labels()[12].bitIndex, 63);
    EXPECT_STREQ(doc->labels()[13].name, "CLK");
    EXPECT_EQ(doc->labels()[14].positionCode, 0);
    EXPECT_EQ(doc->output().baseFrequency, 2000000);

    // A refused file leaves the document as it was.
    LawFile bad(law::law202Signature);
    for (int channel : {52, -1, 0x7FFFFFFF, 0x7FFFFFF4}) {
        bad.label(0, channel, "X");
        EXPECT_EQ(load(bad, *doc).result, Msg::ChannelNumberTooBig) << channel;
    }
    EXPECT_STREQ(doc->labels()[13].name, "CLK");
    LawFile many(law::law202Signature);
    for (int i = 0; i < 189; ++i) many.label(i, i % 50, "L");
    EXPECT_EQ(load(many, *doc).result, Msg::None) << "189 labels fill the table";
    EXPECT_EQ(doc->labels()[12 + 188].bitIndex, 12 + 188 % 50);
    many.label(189, 1, "L");
    EXPECT_EQ(load(many, *doc).result, Msg::TooManyLabels);
}

TEST(LawImport, RunLengthFillsTheMemoryAndStops) {
    auto doc = Document::create(capabilitiesFor(0xA020), true);
    const int usable = doc->usableSamples();
    LawFile f(law::law202Signature);
    f.put(64 + 120, 1);
    f.data({0x5, 3, 0x2, static_cast<std::uint32_t>(usable), 0x7, 1000});
    f.put(60, 3 * 4); // three samples in the file's count, more in its runs
    EXPECT_TRUE(load(f, *doc).import.declined) << "the decoded samples do not fit: asked, No";
    const Outcome o = load(f, *doc, {Answer::Yes});
    EXPECT_EQ(o.asked, std::vector<int>{12045});
    EXPECT_EQ(o.import.fileSamples, usable + 1003);
    ASSERT_EQ(o.result, Msg::None);
    EXPECT_EQ(o.import.samplesWritten, usable);
    EXPECT_EQ(doc->image()[2], Sample{5} << 12);
    EXPECT_EQ(doc->image()[3], Sample{2} << 12);
    EXPECT_EQ(doc->image()[usable - 1], Sample{2} << 12);
}

TEST(LawImport, EightByteSamplesAndRuns) {
    auto doc = Document::create(capabilitiesFor(0xA020), true);
    // Channel n is bit n: channels 0..51 reach bit 63, the file's top 12 bits are lost.
    LawFile plain(law::law202Signature, 8);
    plain.data64({0x0008000000000001u, 0xFFF0000000000000u, 0x000FFFFFFFFFFFFFu});
    ASSERT_EQ(load(plain, *doc).result, Msg::None);
    EXPECT_EQ(doc->image()[0], 0x8000000000001000u);
    EXPECT_EQ(doc->image()[1], 0u);
    EXPECT_EQ(doc->image()[2], 0xFFFFFFFFFFFFF000u);
    EXPECT_EQ(doc->image()[3], 0u);

    // Run-length entries of 16 bytes: value, count, four bytes not read.
    LawFile runs(law::law202Signature, 8);
    runs.put(64 + 120, 1);
    runs.data64({0x3, 0x0004000000000000u}, {2, 3});
    const Outcome o = load(runs, *doc);
    ASSERT_EQ(o.result, Msg::None);
    EXPECT_EQ(o.import.samplesWritten, 5);
    EXPECT_EQ(doc->image()[1], Sample{3} << 12);
    EXPECT_EQ(doc->image()[2], Sample{1} << 62);
    EXPECT_EQ(doc->image()[4], Sample{1} << 62);
    EXPECT_EQ(doc->image()[5], 0u);

    // Data that starts past the file's end makes it no waveform file.
    LawFile beyond(law::law202Signature);
    beyond.data({1});
    beyond.put(56, 1005);
    EXPECT_EQ(load(beyond, *doc).result, Msg::NotLaWaveformFile);
    beyond.put(56, 1004);
    EXPECT_EQ(load(beyond, *doc).result, Msg::None);
}

TEST(LawImport, SizeQuestion) {
    auto doc = Document::create(capabilitiesFor(0xA020), true);
    doc->image()[0] = 42;
    LawFile f(law::law202Signature);
    std::vector<std::uint32_t> words(static_cast<std::size_t>(doc->usableSamples()) + 5, 1);
    f.data(words);
    const Outcome no = load(f, *doc, {Answer::No});
    EXPECT_EQ(no.asked, std::vector<int>{12045});
    EXPECT_TRUE(no.import.declined);
    EXPECT_EQ(doc->image()[0], 42u) << "untouched";
    const Outcome yes = load(f, *doc, {Answer::Yes});
    EXPECT_EQ(yes.import.samplesWritten, doc->usableSamples());

    // Demo mode: the usable area follows the file (at least 65,536 bytes), at most the depth.
    auto demo = Document::create(capabilitiesFor(0xC350), false);
    f.data(std::vector<std::uint32_t>(8193, 1));
    ASSERT_EQ(load(f, *demo).result, Msg::None);
    EXPECT_EQ(demo->usableSamples(), 8193);
    f.data(std::vector<std::uint32_t>(10, 1));
    ASSERT_EQ(load(f, *demo).result, Msg::None);
    EXPECT_EQ(demo->usableSamples(), 8192);
    f.data(std::vector<std::uint32_t>(static_cast<std::size_t>(demo->capabilities().depthSamples()) + 1, 1));
    EXPECT_EQ(load(f, *demo, {Answer::Yes}).asked, std::vector<int>{12045});
    EXPECT_EQ(demo->usableSamples(), demo->capabilities().depthSamples() - 24) << "the whole memory, less its tail";
    f.data(std::vector<std::uint32_t>(100000, 1));
    ASSERT_EQ(load(f, *demo).result, Msg::None);
    EXPECT_EQ(demo->usableSamples(), 100000);
    // A run-length file is sized from the samples its entries decode to: 3 + 69,997 here.
    LawFile packed(law::law202Signature);
    packed.put(64 + 120, 1);
    packed.data({0x1, 3, 0x2, 69997});
    ASSERT_EQ(load(packed, *demo).result, Msg::None);
    EXPECT_EQ(demo->usableSamples(), 70000);
    EXPECT_EQ(demo->image()[69999], Sample{2} << 12);
    // A viewer file asks with the usable area as it was, and grows it only when it loads.
    auto viewerDemo = Document::create(capabilitiesFor(0xC350), false);
    viewerDemo->setUsableSampleBytes(65536 * 8); // as a shorter file left it
    const int before = viewerDemo->usableSamples();
    LawFile viewer(law::viewerSignature);
    viewer.data(std::vector<std::uint32_t>(static_cast<std::size_t>(before) + 10, 1));
    EXPECT_EQ(load(viewer, *viewerDemo, {Answer::No}).asked, std::vector<int>{12045});
    EXPECT_EQ(viewerDemo->usableSamples(), before);
    EXPECT_EQ(load(viewer, *viewerDemo, {Answer::Yes}).import.samplesWritten, before + 10);
}

} // namespace
} // namespace qv
