// Command Setting's writes into a document: the words land at the T cursor in the labelled command
// bits only, undo brings the old samples back, a refused or unplaceable setting changes nothing;
// clearing the marked area; and where Waveform Check leaves the T cursor and the row selections.
#include "waveedit/command_placement.h"
#include "waveedit/labels.h"
#include "waveedit/waveform_check.h"

#include "label_records.h"
#include "sample_text.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::commandsText;

class CommandPlacement : public ::testing::Test {
  protected:
    void SetUp() override {
        doc = Document::create(capabilitiesFor(0xA020), true);
        ASSERT_NE(doc, nullptr);
        resetToDefaultLabels(doc->labels());
        for (Sample& s : doc->usableImage()) s = channelBit(0) | 0xFFF; // data high, every command bit set
    }
    std::string words(int from, int to) const { return commandsText(doc->usableImage(), from, to); }
    CommandSetting jumpTo(int address) const {
        CommandSetting setting;
        setting.command = SettableCommand::Jp;
        setting.address = address;
        return setting;
    }

    std::unique_ptr<Document> doc;
};

TEST_F(CommandPlacement, WritesAtTheCommandPositionAndUndoes) {
    doc->positions().cursors[CursorT] = 10;
    bool changed = false;
    ASSERT_EQ(placeCommand(*doc, jumpTo(20), changed), Msg::None);
    EXPECT_TRUE(changed);
    EXPECT_EQ(words(9, 14), "FFF 820 200 100 FFF");
    EXPECT_TRUE(channelLevel(doc->usableImage()[11], 0)) << "data bits stay";
    ASSERT_TRUE(doc->undoWaveform());
    EXPECT_EQ(words(9, 14), "FFF FFF FFF FFF FFF");
    EXPECT_FALSE(doc->canUndoWaveform()) << "one entry for the command";
}

TEST_F(CommandPlacement, RefusalsChangeNothing) {
    const int usable = doc->usableSamples();
    bool changed = true;
    doc->positions().cursors[CursorT] = 10;
    EXPECT_EQ(placeCommand(*doc, jumpTo(usable - 12), changed), Msg::AddressOutOfRange);
    EXPECT_FALSE(changed);
    CommandSetting loop;
    loop.command = SettableCommand::Lc;
    loop.loopCount = 65537;
    EXPECT_EQ(placeCommand(*doc, loop, changed), Msg::LoopCountOutOfRange);
    doc->positions().cursors[CursorT] = usable - 2; // three words do not fit, one does
    EXPECT_EQ(placeCommand(*doc, jumpTo(20), changed), Msg::CommandDoesNotFit);
    EXPECT_EQ(words(usable - 2, usable), "FFF FFF");
    EXPECT_FALSE(doc->canUndoWaveform());
    CommandSetting wait;
    wait.command = SettableCommand::We;
    EXPECT_EQ(placeCommand(*doc, wait, changed), Msg::None);
    EXPECT_EQ(words(usable - 2, usable), "700 FFF");
}

TEST_F(CommandPlacement, OnlyLabelledCommandBitsChange) {
    LabelTable& labels = doc->labels();
    labels = {};
    labels[0] = test::labelRecord(3, positionSingle, "C3"); // command bit 3 alone
    labels[1] = test::labelRecord(12, positionSingle, "D0");
    doc->positions().cursors[CursorT] = 4;
    bool changed = false;
    ASSERT_EQ(placeCommand(*doc, jumpTo(20), changed), Msg::None);
    EXPECT_EQ(words(4, 7), "FF7 FF7 FF7");

    labels[0] = test::labelRecord(12, positionSingle, "D0");
    labels[1] = {};
    changed = true;
    EXPECT_EQ(placeCommand(*doc, jumpTo(20), changed), Msg::None);
    EXPECT_FALSE(changed) << "no command bit has a label: nothing to write";
    EXPECT_FALSE(clearMarkedCommands(*doc));
}

TEST_F(CommandPlacement, ClearsTheMarkedAreaInclusive) {
    doc->positions().markStart = 5;
    doc->positions().markEnd = 7;
    ASSERT_TRUE(clearMarkedCommands(*doc));
    EXPECT_EQ(words(4, 9), "FFF 000 000 000 FFF");
    EXPECT_TRUE(channelLevel(doc->usableImage()[6], 0));
    ASSERT_TRUE(doc->undoWaveform());
    EXPECT_EQ(words(4, 9), "FFF FFF FFF FFF FFF");
}

TEST_F(CommandPlacement, CheckMovesTheCommandPositionAndClearsRowSelections) {
    for (int i = 0; i < 12; ++i) doc->labels()[i].stateFlags = stateRowSelected | stateLabelSelected;
    moveToCheckProblem(*doc, {Msg::CommandError, 42});
    EXPECT_EQ(doc->positions().commandPosition(), 42);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(doc->labels()[i].stateFlags, stateLabelSelected) << i;
}

} // namespace
} // namespace qv
