// Label operations, read back as one line of text per table: each label as NAME:bits (most
// significant first), '*' after a selected one.
#include "waveedit/label_ops.h"

#include "scripted_prompt.h"
#include "waveedit/view_rows.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

std::string labelsText(const LabelTable& table) {
    std::string out;
    forEachLabel(table, [&](LabelSpan span) {
        if (!out.empty()) out += ' ';
        out += table[static_cast<std::size_t>(span.first)].name;
        if (isCommandLabel(table[static_cast<std::size_t>(span.first)])) return;
        out += ':';
        for (int i = span.first; i < span.first + span.count; ++i) {
            if (i > span.first) out += ',';
            out += std::to_string(table[static_cast<std::size_t>(i)].bitIndex - 12);
        }
        if (table[static_cast<std::size_t>(span.first)].stateFlags & stateLabelSelected) out += '*';
    });
    return out;
}

// A document whose table is the command label and the labels given as (name, channels...).
struct Labels {
    std::unique_ptr<Document> doc;
    explicit Labels(std::initializer_list<std::pair<const char*, std::vector<int>>> labels, int model = 0xA050) {
        doc = Document::create(capabilitiesFor(model), true);
        int next = writeDefaultCommandLabel(doc->labels());
        for (const auto& [name, channels] : labels) next = appendSignalLabel(doc->labels(), next, name, channels);
    }
    LabelTable& table() { return doc->labels(); }
    std::string text() { return labelsText(doc->labels()); }
    // Selects the labels at these rows (row 0 is the command label).
    void select(std::initializer_list<int> rows) {
        int row = 0;
        forEachLabel(table(), [&](LabelSpan span) {
            const bool on = std::find(rows.begin(), rows.end(), row++) != rows.end();
            for (int i = span.first; i < span.first + span.count; ++i)
                table()[static_cast<std::size_t>(i)].stateFlags = on ? stateLabelSelected : 0;
        });
    }
};

TEST(LabelOps, NameRules) {
    Labels l({{"CLK", {7}}, {"DATA", {3, 2}}});
    struct Case {
        std::string name;
        Msg expected;
    } cases[] = {
        {std::string(31, 'N'), Msg::None},    {std::string(32, 'N'), Msg::LabelNameInvalid},
        {"A;B", Msg::LabelNameInvalid},       {"A\tB", Msg::LabelNameInvalid},
        {"", Msg::LabelNameInvalid},          {"CLK", Msg::LabelNameInUse},
        {"QV_Function", Msg::LabelNameInUse}, {"CLK2", Msg::None},
    };
    for (const Case& c : cases) EXPECT_EQ(checkLabelName(l.table(), c.name), c.expected) << c.name;

    l.select({1});
    EXPECT_EQ(renameSelectedLabel(*l.doc, "CLK"), Msg::None); // its own name
    EXPECT_EQ(renameSelectedLabel(*l.doc, "DATA"), Msg::LabelNameInUse);
    EXPECT_EQ(renameSelectedLabel(*l.doc, "SCK"), Msg::None);
    EXPECT_EQ(l.text(), "QV_Function SCK:7* DATA:3,2");
    l.select({0});
    EXPECT_EQ(renameSelectedLabel(*l.doc, "X"), Msg::QvFunctionCanNotModify);
    EXPECT_FALSE(l.doc->canUndoLabels()); // renaming keeps no snapshot
}

TEST(LabelOps, AddAllLabelsAnsweredNoKeepsReservedChannels) {
    Labels l({{"CH-05", {5}}, {"CLK", {7}}});
    l.doc->usableImage()[3] = channelBit(5) | channelBit(9) | 0x123;
    test::ScriptedPrompt no({Answer::No});
    EXPECT_EQ(addAllLabels(*l.doc, no), Answer::No);
    const std::vector<ViewRow> rows = viewRows(l.table());
    ASSERT_EQ(rows.size(), 1u + 2 + 48);
    EXPECT_EQ(l.text().substr(0, 55), "QV_Function CH-05:5 CLK:7 CH-00:0 CH-01:1 CH-02:2 CH-03");
    EXPECT_EQ(l.text().find("CH-07"), std::string::npos);
    EXPECT_EQ(l.doc->usableImage()[3], channelBit(5) | 0x123); // the new channel's bit only

    test::ScriptedPrompt yes({Answer::Yes}), cancel({Answer::Cancel});
    EXPECT_EQ(addAllLabels(*l.doc, cancel), Answer::Cancel);
    EXPECT_EQ(viewRows(l.table()).size(), 51u);
    EXPECT_EQ(addAllLabels(*l.doc, yes), Answer::Yes);
    EXPECT_EQ(l.text().substr(0, 32), "QV_Function CH-00:0 CH-01:1 CH-0");
    EXPECT_EQ(l.doc->usableImage()[3], 0u);
    ASSERT_TRUE(l.doc->undoLabels());
    EXPECT_EQ(viewRows(l.table()).size(), 51u);

    // No data label: nothing to ask, the waveform stays (a table without even the command label too).
    Labels none({});
    none.table().fill(LabelRecord{});
    none.doc->usableImage()[0] = 0x123;
    test::ScriptedPrompt unasked;
    EXPECT_EQ(addAllLabels(*none.doc, unasked), Answer::Yes);
    EXPECT_TRUE(unasked.asked.empty());
    EXPECT_EQ(none.doc->usableImage()[0], 0x123u);
    EXPECT_EQ(viewRows(none.table()).size(), 50u);
}

TEST(LabelOps, DecomposeDeleteAndDeleteAll) {
    Labels l({{"DATA", {3, 2, 1, 0}}, {"CLK", {7}}});
    l.select({1});
    EXPECT_EQ(decomposeSelectedLabels(*l.doc), Msg::None);
    EXPECT_EQ(l.text(), "QV_Function DATA-03:3* DATA-02:2* DATA-01:1* DATA-00:0* CLK:7");

    Labels clash({{"BUS", {1, 0}}, {"BUS-00", {7}}});
    clash.select({1});
    EXPECT_EQ(decomposeSelectedLabels(*clash.doc), Msg::LabelNameInUse);
    EXPECT_EQ(clash.text(), "QV_Function BUS:1,0* BUS-00:7");

    l.select({0, 2, 5});
    deleteSelectedLabels(*l.doc);
    EXPECT_EQ(l.text(), "QV_Function DATA-03:3 DATA-01:1 DATA-00:0");
    deleteAllLabels(*l.doc);
    EXPECT_EQ(l.text(), "QV_Function");
    deleteAllLabels(*l.doc);
    EXPECT_EQ(l.text(), "QV_Function");
}

TEST(LabelOps, AddLabelAndPods) {
    Labels l({{"CH-09", {9}}}, 0xB016); // 16 channels, 8 a POD
    struct Case {
        unsigned pods;
        Msg expected;
    } cases[] = {{1u << 2, Msg::TooManyLabelChannels}, {1u << 1, Msg::LabelNameInUse}};
    for (const Case& c : cases) EXPECT_EQ(addPods(*l.doc, c.pods), c.expected);
    EXPECT_EQ(l.text(), "QV_Function CH-09:9");

    Labels fresh({}, 0xB016);
    fresh.doc->usableImage()[0] = channelBit(12);
    EXPECT_EQ(addPods(*fresh.doc, 1u << 1), Msg::None);
    EXPECT_EQ(fresh.text(), "QV_Function CH-08:8 CH-09:9 CH-10:10 CH-11:11 CH-12:12 CH-13:13 CH-14:14 CH-15:15");
    EXPECT_EQ(fresh.doc->usableImage()[0], 0u);

    int row = -1;
    EXPECT_EQ(addLabel(*fresh.doc, {"X", 16, 15}, row), Msg::TooManyLabelChannels);
    EXPECT_EQ(addLabel(*fresh.doc, {"X", 3, 9}, row), Msg::None);
    EXPECT_EQ(row, 9);
}

TEST(LabelOps, BusDialogAndDragging) {
    Labels l({{"A", {0}}, {"B", {1}}, {"C", {2}}});
    BusLabelSetting bus{"BUS", GroupType::Bin, 10, {}};
    for (int c : {5, 3, 4, 3, 3}) bus.order.press(c); // 5, 4, 3
    EXPECT_EQ(busDialogChannels(l.table(), BusDialogMode::AddBus, 6), (std::vector<int>{3, 4, 5}));
    l.select({2});
    EXPECT_EQ(applyBusLabel(*l.doc, BusDialogMode::AddBus, bus, {}), Msg::None);
    EXPECT_EQ(l.text(), "QV_Function A:0 BUS:3,4,5 B:1* C:2");

    l.select({1, 3});
    l.doc->usableImage()[4] = channelBit(0) | channelBit(1) | channelBit(2); // Combine keeps the waveform
    const std::vector<int> enabled = busDialogChannels(l.table(), BusDialogMode::Combine, 50);
    BusLabelSetting group{"AB", GroupType::Hex, 15, {{0}}};
    EXPECT_EQ(applyBusLabel(*l.doc, BusDialogMode::Combine, group, enabled), Msg::SomeChannelMissing);
    group.order.allOn(enabled);
    EXPECT_EQ(applyBusLabel(*l.doc, BusDialogMode::Combine, group, enabled), Msg::None);
    EXPECT_EQ(l.text(), "QV_Function AB:1,0 BUS:3,4,5 C:2");
    EXPECT_EQ(l.doc->usableImage()[4], channelBit(0) | channelBit(1) | channelBit(2));

    bool rename = true;
    EXPECT_EQ(dropLabelOnto(*l.doc, 3, 1, rename), Msg::None); // C onto AB: AB keeps its name and leads
    EXPECT_FALSE(rename);
    EXPECT_EQ(l.text(), "QV_Function AB:1,0,2 BUS:3,4,5");
    EXPECT_EQ(dropLabelOnto(*l.doc, 0, 2, rename), Msg::CantCombineQvFunction);
    dropLabelsBetween(*l.doc, 2, 0);
    EXPECT_EQ(l.text(), "BUS:3,4,5 QV_Function AB:1,0,2");
}

TEST(LabelOps, LabelSettingCountsMixedValuesAsUnchanged) {
    Labels l({{"A", {0}}, {"B", {1}}});
    l.table()[13].colour = 9;
    l.select({1, 2});
    LabelSettingValues opened;
    ASSERT_EQ(openLabelSetting(l.table(), opened), Msg::None);
    EXPECT_TRUE(opened.colourMixed);
    EXPECT_FALSE(opened.nameEnabled);
    LabelSettingValues chosen = opened;
    chosen.type = GroupType::Dec;
    EXPECT_EQ(applyLabelSetting(*l.doc, opened, chosen, true, false), Msg::None);
    EXPECT_EQ(l.table()[12].colour, 15);
    EXPECT_EQ(l.table()[13].colour, 9);
    EXPECT_EQ(l.table()[13].groupType, 1);
    EXPECT_EQ(l.text(), "QV_Function A:0 B:1");
    l.select({0, 1});
    EXPECT_EQ(openLabelSetting(l.table(), opened), Msg::QvFunctionCanNotModify);
}

TEST(LabelOps, ContextMenuPerSelection) {
    using C = LabelSelectionCase;
    Labels l({{"A", {0}}, {"B", {1}}, {"BUS", {3, 2}}});
    struct Case {
        std::initializer_list<int> rows;
        C expected;
    } cases[] = {{{}, C::Nothing},      {{1}, C::OneSingle},         {{3}, C::OneBus},
                 {{0}, C::CommandOnly}, {{1, 2}, C::SeveralSingles}, {{1, 3}, C::SeveralWithBuses},
                 {{0, 1}, C::Mixed}};
    for (const Case& c : cases) {
        l.select(c.rows);
        EXPECT_EQ(labelSelectionCase(l.table()), c.expected);
    }
    auto commands = [](C selection) {
        std::string out;
        for (const LabelMenuEntry& e : labelContextMenu(selection, false)) {
            if (!out.empty()) out += ' ';
            out += std::to_string(e.command % 100);
            if (!e.enabled) out += '-';
        }
        return out;
    };
    EXPECT_EQ(commands(C::Nothing), "12- 0 13 37 14- 15 16");
    EXPECT_EQ(commands(C::OneBus), "12- 0 13 37 14 15 16 0 20 21 0 18 35");
    EXPECT_EQ(commands(C::SeveralWithBuses), "12- 0 13 14 15 16- 0 19 20 0 36");
    EXPECT_EQ(commands(C::Mixed), "12- 0 13 14- 15 16- 0 36");
}

TEST(LabelOps, LimitsColoursTypesAndBusPositions) {
    // The table holds maxLabels records: filled to exactly that by a POD it takes it, one more not.
    for (int spare : {0, -1}) {
        Labels l({}, 0xB016); // 8 channels a POD
        int next = labelRecordCount(l.table());
        const int one[] = {0};
        for (int k = 0; next < maxLabels - 8 + (spare < 0 ? 1 : 0); ++k)
            next = appendSignalLabel(l.table(), next, std::to_string(k) + 'F', one);
        EXPECT_EQ(addPods(*l.doc, 1u << 1), spare == 0 ? Msg::None : Msg::TooManyLabelChannels) << spare;
        EXPECT_EQ(labelRecordCount(l.table()), spare == 0 ? maxLabels : maxLabels - 7);
    }
    Labels l({{"A", {0}}, {"B", {1}}, {"C", {2}}});
    int row = -1;
    ASSERT_EQ(addLabel(*l.doc, {"D", 3, 9}, row), Msg::None);
    EXPECT_EQ(l.table()[15].colour, 9);

    // Types: mixed only when they differ; an unpicked type is written unless it was mixed.
    l.table()[13].groupType = static_cast<int>(GroupType::Bin);
    for (bool mixed : {false, true}) {
        l.table()[12].groupType = static_cast<int>(mixed ? GroupType::Dec : GroupType::Bin);
        l.select({1, 2});
        LabelSettingValues opened;
        ASSERT_EQ(openLabelSetting(l.table(), opened), Msg::None);
        EXPECT_EQ(opened.typeMixed, mixed);
        LabelSettingValues chosen = opened;
        chosen.type = GroupType::Hex;
        ASSERT_EQ(applyLabelSetting(*l.doc, opened, chosen, false, false), Msg::None);
        EXPECT_EQ(l.table()[13].groupType, static_cast<int>(mixed ? GroupType::Bin : GroupType::Hex)) << mixed;
        l.table()[13].groupType = static_cast<int>(GroupType::Bin);
    }

    // Combined by a drop, the records are renumbered: head, middle, last.
    bool rename = false;
    ASSERT_EQ(dropLabelOnto(*l.doc, 2, 1, rename), Msg::None);
    ASSERT_EQ(dropLabelOnto(*l.doc, 2, 1, rename), Msg::None);
    EXPECT_EQ(l.text(), "QV_Function A:0,1,2 D:3");
    EXPECT_EQ(l.table()[12].positionCode, positionBusHead);
    EXPECT_EQ(l.table()[13].positionCode, positionBusHead + 1);
    EXPECT_EQ(l.table()[14].positionCode, positionBusLast);
    EXPECT_EQ(l.table()[15].positionCode, positionSingle);
}

} // namespace
} // namespace qv
