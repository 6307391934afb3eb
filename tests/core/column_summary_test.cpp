// The column summary against a plain walk that reads every sample of every row, on random images
// (counter-like and held random levels, with commands), at several zooms, rows and bus widths,
// built whole and brought up to date after changes at random ranges.
#include "waveedit/column_summary.h"

#include "view_test_data.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace qv {
namespace {

using test::randomImage;
using test::randomRow;
using test::rowOf;

// The plain reference: every sample of the column, the row's value compared step by step.
RowColumn referenceColumn(const std::vector<Sample>& image, const ViewRow& row, int from, int to) {
    RowColumn out;
    for (int i = std::max(from, 1); i < to; ++i)
        if (rowValue(row, image[static_cast<std::size_t>(i)]) != rowValue(row, image[static_cast<std::size_t>(i - 1)]))
            out.changed = true;
    out.value = rowValue(row, image[static_cast<std::size_t>(to - 1)]);
    return out;
}

// The last command end whose next sample lies in [from, to).
int referenceCommandEnd(const std::vector<Sample>& image, int from, int to) {
    int end = -1;
    for (int i = std::max(from - 1, 0); i + 1 < to; ++i)
        if (commandEndsAt(image[static_cast<std::size_t>(i)])) end = i;
    return end;
}

void expectMatches(const ColumnSummary& summary, const std::vector<Sample>& image, const std::vector<ViewRow>& rows,
                   int first, int zoomOut, int columns) {
    const int usable = static_cast<int>(image.size());
    int expectedColumns = 0;
    for (int c = 0; c < columns && first + (std::int64_t{c} << zoomOut) < usable; ++c) ++expectedColumns;
    ASSERT_EQ(summary.columnsWithSamples(), expectedColumns);
    ASSERT_EQ(summary.columns(), columns);
    if (usable > 0) {
        EXPECT_EQ(summary.sampleBefore(), image[static_cast<std::size_t>(std::clamp(first - 1, 0, usable - 1))]);
    }
    std::vector<RowColumn> all(static_cast<std::size_t>(columns));
    for (const ViewRow& row : rows) {
        summary.rowColumns(row, all);
        for (int c = 0; c < expectedColumns; ++c) {
            const int from = first + (c << zoomOut);
            const int to = std::min(from + (1 << zoomOut), usable);
            const RowColumn expected = referenceColumn(image, row, from, to);
            ASSERT_EQ(summary.rowColumn(row, c), expected) << "column " << c;
            ASSERT_EQ(all[static_cast<std::size_t>(c)], expected) << "column " << c;
        }
    }
    for (int c = 0; c < expectedColumns; ++c) {
        const int from = first + (c << zoomOut);
        ASSERT_EQ(summary.commandEnd(c), referenceCommandEnd(image, from, std::min(from + (1 << zoomOut), usable)))
            << "column " << c;
    }
}

TEST(ColumnSummary, MatchesAPlainWalkOnRandomImages) {
    std::mt19937_64 random(11);
    const int zooms[] = {0, 1, 3, 5, 8};
    for (int trial = 0; trial < 60; ++trial) {
        const bool counter = trial % 2 == 0;
        const int usable = 1 + static_cast<int>(random() % 6000);
        const std::vector<Sample> image = randomImage(random, usable, counter);
        std::vector<ViewRow> rows;
        for (int r = 0; r < 8; ++r) rows.push_back(randomRow(random));
        for (int zoomOut : zooms) {
            const int first = random() % 4 == 0 ? 0 : static_cast<int>(random() % usable);
            const int columns = 1 + static_cast<int>(random() % 400);
            SCOPED_TRACE(testing::Message() << "trial " << trial << " zoom " << zoomOut << " first " << first);
            ColumnSummary summary;
            summary.build(image, first, zoomOut, columns);
            expectMatches(summary, image, rows, first, zoomOut, columns);
        }
    }
}

TEST(ColumnSummary, UpdatesOfRandomRangesMatchAFreshWalk) {
    std::mt19937_64 random(12);
    for (int trial = 0; trial < 40; ++trial) {
        const int usable = 500 + static_cast<int>(random() % 5000);
        std::vector<Sample> image = randomImage(random, usable, trial % 2 == 0);
        std::vector<ViewRow> rows;
        for (int r = 0; r < 6; ++r) rows.push_back(randomRow(random));
        const int zoomOut = static_cast<int>(random() % 7);
        const int first = random() % 3 == 0 ? 0 : static_cast<int>(random() % (usable / 2));
        const int columns = 50 + static_cast<int>(random() % 300);
        SCOPED_TRACE(testing::Message() << "trial " << trial << " zoom " << zoomOut << " first " << first);
        ColumnSummary summary;
        summary.build(image, first, zoomOut, columns);
        for (int change = 0; change < 20; ++change) {
            const int a = static_cast<int>(random() % usable);
            const int b = std::min(usable - 1, a + static_cast<int>(random() % 300));
            const Sample value = random();
            for (int i = a; i <= b; ++i) image[static_cast<std::size_t>(i)] = random() % 2 ? value : random();
            summary.update(image, a, b);
            expectMatches(summary, image, rows, first, zoomOut, columns);
        }
    }
}

TEST(ColumnSummary, AnUpdateRecomputesOnlyTheColumnsItTouches) {
    std::vector<Sample> image(1000, 0);
    ColumnSummary summary;
    summary.build(image, 100, 2, 200); // columns of 4 samples from sample 100
    image[500] = channelBit(0); // column 100, not reported
    image[201] = channelBit(1); // column 25, reported
    summary.update(image, 201, 201);
    EXPECT_EQ(summary.changedBits(25), channelBit(1));
    EXPECT_EQ(summary.changedBits(26), 0u); // 201 back to 0 at 202 lies in column 25 too
    EXPECT_EQ(summary.changedBits(100), 0u); // untouched: the unreported change is not seen
    image[203] = channelBit(2); // the last sample of column 25: its fall at 204 is column 26's
    summary.update(image, 203, 203);
    EXPECT_EQ(summary.changedBits(26), channelBit(2));
    image[99] = channelBit(3); // the sample before the view: the first column sees the fall into 100
    summary.update(image, 99, 99);
    EXPECT_EQ(summary.sampleBefore(), channelBit(3));
    EXPECT_EQ(summary.changedBits(0), channelBit(3));
    image[50] = channelBit(4); // far left of the view: nothing to recompute
    summary.update(image, 50, 50);
    EXPECT_EQ(summary.changedBits(0), channelBit(3));
    summary.update(image, 400, 300); // an empty range
    EXPECT_EQ(summary.columnOf(99), -1);
    EXPECT_EQ(summary.columnOf(103), 0);
    EXPECT_EQ(summary.columnOf(104), 1);
}

TEST(ColumnSummary, Edges) {
    // A row whose bit never changes is one straight line: no column changes.
    const std::vector<Sample> flat(4096, channelBit(3));
    ColumnSummary summary;
    summary.build(flat, 0, 4, 300);
    EXPECT_EQ(summary.columnsWithSamples(), 256);
    std::vector<RowColumn> out(300);
    summary.rowColumns(rowOf({15}), out);
    for (int c = 0; c < 256; ++c) EXPECT_EQ(out[static_cast<std::size_t>(c)], (RowColumn{false, 1}));
    // A view past the usable area, and an empty image, summarise nothing.
    summary.build(flat, 5000, 0, 10);
    EXPECT_EQ(summary.columnsWithSamples(), 0);
    summary.build({}, 0, 0, 10);
    EXPECT_EQ(summary.columnsWithSamples(), 0);
    summary.update({}, 0, 5);
    // The last column is partly filled.
    summary.build(flat, 4090, 2, 10);
    EXPECT_EQ(summary.columnsWithSamples(), 2);
    EXPECT_EQ(summary.lastSample(1), channelBit(3));
}

TEST(ColumnSummary, CommandEnds) {
    struct Case {
        unsigned word;
        bool ends;
    };
    const Case cases[] = {{0x000, false}, {0x820, false}, {0x200, false}, {0x100, true}, {0x400, true},
                          {0x700, true},  {0x605, true},  {0x900, true},  {0xA00, true}, {0xFFF, true}};
    for (const Case& c : cases) EXPECT_EQ(commandEndsAt(withCommand(channelBit(1), c.word)), c.ends) << c.word;
}

} // namespace
} // namespace qv
