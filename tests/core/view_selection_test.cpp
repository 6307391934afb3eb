// Label column clicks and Ctrl+A as state flags on every record of the rows they select.
#include "waveedit/view_selection.h"

#include "waveedit/labels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

// The command label, then single labels on channels 0..2 and a 3-bit bus: five rows.
struct Table {
    LabelTable table{};
    std::vector<ViewRow> rows;
    Table() {
        int next = writeDefaultCommandLabel(table);
        for (int c = 0; c < 3; ++c) {
            const int one[] = {c};
            next = appendSignalLabel(table, next, "S", one);
        }
        const int bus[] = {5, 4, 3};
        appendSignalLabel(table, next, "BUS", bus);
        rows = viewRows(table);
    }
    // One letter a row: '1' when every record of the row has the flag, '0' when none, '?' when mixed.
    std::string flags(std::uint32_t flag) const {
        std::string out;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const int first = rows[r].firstRecord;
            const int end = r + 1 < rows.size() ? rows[r + 1].firstRecord : labelRecordCount(table);
            int set = 0;
            for (int i = first; i < end; ++i) set += (table[static_cast<std::size_t>(i)].stateFlags & flag) != 0;
            out += set == 0 ? '0' : set == end - first ? '1' : '?';
        }
        return out;
    }
};

struct Click {
    int row;
    bool ctrl, shift;
    const char* after;
};

TEST(ViewSelection, LabelNameClicks) {
    const Click script[] = {
        {2, false, false, "00100"}, {4, true, false, "00101"}, {2, true, false, "00001"}, // toggles
        {1, false, true, "01100"}, // from the last clicked (row 2) to this one, no other
        {3, false, false, "00010"}, {0, false, true, "11110"}, {-1, false, false, "00000"}, // on no label
    };
    Table t;
    SelectionAnchors anchors;
    for (const Click& c : script) {
        SCOPED_TRACE(testing::Message() << c.row << (c.ctrl ? " ctrl" : "") << (c.shift ? " shift" : ""));
        clickLabelName(t.table, t.rows, c.row, c.ctrl, c.shift, anchors);
        EXPECT_EQ(t.flags(stateLabelSelected), c.after);
        EXPECT_EQ(t.flags(stateRowSelected), "00000");
    }
}

TEST(ViewSelection, RowSelectPresses) {
    const Click script[] = {
        {1, false, false, "01000"}, {3, true, false, "01010"}, {3, true, false, "01010"}, // Ctrl adds
        {4, false, false, "00001"}, // a plain press clears first
        {2, false, true, "00111"},  {0, true, false, "10111"},
    };
    Table t;
    SelectionAnchors anchors;
    for (const Click& c : script) {
        SCOPED_TRACE(testing::Message() << c.row << (c.ctrl ? " ctrl" : "") << (c.shift ? " shift" : ""));
        EXPECT_TRUE(pressRowSelect(t.table, t.rows, c.row, c.ctrl, c.shift, anchors));
        EXPECT_EQ(t.flags(stateRowSelected), c.after);
        EXPECT_EQ(t.flags(stateLabelSelected), "00000");
    }
    EXPECT_TRUE(pressRowSelect(t.table, t.rows, 9, false, false, anchors)); // below the rows: unchanged
    EXPECT_EQ(t.flags(stateRowSelected), "10111");
    Table fresh;
    SelectionAnchors none;
    EXPECT_FALSE(pressRowSelect(fresh.table, fresh.rows, -1, false, false, none));
    EXPECT_TRUE(pressRowSelect(fresh.table, fresh.rows, 2, false, true, none)); // Shift with no anchor yet
    EXPECT_EQ(fresh.flags(stateRowSelected), "00100");
}

TEST(ViewSelection, SelectAll) {
    Table t;
    selectAllDataLabels(t.table, t.rows);
    EXPECT_EQ(t.flags(stateLabelSelected), "01111");
    EXPECT_TRUE(selectAllRows(t.table, t.rows));
    EXPECT_EQ(t.flags(stateRowSelected), "11111");
    LabelTable empty{};
    EXPECT_FALSE(selectAllRows(empty, {}));
}

} // namespace
} // namespace qv
