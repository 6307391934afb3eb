// Editing operations on a 50-channel document: levels, clock, bus data, cut, paste, undo depth,
// enabling and the Sample Wizard, read back through one helper that shows a row's values.
#include "waveedit/sample_wizard.h"
#include "waveedit/edit_ops.h"

#include "sample_text.h"
#include "scripted_prompt.h"
#include "temp_folder.h"
#include "waveedit/labels.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

// The command label, single labels A (channel 0), B (1), C (2) and an 8-bit bus D over channels
// 10..3 (most significant first): rows 0-4.
struct Editor {
    std::unique_ptr<Document> doc = Document::create(capabilitiesFor(0xA050), true);
    std::vector<ViewRow> rows;
    Editor() {
        LabelTable& t = doc->labels();
        int next = writeDefaultCommandLabel(t);
        for (int c = 0; c < 3; ++c) {
            const int one[] = {c};
            next = appendSignalLabel(t, next, std::string(1, static_cast<char>('A' + c)), one);
        }
        const int bus[] = {10, 9, 8, 7, 6, 5, 4, 3};
        appendSignalLabel(t, next, "D", bus);
        rows = viewRows(t);
    }
    EditTarget range(int firstRow, int lastRow, int markStart, int markEnd) {
        doc->positions().markStart = markStart;
        doc->positions().markEnd = markEnd;
        return editTarget(rowRangeSelection(firstRow, lastRow), doc->positions(), rows, doc->labels(),
                          doc->usableSamples());
    }
    // Row `row`'s values over samples from..to-1: one character a sample for a one-bit row
    // ("HHLL"), two hex digits a sample for the bus.
    std::string values(int row, int from, int to) const {
        const ViewRow& r = rows[static_cast<std::size_t>(row)];
        if (r.width == 1) return test::levelsText(doc->usableImage(), r.bits[0] - 12, from, to);
        std::string out;
        for (int i = from; i < to; ++i) {
            if (!out.empty()) out += ' ';
            out += radixText(rowValue(r, doc->usableImage()[static_cast<std::size_t>(i)]), Radix::Hex, 8);
        }
        return out;
    }
};

TEST(EditOps, LevelsTouchOnlyTheSelectedRowsAndArea) {
    struct Case {
        LevelOperation op;
        const char *a, *b, *c;
    } cases[] = {
        {LevelOperation::High, "LLHHHLLL", "LLHHHLLL", "LLLLLLLL"},
        {LevelOperation::Invert, "LLHHHLLL", "LLHHHLLL", "LLLLLLLL"},
        {LevelOperation::Low, "LLLLLLLL", "LLLLLLLL", "LLLLLLLL"},
    };
    for (const Case& c : cases) {
        Editor e;
        ASSERT_TRUE(applyLevel(*e.doc, e.range(1, 2, 2, 4), c.op));
        EXPECT_EQ(e.values(1, 0, 8), c.a);
        EXPECT_EQ(e.values(2, 0, 8), c.b);
        EXPECT_EQ(e.values(3, 0, 8), c.c);
        ASSERT_TRUE(e.doc->undoWaveform());
        EXPECT_EQ(e.values(1, 0, 8), "LLLLLLLL");
    }
}

TEST(EditOps, ClockAndItsChecks) {
    Editor e;
    const EditTarget t = e.range(1, 1, 10, 17);
    ASSERT_TRUE(drawClock(*e.doc, t, {2, 1}));
    EXPECT_EQ(e.values(1, 9, 19), "LHHLLHHLLL");

    const EditCheck tooLong = checkClock({8, 0}, t);
    EXPECT_EQ(tooLong.msg, Msg::PeriodOutOfRange);
    EXPECT_EQ(editCheckText(tooLong, Language::English), "The PERIOD out of range! (Range = 1 - 7)");
    EXPECT_EQ(checkClock({0, 0}, t).field, EditField::Multiplier);
    EXPECT_EQ(checkClock({7, 2}, t).msg, Msg::StartValueZeroOrOne);
    EXPECT_FALSE(drawClock(*e.doc, t, {7, 2}));
    // Two marked samples allow a period of 1; one sample allows none, and the message says why.
    EXPECT_TRUE(checkClock({1, 0}, e.range(1, 1, 10, 11)).ok());
    const EditCheck oneSample = checkClock({1, 0}, e.range(1, 1, 10, 10));
    EXPECT_EQ(oneSample.msg, Msg::ClockMarkTooShort);
    EXPECT_EQ(oneSample.field, EditField::Multiplier);
    EXPECT_EQ(editCheckText(oneSample, Language::English).find("Range"), std::string::npos);
}

TEST(EditOps, BusDataCountsWithoutCarryAndCyclesFileBytes) {
    test::TempFolder folder;
    test::writeBytes(folder.file("three.bin"), {1, 2, 3});
    test::writeBytes(folder.file("empty.bin"), {});
    auto counter = [](int multiplier, Radix radix, const char* start, const char* increment) {
        return BusDataSetting{multiplier, radix, start, increment, BusDataSource::Counter, {}};
    };
    auto file = [](std::string path) { return BusDataSetting{1, Radix::Hex, "0", "1", BusDataSource::File, path}; };
    struct Case {
        BusDataSetting setting;
        const char* written; // samples 0..7
        Msg msg;
    } cases[] = {
        {counter(1, Radix::Hex, "FE", "1"), "FE FF 00 01 02 03 04 05", Msg::None},
        {counter(2, Radix::Dec, "1", "-1"), "01 01 00 00 FF FF FE FE", Msg::None},
        {counter(1, Radix::Bin, "11", "11111111"), "03 02 01 00 FF FE FD FC", Msg::None},
        {counter(1, Radix::Bin, "11", "100000000"), "", Msg::BusValueOutOfRange},
        {counter(1, Radix::Oct, "9", "1"), "", Msg::BusValueNotNumber},
        {counter(1, Radix::Hex, "ZZ", "1"), "", Msg::BusValueNotNumber},
        {counter(1, Radix::Hex, "100", "1"), "", Msg::BusValueOutOfRange},
        {counter(1, Radix::Hex, "0", ""), "", Msg::BusValueNotNumber},
        {file(folder.file("three.bin")), "01 02 03 01 02 03 01 02", Msg::None},
        {file(folder.file("empty.bin")), "", Msg::FileSizeZero},
        {file(folder.file("none.bin")), "", Msg::CantOpenFile},
        {counter(9, Radix::Hex, "0", "1"), "", Msg::PeriodOutOfRange},
        {counter(8, Radix::Hex, "A5", "1"), "A5 A5 A5 A5 A5 A5 A5 A5", Msg::None}, // the whole mark one period
        {counter(1, Radix::Oct, "17", "7"), "0F 16 1D 24 2B 32 39 40", Msg::None},
        {counter(1, Radix::Dec, "19", "10"), "13 1D 27 31 3B 45 4F 59", Msg::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        Editor e;
        const EditTarget t = e.range(4, 4, 0, 7);
        BusDataValues values;
        const EditCheck check = checkBusData(c.setting, t, *busDataRow(t, e.rows), values);
        EXPECT_EQ(check.msg, c.msg);
        if (!check.ok()) continue;
        ASSERT_TRUE(writeBusData(*e.doc, t, *busDataRow(t, e.rows), values));
        EXPECT_EQ(e.values(4, 0, 8), c.written);
        EXPECT_EQ(e.values(4, 8, 9), "00");
    }
    EXPECT_EQ(convertIncrementText("-1F", Radix::Hex, Radix::Bin, 4), "-1111");

    // A refusal names the field, the text, the radix and the bus's range in it.
    Editor e;
    const EditTarget t = e.range(4, 4, 0, 7);
    BusDataValues values;
    const auto refused = [&](BusDataSetting setting) {
        return editCheckText(checkBusData(setting, t, *busDataRow(t, e.rows), values), Language::English);
    };
    EXPECT_EQ(refused(counter(1, Radix::Hex, " ZZ ", "1")), "Start Value: 'ZZ' is not a HEX number (0 - FF).");
    EXPECT_EQ(refused(counter(1, Radix::Dec, "0", "256")), "Increment By: 256 is out of range (0 - 255).");
    EXPECT_EQ(refused(counter(1, Radix::Bin, "0", "2")), "Increment By: '2' is not a BIN number (0 - 11111111).");
}

TEST(EditOps, CutClosesTheGapOnOneRowOnly) {
    Editor e;
    const int n = e.doc->usableSamples();
    for (int i : {3, 7, 10, 14, n - 1})
        e.doc->usableImage()[static_cast<std::size_t>(i)] = channelBit(0) | channelBit(1);
    const std::string other = e.values(2, 0, 16);
    EditClipboard clip;
    EditSelection selection = rowRangeSelection(1, 1);
    ASSERT_TRUE(cutSelection(*e.doc, e.range(1, 1, 5, 9), e.rows, clip, selection));
    EXPECT_EQ(e.values(1, 0, 16), "LLLHLHLLLHLLLLLL"); // sample 10 is now at 5, 14 at 9
    EXPECT_EQ(e.values(2, 0, 16), other);
    EXPECT_EQ(e.values(1, n - 7, n), "LHLLLLL"); // the last sample moved up, nothing came after it
    EXPECT_FALSE(selection.rowRange);
    EXPECT_EQ(clip.words, (std::vector<std::uint64_t>{0, 0, 1, 0, 0}));
}

TEST(EditOps, PasteAtTheEndInBothModes) {
    for (EditMode mode : {EditMode::Insert, EditMode::Overwrite}) {
        Editor e;
        const int n = e.doc->usableSamples();
        std::span<Sample> image = e.doc->usableImage();
        image[static_cast<std::size_t>(n - 3)] = channelBit(0); // A's last samples: H L L
        EditClipboard clip{{12}, {1, 1, 0, 1}, true};
        ASSERT_TRUE(pasteClipboard(*e.doc, clip, e.rows, n - 3, 1, mode));
        // Insert pushes the old H past the end; overwrite stops after three of the four words.
        EXPECT_EQ(e.values(1, n - 4, n), "LHHL");
        EXPECT_EQ(e.values(2, n - 4, n), "LLLL");
        ASSERT_TRUE(e.doc->undoWaveform());
        EXPECT_EQ(e.values(1, n - 4, n), "LHLL");
    }
}

TEST(EditOps, InsertInTheMiddleShiftsTheRestOfTheRow) {
    Editor e;
    const int n = e.doc->usableSamples();
    std::span<Sample> image = e.doc->usableImage();
    for (int i : {4, 6, 7, n - 3}) image[static_cast<std::size_t>(i)] = channelBit(0) | channelBit(1);
    EditClipboard clip{{12}, {1, 0}, true};
    ASSERT_TRUE(pasteClipboard(*e.doc, clip, e.rows, 5, 1, EditMode::Insert));
    EXPECT_EQ(e.values(1, 0, 12), "LLLLHHLLHHLL"); // H L pasted at 5, the old 5.. two later
    EXPECT_EQ(e.values(1, n - 3, n), "LLH"); // the old n-3 now at n-1
    EXPECT_EQ(e.values(2, 0, 12), "LLLLHLHHLLLL"); // B untouched
    // A clock whose last half period differs from the background: every half is written.
    for (Sample& sample : image) sample |= channelBit(2);
    ASSERT_TRUE(drawClock(*e.doc, e.range(3, 3, 20, 27), {2, 1}));
    EXPECT_EQ(e.values(3, 19, 29), "HHHLLHHLLH");
    ASSERT_TRUE(drawClock(*e.doc, e.range(3, 3, 20, 25), {3, 0}));
    EXPECT_EQ(e.values(3, 19, 27), "HLLLHHHL"); // 26 keeps the clock drawn before
}

TEST(EditOps, CopyPasteMatchesBitByBitReference) {
    std::mt19937_64 random(11);
    Editor e;
    for (Sample& s : e.doc->usableImage()) s = random() & 0x1FFFFFFFFFFFF000ull;
    const EditTarget t = e.range(1, 4, 100, 163);
    EditClipboard clip;
    ASSERT_TRUE(copySelection(*e.doc, t, e.rows, clip));
    ASSERT_EQ(clip.bits.size(), 11u);
    for (std::size_t i = 0; i < clip.words.size(); ++i) {
        std::uint64_t expected = 0;
        for (std::size_t j = 0; j < clip.bits.size(); ++j)
            expected |= ((e.doc->usableImage()[100 + i] >> clip.bits[j]) & 1u) << j;
        ASSERT_EQ(clip.words[i], expected);
    }
    // Pasted back over the same place in overwrite mode, nothing changes.
    const std::vector<Sample> before(e.doc->usableImage().begin(), e.doc->usableImage().end());
    ASSERT_TRUE(pasteClipboard(*e.doc, clip, e.rows, 100, 1, EditMode::Overwrite));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), e.doc->usableImage().begin()));
}

TEST(EditOps, UndoAfterFortyOperationsKeepsWhatTheRingHolds) {
    struct Case {
        int markEnd;
        int undos;
    } cases[] = {{9, 31}, {65511, 2}}; // the usable area is 524,096 bytes, the store twice the buffer
    for (const Case& c : cases) {
        Editor e;
        for (int k = 0; k < 40; ++k) applyLevel(*e.doc, e.range(1, 1, 0, c.markEnd), LevelOperation::Invert);
        int undos = 0;
        while (e.doc->undoWaveform()) ++undos;
        EXPECT_EQ(undos, c.undos);
    }
}

TEST(EditOps, EnablingFollowsTheSelection) {
    Editor e;
    const EditState placed{true, true, false, false};
    struct Case {
        int first, last;
        EditEnabling expected;
    } cases[] = {
        {1, 2, {true, false, false, true, true, true, false}},
        {4, 4, {true, true, false, true, true, true, false}},
        {0, 0, {false, false, true, true, true, true, false}},
        {0, 1, {false, false, false, true, true, true, false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(editEnabling(e.range(c.first, c.last, 0, 5), e.rows, placed), c.expected) << c.first << c.last;
    const EditTarget none = editTarget({}, e.doc->positions(), e.rows, e.doc->labels(), e.doc->usableSamples());
    EXPECT_EQ(editEnabling(none, e.rows, {false, false, true, true}),
              (EditEnabling{false, false, true, false, false, false, true}));
}

TEST(SampleWizard, CountersAndTheirLabels) {
    Editor e;
    e.doc->usableImage()[3] = Sample{1} << 12;
    // Asked before anything changes: No leaves samples, labels and undo as they were.
    test::ScriptedPrompt keep({Answer::No});
    ASSERT_EQ(runSampleWizard(*e.doc, SampleKind::SyncCounter, 18, keep), Msg::None);
    EXPECT_EQ(keep.asked, std::vector<int>{static_cast<int>(Msg::Overwrite)});
    EXPECT_EQ(e.values(1, 0, 5), "LLLHL");
    EXPECT_EQ(viewRows(e.doc->labels()).size(), 5u);
    EXPECT_FALSE(e.doc->canUndoWaveform());
    EXPECT_FALSE(e.doc->canUndoLabels());

    // The sample's length and one sample less (nothing built).
    std::vector<Sample> aside(512);
    for (SampleKind kind : {SampleKind::SyncCounter, SampleKind::AsyncCounter}) {
        const int used = buildSample(aside, kind, 0);
        ASSERT_GT(used, 0);
        EXPECT_EQ(buildSample(std::span<Sample>(aside).first(static_cast<std::size_t>(used)), kind, 0), used);
        EXPECT_EQ(buildSample(std::span<Sample>(aside).first(static_cast<std::size_t>(used - 1)), kind, 0), 0);
    }
    // Counts 1..31 on samples 11..41, the jump back ending on 41.
    EXPECT_EQ(buildSample(aside, SampleKind::SyncCounter, 0), 42);

    test::ScriptedPrompt yes({Answer::Yes});
    ASSERT_EQ(runSampleWizard(*e.doc, SampleKind::SyncCounter, 18, yes), Msg::None);
    EXPECT_STREQ(e.doc->labels()[12].name, "SYNCCNT");
    std::span<const Sample> image = e.doc->usableImage();
    EXPECT_EQ(test::commandsText(image, 0, 3), "8FF 2FF 900");
    EXPECT_EQ(test::commandsText(image, 39, 42), "816 200 100"); // JP 10 (+12)
    for (int i = 0; i <= 41; ++i) ASSERT_EQ(image[static_cast<std::size_t>(i)] >> 12, i <= 10 ? 0u : i - 10u);

    test::ScriptedPrompt replace({Answer::Yes});
    ASSERT_EQ(runSampleWizard(*e.doc, SampleKind::AsyncCounter, 0, replace), Msg::None);
    const std::vector<ViewRow> rows = viewRows(e.doc->labels());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_STREQ(e.doc->labels()[12].name, "ASYNCCNT");
    for (int k = 0; k < 5; ++k) EXPECT_EQ(e.doc->labels()[static_cast<std::size_t>(12 + k)].bitIndex, 16 - k);
    EXPECT_EQ(e.doc->labels()[0].colour, 12);
    // Ripple: stage k changes one sample after stage k-1; the jump back is the last stage's fall.
    int last = asyncLoopStart;
    while (commandField(image[static_cast<std::size_t>(last)]) >> 8 != 1) ++last;
    for (int i = 0; i <= asyncLoopStart; ++i) ASSERT_EQ(image[static_cast<std::size_t>(i)], 0u);
    for (int i = asyncLoopStart + 1; i <= last + 1; ++i) {
        const Sample now = i == last + 1 ? image[asyncLoopStart] : image[static_cast<std::size_t>(i)];
        const unsigned changed = static_cast<unsigned>((now ^ image[static_cast<std::size_t>(i - 1)]) >> 12);
        ASSERT_LE(__builtin_popcount(changed), 1) << i;
        if (changed > 1) {
            const unsigned below = changed >> 1;
            const Sample before = image[static_cast<std::size_t>(i - 1)],
                         earlier = image[static_cast<std::size_t>(i - 2)];
            EXPECT_EQ(static_cast<unsigned>((before ^ earlier) >> 12), below) << i;
        }
    }
    EXPECT_EQ((image[static_cast<std::size_t>(last)] >> 12) & 0x1F, 0x10u);
}

} // namespace
} // namespace qv
