#include "waveedit/qvw_file.h"

#include "scripted_prompt.h"
#include "support/little_endian.h"
#include "temp_folder.h"
#include "waveedit/labels.h"

#include "label_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace qv {
namespace {

using test::labelRecord;

using test::readBytes;
using test::ScriptedPrompt;
using test::TempFolder;
using test::writeBytes;

// Command label, CLK on channel 0, DATA (DEC) on channels 8..1.
void addExampleLabels(LabelTable& t) {
    t.fill(LabelRecord{});
    int next = writeDefaultCommandLabel(t);
    t[next++] = labelRecord(12, positionSingle, "CLK");
    for (int k = 0; k < 8; ++k)
        t[next++] = labelRecord(20 - k, k == 7 ? positionBusLast : positionBusHead + k, "DATA", 1);
}

std::unique_ptr<Document> makeDocument(int model = 0xA020, bool device = true) {
    auto doc = Document::create(capabilitiesFor(model), device);
    EXPECT_NE(doc, nullptr);
    addExampleLabels(doc->labels());
    doc->output() = OutputSettings{12500000, 3, 5, 200};
    return doc;
}

// A .qvw image in memory: header fields, parameters, label records and samples as given.
struct QvwImage {
    std::vector<LabelRecord> labels;
    std::vector<Sample> samples;
    std::int32_t parameters[4] = {10000000, 1, 0, 0};

    std::vector<std::uint8_t> bytes() const {
        const int labelBytes = static_cast<int>(labels.size()) * 100;
        const int sampleOffset = 580 + labelBytes;
        const int sampleBytes = static_cast<int>(samples.size()) * 8;
        std::vector<std::uint8_t> b(static_cast<std::size_t>(sampleOffset + sampleBytes));
        std::memcpy(b.data(), "Tavro Technology Inc. QV-Editor", 32);
        const std::int32_t fields[] = {
            272, 68, 68, 512, 580, labelBytes, sampleOffset, sampleBytes, sampleOffset + sampleBytes};
        for (int i = 0; i < 9; ++i) writeLe32(b, 32 + 4 * i, fields[i]);
        for (int i = 0; i < 4; ++i) writeLe32(b, 68 + 4 * i, parameters[i]);
        if (labelBytes) std::memcpy(b.data() + 580, labels.data(), static_cast<std::size_t>(labelBytes));
        if (sampleBytes) std::memcpy(b.data() + sampleOffset, samples.data(), static_cast<std::size_t>(sampleBytes));
        return b;
    }
};

Msg load(const std::vector<std::uint8_t>& bytes, Document& doc, Prompt& prompt) {
    MemorySource source(bytes.data(), bytes.size());
    return loadQvw(source, doc, prompt);
}

TEST(QvwFile, WritesTheLayoutExactly) {
    TempFolder folder;
    auto doc = makeDocument();
    for (int i = 0; i < doc->usableSamples(); ++i)
        doc->image()[i] = static_cast<Sample>(std::min(i, 99)) << 13; // last change at 99
    ASSERT_EQ(saveQvw(folder.file("a.qvw"), *doc), Msg::None);
    auto b = readBytes(folder.file("a.qvw"));
    const int labelBytes = (21 + 1) * 100, sampleOffset = 580 + labelBytes, sampleBytes = 100 * 8;
    ASSERT_EQ(b.size(), static_cast<std::size_t>(sampleOffset + sampleBytes));
    EXPECT_EQ(std::memcmp(b.data(), "Tavro Technology Inc. QV-Editor\0", 32), 0);
    const std::int32_t fields[] = {
        272, 68, 68, 512, 580, labelBytes, sampleOffset, sampleBytes, sampleOffset + sampleBytes};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(readLe32(b, 32 + 4 * i), fields[i]) << "header field " << i;
    const std::int32_t parameters[] = {12500000, 3, 5, 200};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(readLe32(b, 68 + 4 * i), parameters[i]);
    for (int i = 84; i < 580; ++i) ASSERT_EQ(b[i], 0) << i;
    EXPECT_EQ(std::memcmp(b.data() + 580, doc->labels().data(), 21 * 100), 0);
    for (int i = 580 + 2100; i < sampleOffset; ++i) ASSERT_EQ(b[i], 0) << "terminator byte " << i;
    EXPECT_EQ(std::memcmp(b.data() + sampleOffset, doc->image(), sampleBytes), 0);
    EXPECT_EQ(folder.names().size(), 1u);
}

TEST(QvwFile, RoundTripRestoresTheDocument) {
    TempFolder folder;
    auto doc = makeDocument();
    for (int i = 0; i < 5000; ++i) doc->image()[i] = (static_cast<Sample>(i * 7919) << 12) & (Sample{0x1FF} << 12);
    std::fill(doc->image() + 4999, doc->image() + doc->usableSamples(), Sample{1} << 12);
    ASSERT_EQ(saveQvw(folder.file("a.qvw"), *doc), Msg::None);
    auto loaded = makeDocument();
    addExampleLabels(loaded->labels());
    loaded->labels()[0].colour = 3;
    loaded->output() = OutputSettings{};
    ScriptedPrompt prompt;
    ASSERT_EQ(loadQvw(folder.file("a.qvw"), *loaded, prompt), Msg::None);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(std::memcmp(loaded->labels().data(), doc->labels().data(), sizeof(LabelTable)), 0);
    EXPECT_EQ(std::memcmp(loaded->image(), doc->image(), 5000 * 8), 0);
    for (int i = 5000; i < loaded->usableSamples(); ++i) ASSERT_EQ(loaded->image()[i], Sample{1} << 12) << i;
    EXPECT_EQ(loaded->output().baseFrequency, 12500000);
    EXPECT_EQ(loaded->output().frequencyMode, 3);
    EXPECT_EQ(loaded->output().outputLevel0, 5);
    EXPECT_EQ(loaded->output().outputLevel1, 200);
}

TEST(QvwFile, ConstantWaveformReloadsAsTheSameConstant) {
    TempFolder folder;
    for (Sample constant : {Sample{0}, Sample{0x3F} << 12}) {
        auto doc = makeDocument();
        std::fill(doc->usableImage().begin(), doc->usableImage().end(), constant);
        ASSERT_EQ(saveQvw(folder.file("c.qvw"), *doc), Msg::None);
        auto loaded = makeDocument();
        loaded->image()[7] = 0xABC000;
        ScriptedPrompt prompt;
        ASSERT_EQ(loadQvw(folder.file("c.qvw"), *loaded, prompt), Msg::None);
        for (Sample s : loaded->usableImage()) ASSERT_EQ(s, constant);
    }
}

TEST(QvwFile, MalformedFilesLeaveTheDocumentUnchanged) {
    QvwImage good;
    good.labels = {labelRecord(12, positionSingle, "A"), LabelRecord{}};
    good.samples.assign(50, Sample{1} << 12);
    auto withField = [&](int offset, std::int32_t value) {
        auto b = good.bytes();
        writeLe32(b, offset, value);
        return b;
    };
    auto truncated = good.bytes();
    truncated.resize(67);
    auto badSignature = good.bytes();
    badSignature[30] = 'X';
    QvwImage bit64 = good, negativeBit = good, many = good, tooMany = good;
    bit64.labels[0].bitIndex = 64;
    negativeBit.labels[0].bitIndex = -1;
    many.labels.assign(201, labelRecord(12, positionSingle, "L")); // 20100 bytes: the most allowed
    tooMany.labels.assign(202, labelRecord(12, positionSingle, "L")); // 20200 bytes
    QvwImage fullWithTerminator = many, fullWithTailRecord = tooMany;
    fullWithTerminator.labels.push_back(LabelRecord{}); // 20200 bytes, as a full table is written
    fullWithTailRecord.labels.back().positionCode = positionEnd; // ends the table, but not clean
    fullWithTailRecord.labels.back().bitIndex = 99;
    QvwImage bit64AfterEnd = good;
    bit64AfterEnd.labels.push_back(labelRecord(64, positionSingle, "hidden")); // behind the terminator

    const std::vector<std::uint8_t> empty;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        Msg expected;
    } cases[] = {
        {"empty file", empty, Msg::NoQvWaveformFile},
        {"truncated header", truncated, Msg::NoQvWaveformFile},
        {"wrong signature", badSignature, Msg::NoQvWaveformFile},
        {"label block past the end", withField(48, 1000000), Msg::NoQvWaveformFile},
        {"negative label size", withField(52, -100), Msg::NoQvWaveformFile},
        {"negative label offset", withField(48, -4), Msg::NoQvWaveformFile},
        {"label size not whole records", withField(52, 150), Msg::NoQvWaveformFile},
        {"202 label records", tooMany.bytes(), Msg::TooManyLabels},
        {"huge label size", withField(52, 0x7FFFFFFF), Msg::TooManyLabels},
        {"bit index 64", bit64.bytes(), Msg::ChannelNumberTooBig},
        {"bit index -1", negativeBit.bytes(), Msg::ChannelNumberTooBig},
        {"sample block past the end", withField(60, 50 * 8 + 8), Msg::NoQvWaveformFile},
        {"sample offset past the end", withField(56, 0x7FFFFFF0), Msg::NoQvWaveformFile},
        {"negative sample size", withField(60, -8), Msg::NoQvWaveformFile},
        {"negative sample offset", withField(56, -8), Msg::NoQvWaveformFile},
        {"sample size not whole samples", withField(60, 13), Msg::NoQvWaveformFile},
        {"parameter block too small", withField(44, 8), Msg::NoQvWaveformFile},
        {"parameter block past the end", withField(40, 0x7FFFFFF0), Msg::NoQvWaveformFile},
        {"negative parameter size", withField(44, -512), Msg::NoQvWaveformFile},
        {"201 label records", many.bytes(), Msg::None},
        {"201 label records and the terminator", fullWithTerminator.bytes(), Msg::None},
        {"a 202nd record with position code 0", fullWithTailRecord.bytes(), Msg::None},
        {"203 records ending in the terminator", withField(52, 20300), Msg::TooManyLabels},
        {"bad bit behind the terminator", bit64AfterEnd.bytes(), Msg::None},
    };
    for (const Case& c : cases) {
        auto doc = makeDocument();
        doc->image()[3] = 0x77000;
        auto before = std::vector<Sample>(doc->usableImage().begin(), doc->usableImage().end());
        LabelTable labelsBefore = doc->labels();
        ScriptedPrompt prompt;
        EXPECT_EQ(load(c.bytes, *doc, prompt), c.expected) << c.what;
        if (c.expected != Msg::None) {
            EXPECT_TRUE(std::equal(before.begin(), before.end(), doc->usableImage().begin())) << c.what;
            EXPECT_EQ(std::memcmp(labelsBefore.data(), doc->labels().data(), sizeof(LabelTable)), 0) << c.what;
            EXPECT_EQ(doc->output().baseFrequency, 12500000) << c.what;
        }
    }
    for (const QvwImage* full : {&many, &fullWithTailRecord}) {
        auto doc = makeDocument();
        ScriptedPrompt prompt;
        ASSERT_EQ(load(full->bytes(), *doc, prompt), Msg::None);
        EXPECT_EQ(labelRecordCount(doc->labels()), 201);
        EXPECT_EQ(doc->labels()[201].positionCode, positionEnd);
        EXPECT_EQ(doc->labels()[201].bitIndex, 0);
    }
}

// Every table the program can hold saves to a file that opens again, the full one included.
TEST(QvwFile, FullLabelTableRoundTrip) {
    TempFolder folder;
    auto doc = makeDocument();
    int next = writeDefaultCommandLabel(doc->labels());
    while (next < maxLabels) {
        doc->labels()[next] = labelRecord(12 + next % 50, positionSingle, "L", 0, next % 16);
        ++next;
    }
    doc->image()[4] = Sample{1} << 20;
    ASSERT_EQ(saveQvw(folder.file("full.qvw"), *doc), Msg::None);
    EXPECT_EQ(readLe32(readBytes(folder.file("full.qvw")), 52), 20200);
    auto loaded = makeDocument();
    ScriptedPrompt prompt;
    ASSERT_EQ(loadQvw(folder.file("full.qvw"), *loaded, prompt), Msg::None);
    EXPECT_EQ(std::memcmp(loaded->labels().data(), doc->labels().data(), sizeof(LabelTable)), 0);
    EXPECT_EQ(loaded->image()[4], Sample{1} << 20);
}

TEST(QvwFile, ParameterBlockOfSizeZeroKeepsTheSettings) {
    QvwImage image;
    image.samples.assign(4, 0);
    auto b = image.bytes();
    writeLe32(b, 44, 0);
    auto doc = makeDocument();
    ScriptedPrompt prompt;
    ASSERT_EQ(load(b, *doc, prompt), Msg::None);
    EXPECT_EQ(doc->output().baseFrequency, 12500000);
    EXPECT_EQ(labelRecordCount(doc->labels()), 0);
}

// With a device: a long block loads up to its final constant run; the question comes only when
// that run starts beyond the memory or the block had to be cut.
TEST(QvwFile, LongFilesWithADevice) {
    const int usable = 65536 - 24, capacity = 65536 + 10, buffer = 65536 + 22;
    struct Case {
        const char* what;
        int blockSamples;
        int lastChange; // samples after it repeat it
        std::deque<Answer> answers;
        std::size_t questions;
        Msg expected;
    } cases[] = {
        {"run starts inside the memory", capacity, 60000, {}, 0, Msg::None},
        {"run starts at the last usable sample", capacity, usable - 1, {}, 0, Msg::None},
        {"run starts beyond, answered No", capacity, usable, {Answer::No}, 1, Msg::FileTooLarge},
        {"run starts beyond, answered Yes", capacity, capacity - 5, {Answer::Yes}, 1, Msg::None},
        {"block fills the sample buffer", buffer, 60000, {}, 0, Msg::None},
        {"block just over the image part", capacity + 1, usable - 1, {}, 0, Msg::None},
        {"block one sample over the buffer", buffer + 1, 60000, {Answer::Yes}, 1, Msg::None},
        {"block cut, answered Yes", capacity + 100, 100, {Answer::Yes}, 1, Msg::None},
        {"block cut, answered No", capacity + 100, 100, {Answer::No}, 1, Msg::FileTooLarge},
    };
    for (const Case& c : cases) {
        QvwImage image;
        image.samples.resize(c.blockSamples);
        for (int i = 0; i < c.blockSamples; ++i)
            image.samples[i] = static_cast<Sample>(std::min(i, c.lastChange)) << 12;
        auto doc = makeDocument(0xA020, true);
        ScriptedPrompt prompt(c.answers);
        EXPECT_EQ(load(image.bytes(), *doc, prompt), c.expected) << c.what;
        EXPECT_EQ(prompt.asked.size(), c.questions) << c.what;
        if (!prompt.asked.empty()) {
            EXPECT_EQ(prompt.asked[0], 12070);
        }
        EXPECT_EQ(doc->usableSamples(), usable);
        for (int i = 0; i < usable; ++i) {
            Sample expected = c.expected == Msg::None ? static_cast<Sample>(std::min(i, c.lastChange)) << 12 : 0;
            ASSERT_EQ(doc->image()[i], expected) << c.what << " sample " << i;
        }
    }
}

// Demo mode: the usable area grows to the block, up to the memory less its reserved tail.
TEST(QvwFile, LongFilesInDemoModeGrowTheDocument) {
    const int demoUsable = 524264, limit = 1048576 - 24;
    struct Case {
        int blockSamples;
        std::deque<Answer> answers;
        std::size_t questions;
        Msg expected;
        int usableAfter;
    } cases[] = {
        {600000, {}, 0, Msg::None, 600000},
        {limit, {}, 0, Msg::None, limit},
        {limit + 30, {Answer::Yes}, 1, Msg::None, limit},
        {limit + 30, {Answer::No}, 1, Msg::FileTooLarge, demoUsable},
    };
    for (const Case& c : cases) {
        QvwImage image;
        image.samples.resize(c.blockSamples);
        for (int i = 0; i < c.blockSamples; ++i) image.samples[i] = static_cast<Sample>(i) << 12;
        auto doc = makeDocument(0, false);
        ScriptedPrompt prompt(c.answers);
        EXPECT_EQ(load(image.bytes(), *doc, prompt), c.expected) << c.blockSamples;
        EXPECT_EQ(prompt.asked.size(), c.questions);
        EXPECT_EQ(doc->usableSamples(), c.usableAfter);
        if (c.expected == Msg::None) {
            EXPECT_EQ(doc->image()[c.usableAfter - 1], static_cast<Sample>(c.usableAfter - 1) << 12);
            EXPECT_EQ(doc->image()[c.usableAfter], 0u); // nothing behind the usable area
        }
    }
}

TEST(QvwFile, SaveFailuresKeepTheOldFile) {
    TempFolder folder;
    auto doc = makeDocument();
    const std::string path = folder.file("keep.qvw");
    writeBytes(path, {1, 2, 3, 4});
    for (int i = 0; i < 100; ++i) std::filesystem::create_directory(path + ".~qv" + std::to_string(i));
    EXPECT_EQ(saveQvw(path, *doc), Msg::CantOpenFile);
    EXPECT_EQ(readBytes(path), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(saveQvw(folder.file("missing/x.qvw"), *doc), Msg::CantOpenFile);
    ScriptedPrompt prompt;
    EXPECT_EQ(loadQvw(folder.file("missing.qvw"), *doc, prompt), Msg::CantOpenFile);
}

} // namespace
} // namespace qv
