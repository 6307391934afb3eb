#include "waveedit/handoff.h"
#include "waveedit/labels.h"

#include "support/file_io.h"
#include "temp_folder.h"

#include "label_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace qv {
namespace {

using test::labelRecord;

using test::readBytes;
using test::TempFolder;
using test::writeBytes;

std::vector<std::uint8_t> recordBytes(const std::vector<LabelRecord>& records) {
    std::vector<std::uint8_t> bytes(records.size() * labelRecordBytes);
    if (!records.empty()) std::memcpy(bytes.data(), records.data(), bytes.size());
    return bytes;
}

std::unique_ptr<Document> smallDocument() { return Document::create(capabilitiesFor(0xA020), true); }

TEST(Handoff, ToolResultRoundTrip) {
    TempFolder folder;
    auto doc = smallDocument();
    LabelTable& t = doc->labels();
    int next = writeDefaultCommandLabel(t);
    t[next++] = labelRecord(12 + 3, positionSingle, "DMX512_D+");
    t[next++] = labelRecord(12 + 7, positionBusHead, "BUS");
    t[next++] = labelRecord(12 + 6, positionBusLast, "BUS");
    for (int i = 0; i < doc->usableSamples(); ++i) doc->image()[i] = static_cast<Sample>(i) << 12;

    ASSERT_EQ(writeHandoffFiles(folder.path(), t, doc->usableImage()), Msg::None);
    EXPECT_EQ(readBytes(folder.file("WAVEEDIT.LBL")).size(), 15u * 100); // no terminator
    EXPECT_EQ(readBytes(folder.file("WAVEEDIT.WAV")).size(), 65512u * 8);
    EXPECT_EQ(folder.names().size(), 2u); // no temporary file left

    auto loaded = smallDocument();
    loaded->sampleBuffer()[3] = 99; // the prefix is cleared too
    loadHandoffFiles(folder.path(), *loaded);
    EXPECT_EQ(std::memcmp(loaded->labels().data(), t.data(), sizeof(LabelTable)), 0);
    EXPECT_EQ(std::memcmp(loaded->image(), doc->image(), doc->usableSampleBytes()), 0);
    EXPECT_EQ(loaded->sampleBuffer()[3], 0u);
}

TEST(Handoff, LabelFileRules) {
    TempFolder folder;
    const std::string path = folder.file("WAVEEDIT.LBL");
    std::vector<LabelRecord> bus{labelRecord(20, positionBusHead, "HEAD", 2, 9), labelRecord(19, 3, "m1", 0, 1),
                                 labelRecord(18, positionBusLast, "m2", 4, 2)};
    std::vector<LabelRecord> command{labelRecord(40, positionSingle, "anything", 5)};
    std::vector<LabelRecord> bit64{labelRecord(12, positionSingle, "A"), labelRecord(64, positionSingle, "B")};
    std::vector<LabelRecord> negative{labelRecord(-1, positionSingle, "A")};
    std::vector<LabelRecord> afterEnd{labelRecord(12, positionSingle, "A"), labelRecord(0, positionEnd, ""),
                                      labelRecord(99, positionSingle, "hidden")};

    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool present;
        int expectedCount;
        const char* firstName;
    } cases[] = {
        {"missing file", {}, false, 12, "QV_Function"},
        {"0 bytes: no labels at all", {}, true, 0, ""},
        {"150 bytes", std::vector<std::uint8_t>(150, 1), true, 12, "QV_Function"},
        {"bus members take the head", recordBytes(bus), true, 3, "HEAD"},
        {"group type 5 renamed", recordBytes(command), true, 1, "QV_Function"},
        {"bit index 64 is malformed", recordBytes(bit64), true, 12, "QV_Function"},
        {"negative bit index is malformed", recordBytes(negative), true, 12, "QV_Function"},
        {"records after a terminator are ignored", recordBytes(afterEnd), true, 1, "A"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(path);
        if (c.present) writeBytes(path, c.bytes);
        LabelTable t{};
        t[0] = labelRecord(33, positionSingle, "stale");
        loadHandoffLabels(path, t);
        EXPECT_EQ(labelRecordCount(t), c.expectedCount) << c.what;
        EXPECT_STREQ(t[0].name, c.firstName) << c.what;
    }
    LabelTable t{};
    writeBytes(path, recordBytes(bus));
    loadHandoffLabels(path, t);
    for (int i = 1; i < 3; ++i) {
        EXPECT_STREQ(t[i].name, "HEAD");
        EXPECT_EQ(t[i].colour, 9);
        EXPECT_EQ(t[i].groupType, 2);
        EXPECT_EQ(t[i].bitIndex, 20 - i);
    }
}

TEST(Handoff, LongLabelFilesAreCutTo201Records) {
    TempFolder folder;
    const std::string path = folder.file("WAVEEDIT.LBL");
    for (int records : {201, 202, 500}) {
        std::vector<LabelRecord> many(records, labelRecord(12, positionSingle, "L"));
        for (int i = 0; i < records; ++i) many[i].bitIndex = 12 + i % 50;
        writeBytes(path, recordBytes(many));
        LabelTable t{};
        loadHandoffLabels(path, t);
        EXPECT_EQ(labelRecordCount(t), 201) << records;
        EXPECT_EQ(t[201].positionCode, positionEnd);
        // The same through the in-memory form.
        LabelTable u{};
        loadHandoffLabelBytes(recordBytes(many), u);
        EXPECT_EQ(std::memcmp(t.data(), u.data(), sizeof t), 0);
    }
    // 201 records plus a partial one: not a multiple of 100.
    std::vector<std::uint8_t> bytes = recordBytes(std::vector<LabelRecord>(201, labelRecord(12, positionSingle, "L")));
    bytes.resize(bytes.size() + 50);
    writeBytes(path, bytes);
    LabelTable t{};
    loadHandoffLabels(path, t);
    EXPECT_EQ(labelRecordCount(t), 12);
}

TEST(Handoff, SampleFileLengths) {
    TempFolder folder;
    const std::string path = folder.file("WAVEEDIT.WAV");
    auto doc = smallDocument();
    const std::size_t usable = doc->usableSampleBytes();
    struct Case {
        std::int64_t fileBytes; // -1 missing
        std::size_t expectLoaded;
    } cases[] = {{-1, 0},
                 {0, 0},
                 {80, 80},
                 {static_cast<std::int64_t>(usable), usable},
                 {static_cast<std::int64_t>(usable) + 800, usable},
                 {13, 13}};
    for (const Case& c : cases) {
        std::filesystem::remove(path);
        if (c.fileBytes >= 0) writeBytes(path, std::vector<std::uint8_t>(c.fileBytes, 0xA5));
        for (Sample& s : doc->sampleBuffer()) s = ~Sample{0};
        loadHandoffSamples(path, *doc);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(doc->image());
        std::size_t loaded = 0;
        while (loaded < usable && bytes[loaded] == 0xA5) ++loaded;
        EXPECT_EQ(loaded, c.expectLoaded) << c.fileBytes;
        for (std::size_t i = c.expectLoaded; i < doc->sampleBuffer().size_bytes() - 96; ++i)
            ASSERT_EQ(bytes[i], 0) << c.fileBytes << " at " << i; // the rest, tail included, is zero
        EXPECT_EQ(doc->sampleBuffer()[0], 0u);
    }
}

TEST(Handoff, FailedWriteLeavesTheOldFile) {
    TempFolder folder;
    const std::string path = folder.file("WAVEEDIT.LBL");
    writeBytes(path, {1, 2, 3});
    // Every temporary name taken: the writer cannot start.
    for (int i = 0; i < 100; ++i) std::filesystem::create_directory(path + ".~qv" + std::to_string(i));
    LabelTable t{};
    resetToDefaultLabels(t);
    EXPECT_EQ(writeHandoffLabels(path, t), Msg::FileCanNotCreate);
    EXPECT_EQ(readBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(writeHandoffFiles(folder.file("no-such-folder"), t, {}), Msg::FileCanNotCreate);
}

TEST(Handoff, AbandonedWriterRemovesItsTemporaryFile) {
    TempFolder folder;
    const std::string path = folder.file("x.qvw");
    writeBytes(path, {9, 9});
    {
        ReplacingFileWriter out;
        ASSERT_TRUE(out.open(path));
        ASSERT_TRUE(out.write("abc", 3));
    }
    EXPECT_EQ(readBytes(path), (std::vector<std::uint8_t>{9, 9}));
    EXPECT_EQ(folder.names().size(), 1u);
    ReplacingFileWriter out;
    ASSERT_TRUE(out.open(path));
    ASSERT_TRUE(out.write("abc", 3));
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(readBytes(path), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(folder.names().size(), 1u);
}

TEST(Handoff, EditorCloseWritesBothFiles) {
    TempFolder folder;
    auto doc = smallDocument();
    resetToDefaultLabels(doc->labels());
    doc->image()[0] = 0x5000;
    EXPECT_TRUE(saveHandoffOnClose(folder.path(), *doc));
    // Loading replaces the document: the undo of the one before would write into it.
    auto again = smallDocument();
    ASSERT_TRUE(again->saveWaveformUndo(0, 8));
    ASSERT_TRUE(again->saveLabelUndo());
    loadHandoffFiles(folder.path(), *again);
    EXPECT_FALSE(again->canUndoWaveform());
    EXPECT_FALSE(again->canUndoLabels());
    EXPECT_EQ(again->image()[0], 0x5000u);
    EXPECT_EQ(labelRecordCount(again->labels()), 12);
    EXPECT_FALSE(saveHandoffOnClose(folder.file("missing/deeper"), *doc));
}

} // namespace
} // namespace qv
