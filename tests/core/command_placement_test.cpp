// Command Setting's writes into a document: the words land at the T cursor (data bits kept), undo
// brings the old samples back, a refused or unplaceable setting changes nothing; clearing the
// marked area; and where Waveform Check leaves the T cursor and the row selections.
#include "waveedit/command_placement.h"
#include "waveedit/labels.h"
#include "waveedit/waveform_check.h"

#include "sample_text.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

class CommandPlacement : public ::testing::Test {
  protected:
    void SetUp() override {
        doc = Document::create(capabilitiesFor(0xA020), true);
        ASSERT_NE(doc, nullptr);
        resetToDefaultLabels(doc->labels());
        for (Sample& s : doc->usableImage()) s = channelBit(0) | 0xFFF; // data high, every command bit set
    }
    std::string words(int from, int to) const { return test::commandsText(doc->usableImage(), from, to); }
    static CommandSetting command(SettableCommand which, int address = 0, int loopCount = 2) {
        CommandSetting setting;
        setting.command = which;
        setting.address = address;
        setting.loopCount = loopCount;
        return setting;
    }

    std::unique_ptr<Document> doc;
    bool changed = false;
};

TEST_F(CommandPlacement, WritesAtTheCommandPositionAndUndoes) {
    doc->positions().cursors[CursorT] = 10;
    ASSERT_EQ(placeCommand(*doc, command(SettableCommand::Jp, 20), changed), Msg::None);
    EXPECT_TRUE(changed);
    EXPECT_EQ(words(9, 14), "FFF 820 200 100 FFF");
    EXPECT_TRUE(channelLevel(doc->usableImage()[11], 0)) << "data bits stay";
    ASSERT_TRUE(doc->undoWaveform());
    EXPECT_EQ(words(9, 14), "FFF FFF FFF FFF FFF");
    EXPECT_FALSE(doc->canUndoWaveform()) << "one entry for the command";
}

TEST_F(CommandPlacement, RefusalsChangeNothing) {
    const int usable = doc->usableSamples();
    doc->positions().cursors[CursorT] = usable - 2; // three words do not fit here, one does
    EXPECT_EQ(placeCommand(*doc, command(SettableCommand::Jp, usable - 12), changed), Msg::AddressOutOfRange);
    EXPECT_EQ(placeCommand(*doc, command(SettableCommand::Lc, 0, 65537), changed), Msg::LoopCountOutOfRange);
    EXPECT_EQ(placeCommand(*doc, command(SettableCommand::Jp, 20), changed), Msg::CommandDoesNotFit);
    EXPECT_FALSE(changed);
    EXPECT_EQ(words(usable - 2, usable), "FFF FFF");
    EXPECT_FALSE(doc->canUndoWaveform());
    EXPECT_EQ(placeCommand(*doc, command(SettableCommand::We), changed), Msg::None);
    EXPECT_EQ(words(usable - 2, usable), "700 FFF");

    doc->labels() = {}; // no command bit has a label: nothing can be written or cleared
    EXPECT_EQ(placeCommand(*doc, command(SettableCommand::Np), changed), Msg::None);
    EXPECT_FALSE(changed);
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

TEST_F(CommandPlacement, FirstAndLastSamplesAndAOneSampleMark) {
    const int usable = doc->usableSamples();
    for (int at : {0, usable - 3}) { // a JP's three words at the very start and ending on the last sample
        doc->positions().cursors[CursorT] = at;
        ASSERT_EQ(placeCommand(*doc, command(SettableCommand::Jp, 20), changed), Msg::None) << at;
        EXPECT_EQ(words(at, at + 3), "820 200 100");
    }
    doc->positions().markStart = doc->positions().markEnd = 30;
    ASSERT_TRUE(clearMarkedCommands(*doc));
    EXPECT_EQ(words(29, 32), "FFF 000 FFF");
    // Undo restores the marked sample and nothing beside it.
    doc->usableImage()[31] = 0x123;
    ASSERT_TRUE(doc->undoWaveform());
    EXPECT_EQ(words(29, 32), "FFF FFF 123");
}

} // namespace
} // namespace qv
