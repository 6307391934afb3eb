// The marks of the view across real label operations: a range B..C, cursor T on C and cursor A on
// D over the rows QV_Function, A, B, C, D (a two-bit bus), written as "B..C T:C A:D".
#include "waveedit/row_tracking.h"

#include "waveedit/label_ops.h"
#include "waveedit/labels.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

struct View {
    std::unique_ptr<Document> doc = Document::create(capabilitiesFor(0xA050), true);
    RowMarks marks;
    std::vector<RowKey> keys;

    View() {
        LabelTable& t = doc->labels();
        int next = writeDefaultCommandLabel(t);
        next = appendSignalLabel(t, next, "A", std::vector<int>{0});
        next = appendSignalLabel(t, next, "B", std::vector<int>{1});
        next = appendSignalLabel(t, next, "C", std::vector<int>{2});
        appendSignalLabel(t, next, "D", std::vector<int>{4, 3});
        keys = rowKeys(viewRows(t), t);
        marks.rangeSelected = true;
        marks.marked = {10, 20, 2, 3};
        marks.cursors.samples[CursorT] = 5;
        marks.cursors.rows[CursorT] = 3;
        marks.cursors.samples[CursorA] = 6;
        marks.cursors.rows[CursorA] = 4;
        marks.anchors = {1, 3};
        marks.cursors.samples[CursorD] = 7; // on the command label, row 0
        marks.cursors.rows[CursorD] = 0;
        marks.cursors.samples[CursorE] = 8; // on no row: placed before the rows were known
        marks.cursors.rows[CursorE] = 5;
    }
    void selectLabelRows(std::initializer_list<int> rows) {
        const std::vector<ViewRow> now = viewRows(doc->labels());
        for (LabelRecord& r : doc->labels()) r.stateFlags = 0;
        for (int row : rows) {
            const ViewRow& v = now[static_cast<std::size_t>(row)];
            for (int k = 0; k < v.width; ++k) doc->labels()[static_cast<std::size_t>(v.firstRecord + k)].stateFlags = 1;
        }
    }
    // The operation's result, the marks followed, as text.
    std::string follow() {
        const std::vector<RowKey> after = rowKeys(viewRows(doc->labels()), doc->labels());
        followLabels(keys, after, marks);
        keys = after;
        auto name = [&](int row) { return row >= 0 && row < int(keys.size()) ? keys[std::size_t(row)].name : "?"; };
        std::string out = marks.rangeSelected ? name(marks.marked.firstRow) + ".." + name(marks.marked.lastRow) : "-";
        for (int c : {int(CursorT), int(CursorA)})
            out += std::string(" ") + "TA"[c] + ":" +
                (marks.cursors.samples[std::size_t(c)] == unsetPosition ? "-"
                                                                        : name(marks.cursors.rows[std::size_t(c)]));
        return out;
    }
};

TEST(RowTracking, MarksStayOnTheirLabelsOrAreCleared) {
    View v;
    v.selectLabelRows({1}); // delete A, above the range
    deleteSelectedLabels(*v.doc);
    EXPECT_EQ(v.follow(), "B..C T:C A:D");
    EXPECT_EQ(v.marks.marked, (MarkedArea{10, 20, 1, 2}));
    EXPECT_EQ(v.marks.anchors.labelRow, -1); // A is gone
    EXPECT_EQ(v.marks.anchors.editRow, 2);
    EXPECT_EQ(v.marks.cursors.samples[CursorD], 7);
    EXPECT_EQ(v.marks.cursors.rows[CursorD], 0);
    EXPECT_EQ(v.marks.cursors.samples[CursorE], 8);
    EXPECT_EQ(v.marks.cursors.rows[CursorE], 5);

    ASSERT_TRUE(v.doc->saveLabelUndo());
    BusLabelSetting bus;
    bus.name = "E";
    bus.order.channels = {5, 6};
    v.selectLabelRows({1}); // Add Bus Label before the selected B
    const int free[] = {5, 6};
    ASSERT_EQ(applyBusLabel(*v.doc, BusDialogMode::AddBus, bus, free), Msg::None);
    EXPECT_EQ(v.follow(), "B..C T:C A:D");
    EXPECT_EQ(v.marks.marked.firstRow, 2);

    ASSERT_TRUE(v.doc->undoLabels()); // label Undo takes E away again
    EXPECT_EQ(v.follow(), "B..C T:C A:D");
    EXPECT_EQ(v.marks.marked.firstRow, 1);

    ASSERT_EQ(renameSelectedLabel(*v.doc, "B2"), Msg::None); // renamed: the same bits
    EXPECT_EQ(v.follow(), "B2..C T:C A:D");

    v.selectLabelRows({});
    bool renameFollows = false;
    ASSERT_EQ(dropLabelOnto(*v.doc, 2, 3, renameFollows), Msg::None); // C dropped onto D
    EXPECT_EQ(v.follow(), "- T:- A:-"); // the range's C and both cursors' labels are gone
}

TEST(RowTracking, ARangeSplitByAMovedLabelIsCleared) {
    View v;
    dropLabelsBetween(*v.doc, 1, 3); // A moves between B and C: the range would take A in
    EXPECT_EQ(v.follow(), "- T:C A:D");
    View w;
    dropLabelsBetween(*w.doc, 4, 1); // D moves above A: B..C stays whole
    EXPECT_EQ(w.follow(), "B..C T:C A:D");
    EXPECT_EQ(w.marks.marked, (MarkedArea{10, 20, 3, 4}));
}

TEST(RowTracking, LabelsAlikeAreFoundOnlyByName) {
    const std::vector<RowKey> now{{1, "X"}, {2, "Y"}, {2, "Z"}, {4, "W"}, {4, "W"}, {1, "V"}};
    EXPECT_EQ(findRow({2, "Z"}, now), 2);
    EXPECT_EQ(findRow({1, "X"}, now), 0); // by name, though another row has the same bits
    EXPECT_EQ(findRow({8, "renamed"}, std::vector<RowKey>{{8, "Q"}}), 0); // the only label on those bits
    EXPECT_EQ(findRow({2, "renamed"}, now), -1); // two on those bits, neither by name
    EXPECT_EQ(findRow({4, "W"}, now), -1); // two alike
    EXPECT_EQ(findRow({8, "X"}, now), -1); // the name alone is not the label
}

} // namespace
} // namespace qv
