#include "waveedit/labels.h"

#include "label_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace qv {
namespace {

using test::labelRecord;

TEST(Labels, DefaultCommandLabel) {
    LabelTable t{};
    resetToDefaultLabels(t);
    EXPECT_EQ(labelRecordCount(t), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(t[i].bitIndex, 11 - i);
        EXPECT_EQ(t[i].positionCode, i == 11 ? 9999 : i + 2);
        EXPECT_EQ(t[i].groupType, 5);
        EXPECT_EQ(t[i].colour, 14);
        EXPECT_STREQ(t[i].name, "QV_Function");
        EXPECT_EQ(t[i].stateFlags, 0u);
    }
}

TEST(Labels, NormalisationCopiesTheHeadIntoItsMembers) {
    LabelTable t{};
    t[0] = labelRecord(20, positionBusHead, "BUS", 1, 9);
    t[0].stateFlags = stateRowSelected;
    t[0].reserved80 = 5;
    t[0].reserved92 = 6;
    t[0].reserved96 = 7;
    std::strcpy(t[0].secondText, "second");
    t[1] = labelRecord(21, 3, "other", 0, 2);
    t[1].reserved4 = 8; // not a head field: stays
    t[2] = labelRecord(22, positionBusLast, "x", 4, 3);
    t[3] = labelRecord(23, positionSingle, "S");
    t[4] = labelRecord(24, 7, "orphan-after-single", 0, 1); // still takes from the nearest head (record 0)
    t[5] = labelRecord(4, positionSingle, "cmd", 5);
    normaliseLabels(t);
    for (int i : {1, 2, 4}) {
        EXPECT_STREQ(t[i].name, "BUS") << i;
        EXPECT_EQ(t[i].groupType, 1);
        EXPECT_EQ(t[i].colour, 9);
        EXPECT_EQ(t[i].stateFlags, stateRowSelected);
        EXPECT_EQ(t[i].reserved80, 5);
        EXPECT_EQ(t[i].reserved92, 6);
        EXPECT_EQ(t[i].reserved96, 7);
        EXPECT_STREQ(t[i].secondText, "second");
    }
    EXPECT_EQ(t[1].reserved4, 8);
    EXPECT_EQ(t[1].bitIndex, 21); // bit and position stay
    EXPECT_EQ(t[1].positionCode, 3);
    EXPECT_STREQ(t[3].name, "S");
    EXPECT_STREQ(t[5].name, "QV_Function"); // group type 5 is always the command label
}

// A member with no head before it (a label file may start so) has nothing to copy from: it keeps
// its own fields, and nothing before the table is read.
TEST(Labels, MemberWithoutAHeadKeepsItsFields) {
    LabelTable t{};
    t[0] = labelRecord(30, 5, "lost", 2, 6);
    t[0].stateFlags = stateLabelSelected;
    t[1] = labelRecord(31, positionBusLast, "lost too", 3, 7);
    t[2] = labelRecord(32, positionBusHead, "BUS", 1, 9);
    t[3] = labelRecord(33, positionBusLast, "member", 0, 1);
    const LabelTable before = t;
    normaliseLabels(t);
    for (int i : {0, 1}) EXPECT_EQ(std::memcmp(&t[i], &before[i], sizeof(LabelRecord)), 0) << i;
    EXPECT_STREQ(t[3].name, "BUS");
}

TEST(Labels, NormalisationKeepsNamesTerminated) {
    LabelTable t{};
    t[0] = labelRecord(12, positionSingle);
    std::memset(t[0].name, 'A', labelNameBytes);
    std::memset(t[0].secondText, 'B', labelNameBytes);
    normaliseLabels(t);
    EXPECT_EQ(std::strlen(t[0].name), 31u);
    EXPECT_EQ(std::strlen(t[0].secondText), 31u);
}

TEST(Labels, WalkGivesRowsWithTheirBits) {
    LabelTable t{};
    int next = writeDefaultCommandLabel(t);
    t[next++] = labelRecord(40, 3, "tail"); // a member behind the last bit still belongs to the bus before it
    t[next++] = labelRecord(12, positionSingle, "A");
    t[next++] = labelRecord(15, positionBusHead, "B");
    t[next++] = labelRecord(14, positionBusLast, "B");
    t[next++] = labelRecord(16, positionBusHead, "C"); // one-bit bus: head then a row
    t[next++] = labelRecord(17, positionSingle, "D");
    std::vector<std::pair<int, int>> spans;
    forEachLabel(t, [&](LabelSpan s) { spans.emplace_back(s.first, s.count); });
    std::vector<std::pair<int, int>> expected{{0, 13}, {13, 1}, {14, 2}, {16, 1}, {17, 1}};
    EXPECT_EQ(spans, expected);
}

TEST(Labels, ToolSignalsBecomeLabels) {
    LabelTable t{};
    int next = writeDefaultCommandLabel(t);
    const int dmx[] = {3};
    const int bus[] = {7, 6, 9};
    next = appendSignalLabel(t, next, "DMX512_D+", dmx);
    ASSERT_EQ(next, 13);
    next = appendSignalLabel(t, next, "A-name-longer-than-thirty-one-characters", bus);
    ASSERT_EQ(next, 16);
    EXPECT_EQ(t[12].bitIndex, 15);
    EXPECT_EQ(t[12].positionCode, positionSingle);
    EXPECT_EQ(t[12].colour, 15);
    EXPECT_STREQ(t[12].name, "DMX512_D+");
    const int positions[] = {2, 3, 9999};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(t[13 + k].bitIndex, 12 + bus[k]);
        EXPECT_EQ(t[13 + k].positionCode, positions[k]);
        EXPECT_EQ(std::strlen(t[13 + k].name), 31u);
    }
    EXPECT_EQ(labelRecordCount(t), 16);
    const int outside[] = {52};
    EXPECT_EQ(appendSignalLabel(t, next, "X", outside), -1);
    std::vector<int> many(maxLabels - next + 1, 0);
    EXPECT_EQ(appendSignalLabel(t, next, "X", many), -1); // no room left for the terminator
    many.pop_back();
    EXPECT_EQ(appendSignalLabel(t, next, "X", many), maxLabels);
    EXPECT_EQ(t[maxLabels].positionCode, positionEnd);
}

TEST(Labels, Palette) {
    struct Case {
        int index;
        std::uint32_t rgb;
    } cases[] = {{0, 0x000000},  {1, 0x000080},  {4, 0x800000},  {7, 0xC0C0C0},  {8, 0x808080},       {9, 0x0000FF},
                 {10, 0x00FF00}, {12, 0xFF0000}, {14, 0xFFFF00}, {15, 0xFFFFFF}, {16 + 12, 0xFF0000}, {-1, 0xFFFFFF}};
    for (const Case& c : cases) EXPECT_EQ(paletteColour(c.index), c.rgb) << c.index;
}

} // namespace
} // namespace qv
