// The list lines the list-based generators share: fields read back by name within the line, the
// bounded value readers, Export/Import text, and entries of several lines placed and deleted whole.
#include "generators/list_lines.h"

#include <gtest/gtest.h>

namespace qv::gen {
namespace {

TEST(ListLines, FieldsAreFoundByWholeNameAndEndAtCommaOrPoint) {
    const std::string_view line = "DATA, 11, ID = 7C3, RTR = 0, Data = 11 22 , CRC = 416C, CRC Deli = 1, IS = 4.";
    EXPECT_EQ(lineField(line, "ID"), "7C3");
    EXPECT_EQ(lineField(line, "Data"), "11 22 ");
    EXPECT_EQ(lineField(line, "CRC"), "416C"); // not "CRC Deli"
    EXPECT_EQ(lineField(line, "CRC Deli"), "1");
    EXPECT_EQ(lineField(line, "IS"), "4");
    EXPECT_FALSE(lineField(line, "D")); // no field of that name: "DATA" and "Data" do not count
    EXPECT_FALSE(lineField(line, "ACK"));
    EXPECT_EQ(lineField("Message: TDEL = 1, ID = 3C", "ID"), "3C"); // "TDEL" does not end the name
    EXPECT_EQ(lineField("ID =", "ID"), ""); // a field at the very end reads empty, not past the line
    EXPECT_EQ(lineField("ID = 12", "ID"), "12");

    EXPECT_EQ(decimalValue(" 42 ", 100), 42u);
    EXPECT_FALSE(decimalValue("-5", 100));
    EXPECT_FALSE(decimalValue("101", 100));
    EXPECT_FALSE(decimalValue("2", 1)); // one digit above a small maximum
    EXPECT_FALSE(decimalValue("", 100));
    EXPECT_FALSE(decimalValue("99999999999999999999999", ~0ull)); // no overflow past the maximum
    EXPECT_EQ(hexValue("7fff", 0x7FFF), 0x7FFFu);
    EXPECT_FALSE(hexValue("8000", 0x7FFF));
    EXPECT_FALSE(hexValue("7G", 0xFFFF));
    EXPECT_EQ(hexBytes("11 2 ff ", 8), (std::vector<std::uint8_t>{0x11, 0x02, 0xFF}));
    EXPECT_FALSE(hexBytes("11 223", 8));
    EXPECT_FALSE(hexBytes("1 2 3", 2));
    EXPECT_EQ(hexBytes("", 2), std::vector<std::uint8_t>{});
}

TEST(ListLines, ExportAndImportText) {
    const std::vector<std::string> lines{"Go to Sleep.", "Wake-up frame: Delimiter = 4 Bits."};
    const std::string text = listExportText(lines);
    EXPECT_EQ(text, "Go to Sleep.\r\nWake-up frame: Delimiter = 4 Bits.\r\n");
    EXPECT_EQ(splitListText(text), lines);
    EXPECT_EQ(splitListText("\n\na\r\r\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(listProblemText({2, Msg::None}, {"a", std::string(70, 'x')}), "2 (" + std::string(60, 'x') + "...)");
}

TEST(ListLines, EntriesMoveWhole) {
    const ContinuationTest continues = [](std::string_view line) { return line.starts_with("  "); };
    std::vector<std::string> lines{"A", "B", "  b", "C"};
    EXPECT_EQ(entryAt(lines, 2, continues).first, 1);
    EXPECT_EQ(entryAt(lines, 1, continues).count, 2);
    EXPECT_EQ(entryAt(lines, 9, continues).count, 0);

    EXPECT_EQ(placeEntry(lines, {"D", "  d"}, ListPlacement::Insert, 2, continues), 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"A", "D", "  d", "B", "  b", "C"}));
    EXPECT_EQ(placeEntry(lines, {"E"}, ListPlacement::Modify, 4, continues), 3); // B and its line go
    EXPECT_EQ(lines, (std::vector<std::string>{"A", "D", "  d", "E", "C"}));
    EXPECT_EQ(placeEntry(lines, {"F"}, ListPlacement::Modify, -1, continues), 5); // no selection: appended
    EXPECT_EQ(placeEntry(lines, {"G"}, ListPlacement::Add, 0, continues), 6);
    // After the entry that holds the selection, its continuation lines kept with it.
    std::vector<std::string> after{"A", "B", "  b", "C"};
    EXPECT_EQ(placeEntry(after, {"H"}, ListPlacement::InsertAfter, 1, continues), 3);
    EXPECT_EQ(placeEntry(after, {"I"}, ListPlacement::InsertAfter, 4, continues), 5); // after the last
    EXPECT_EQ(after, (std::vector<std::string>{"A", "B", "  b", "H", "C", "I"}));

    EXPECT_EQ(deleteEntry(lines, 1, continues), 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"A", "E", "C", "F", "G"}));
    EXPECT_EQ(deleteEntry(lines, 4, continues), 3); // the last line: the one before is selected
    EXPECT_EQ(deleteEntry(lines, -1, continues), -1);
    std::vector<std::string> one{"A"};
    EXPECT_EQ(deleteEntry(one, 0, continues), -1);
    EXPECT_TRUE(one.empty());
}

} // namespace
} // namespace qv::gen
