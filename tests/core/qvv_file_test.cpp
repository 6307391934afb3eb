#include "waveedit/qvv_reader.h"
#include "waveedit/qvv_writer.h"
#include "waveedit/qvw_file.h"
#include "waveedit/waveform_files.h"

#include "scripted_prompt.h"
#include "temp_folder.h"
#include "support/channel_list.h"
#include "waveedit/labels.h"

#include "label_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace qv {
namespace {

using test::labelRecord;

using test::readBytes;
using test::readText;
using test::ScriptedPrompt;
using test::TempFolder;
using test::writeBytes;

// Appends a label over channels (most significant first).
int addLabel(LabelTable& t, int next, const char* name, std::vector<int> channels, GroupType type = GroupType::Hex) {
    const int n = static_cast<int>(channels.size());
    for (int k = 0; k < n; ++k) {
        int position = n == 1 ? positionSingle : k == n - 1 ? positionBusLast : positionBusHead + k;
        t[next++] = labelRecord(12 + channels[k], position, name, static_cast<int>(type));
    }
    return next;
}

std::unique_ptr<Document> emptyDocument() {
    auto doc = Document::create(capabilitiesFor(0xA020), true);
    EXPECT_NE(doc, nullptr);
    doc->labels().fill(LabelRecord{});
    return doc;
}

Sample channels(std::initializer_list<int> list) {
    Sample s = 0;
    for (int c : list) s |= channelBit(c);
    return s;
}

// Channels whose list text has exactly the given length (155 to 164): 10..51 in a scattered
// order, then as many command bits (negative channels) as the length asks for.
std::vector<int> listOfLength(int length) {
    std::vector<int> list;
    for (int c = 10; c < 52; c += 2) list.push_back(c);
    for (int c = 11; c < 52; c += 2) list.push_back(c); // 42 numbers: 125 characters
    for (int c = -12; c <= -10; ++c) list.push_back(c); // 137
    int c = -9;
    while (static_cast<int>(channelListText(list).size()) + 3 <= length - 2 && c < 0) list.push_back(c++);
    for (int d = 0; static_cast<int>(channelListText(list).size()) < length; ++d) list.push_back(d);
    EXPECT_EQ(static_cast<int>(channelListText(list).size()), length);
    return list;
}

// The example of the file format: QV_Function, CLK (1 bit), DATA (8 bits, DEC), a jump to sample
// 20 placed at samples 2 to 4 while CLK is 1 and DATA is 200.
TEST(QvvWriter, ExampleFileByteForByte) {
    auto doc = emptyDocument();
    int next = writeDefaultCommandLabel(doc->labels());
    next = addLabel(doc->labels(), next, "CLK", {0});
    addLabel(doc->labels(), next, "DATA", {8, 7, 6, 5, 4, 3, 2, 1}, GroupType::Dec);
    const Sample data = channelBit(0) | (Sample{200} << 13);
    doc->image()[2] = data | 0x820;
    doc->image()[3] = data | 0x200;
    doc->image()[4] = data | 0x100;
    std::string text;
    ASSERT_EQ(qvvText(*doc, 0, text), Msg::None);
    const std::string expected = "INPUTS QV_Function CLK DATA;\r\n"
                                 "ASSIGN CLK 0;\r\n"
                                 "ASSIGN DATA 8..1;\r\n"
                                 "RADIX AUTO;\r\n"
                                 "FREQUENCYMODE INTERNAL;\r\n"
                                 "FREQUENCY 10 MHz;\r\n"
                                 "PATTERN\r\n"
                                 "000h 0   0 \t// 00000:\t\r\n"
                                 "000h 0   0 \t// 00001:\t\r\n"
                                 "820h 1 200 \t// 00002:\t(MOV RL, 32)\r\n"
                                 "200h 1 200 \t// 00003:\t(MOV RH, 0)\r\n"
                                 "100h 1 200 \t// 00004:\tJP 20\r\n"
                                 "000h 0   0 \t// 00005:\t\r\n"
                                 ";";
    EXPECT_EQ(text, expected);
    TempFolder folder;
    ASSERT_EQ(saveQvv(folder.file("x.qvv"), *doc), Msg::None);
    EXPECT_EQ(readText(folder.file("x.qvv")), expected);
}

// The listing forms belong to the command label: a document without one lists no commands.
TEST(QvvWriter, MnemonicsOnlyWithACommandLabel) {
    for (bool withCommandLabel : {true, false}) {
        auto doc = emptyDocument();
        addLabel(doc->labels(), withCommandLabel ? writeDefaultCommandLabel(doc->labels()) : 0, "CLK", {0});
        doc->image()[2] = 0x820;
        doc->image()[3] = 0x200;
        doc->image()[4] = 0x100 | channelBit(0);
        std::string text;
        ASSERT_EQ(qvvText(*doc, 0, text), Msg::None);
        const std::string line4 = withCommandLabel ? "100h 1 \t// 00004:\tJP 20\r\n" : "1 \t// 00004:\t\r\n";
        EXPECT_NE(text.find("PATTERN\r\n"), std::string::npos);
        EXPECT_NE(text.find(line4), std::string::npos) << text;
        EXPECT_EQ(text.find("(MOV RL, 32)") != std::string::npos, withCommandLabel);
    }
}

TEST(QvvWriter, ValueFormsByGroupType) {
    auto doc = emptyDocument();
    int next = 0;
    next = addLabel(doc->labels(), next, "H", {3, 2, 1, 0, 4}, GroupType::Hex); // 5 bits: 2 hex digits
    next = addLabel(doc->labels(), next, "O", {9, 8, 7, 6}, GroupType::Oct); // 4 bits: 2 octal digits
    next = addLabel(doc->labels(), next, "B", {12, 11, 10}, GroupType::Bin);
    next = addLabel(doc->labels(), next, "D", {20, 19, 18, 17, 16, 15, 14, 13, 5}, GroupType::Dec); // 512: 3 digits
    next = addLabel(doc->labels(), next, "A", {30, 29, 28, 27, 26, 25, 24, 23, 22}, GroupType::Asc);
    addLabel(doc->labels(), next, "S", {40}, GroupType::Bin); // one bit: no suffix
    // H = 0b10111 = 17h, O = 0b1111 = 17o, B = 101b, D = 0b111111111 = 511, A = 0x1FF, S = 1
    doc->image()[0] = channels(
        {3, 1, 0, 4, 9, 8, 7, 6, 12, 10, 20, 19, 18, 17, 16, 15, 14, 13, 5, 30, 29, 28, 27, 26, 25, 24, 23, 22, 40});
    std::string text;
    ASSERT_EQ(qvvText(*doc, 0, text), Msg::None);
    EXPECT_NE(text.find("PATTERN\r\n17h 17o 101b 511 1FFh 1 \t// 00000:\t\r\n"
                        "00h 00o 000b   0 000h 0 \t// 00001:\t\r\n;"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("ASSIGN H 3,2,1,0,4;\r\nASSIGN O 9..6;\r\nASSIGN B 12..10;\r\n"), std::string::npos);
}

TEST(QvvWriter, FrequencyStatements) {
    struct Case {
        int mode;
        int cardType;
        int frequency;
        const char* expected; // the text from FREQUENCYMODE up to PATTERN
    } cases[] = {
        {1, 0, 10000000, "FREQUENCYMODE INTERNAL;\r\nFREQUENCY 10 MHz;\r\nPATTERN"},
        {1, 0, 12500000, "FREQUENCYMODE INTERNAL;\r\nFREQUENCY 12.5 MHz;\r\nPATTERN"},
        {3, 0, 800000, "FREQUENCYMODE INTERNAL & CKI1;\r\nFREQUENCY 800 KHz;\r\nPATTERN"},
        {2, 0, 5000000, "FREQUENCYMODE CKI1;\r\nPATTERN"},
        {4, 0, 65, "FREQUENCYMODE CKI2;\r\nPATTERN"},
        {4, 18, 65, "FREQUENCYMODE CKI2;\r\nFREQUENCY 65 Hz;\r\nPATTERN"},
        {10, 18, 65, "FREQUENCYMODE !CKI1;\r\nPATTERN"},
        {14, 0, 65, "FREQUENCYMODE !(CKI1 & CKI2);\r\nPATTERN"},
        {15, 0, 1234567, "FREQUENCYMODE !(INTERNAL & CKI1 & CKI2);\r\nFREQUENCY 1.234567 MHz;\r\nPATTERN"},
        {0, 0, 1000, "FREQUENCYMODE  ;\r\nFREQUENCY 1 KHz;\r\nPATTERN"},
        {8, 0, 1000, "FREQUENCYMODE  ;\r\nFREQUENCY 1 KHz;\r\nPATTERN"},
        {1, 0, 0, "FREQUENCYMODE INTERNAL;\r\nPATTERN"}, // no text that reads back: no statement
        {1, 0, -5, "FREQUENCYMODE INTERNAL;\r\nPATTERN"},
    };
    for (const Case& c : cases) {
        auto doc = emptyDocument();
        doc->output().frequencyMode = c.mode;
        doc->output().baseFrequency = c.frequency;
        std::string text;
        ASSERT_EQ(qvvText(*doc, c.cardType, text), Msg::None);
        EXPECT_NE(text.find(std::string("INPUTS;\r\nRADIX AUTO;\r\n") + c.expected), std::string::npos) << text;
    }
}

TEST(QvvWriter, PatternEndsAtTheFinalConstantRun) {
    auto doc = emptyDocument();
    addLabel(doc->labels(), 0, "A", {0});
    struct Case {
        std::vector<std::pair<int, int>> ranges; // samples [first, last] set to 1
        int lines;
    } cases[] = {
        {{}, 1}, // constant zero
        {{{0, 65511}}, 1}, // constant one
        {{{10, 10}}, 12}, // sample 11 starts the final run
        {{{5, 65511}}, 6}, // the final run of ones starts at 5
        {{{65511, 65511}}, 65512}, // the last sample differs
    };
    for (const Case& c : cases) {
        std::fill(doc->usableImage().begin(), doc->usableImage().end(), 0);
        for (auto [first, last] : c.ranges)
            for (int i = first; i <= last; ++i) doc->image()[i] = channelBit(0);
        EXPECT_EQ(qvvPatternLines(*doc), c.lines);
        std::string text;
        ASSERT_EQ(qvvText(*doc, 0, text), Msg::None);
        EXPECT_EQ(static_cast<int>(std::count(text.begin(), text.end(), '\n')), 6 + c.lines); // 6 statement lines
    }
}

TEST(QvvWriter, RefusesWhatTheFormatCannotHold) {
    TempFolder folder;
    const std::string path = folder.file("old.qvv");
    struct Case {
        const char* what;
        std::function<void(LabelTable&)> build;
        Msg expected;
        const char* label = "";
    } cases[] = {
        {"two labels on one bit",
         [](LabelTable& t) {
             addLabel(t, addLabel(t, 0, "A", {3}), "B", {4, 3});
         },
         Msg::NoDuplicateChannel},
        {"a data label on a command bit", [](LabelTable& t) { addLabel(t, writeDefaultCommandLabel(t), "X", {-7}); },
         Msg::NoDuplicateChannel},
        {"two labels with one name", [](LabelTable& t) { addLabel(t, addLabel(t, 0, "A", {3}), "A", {4}); },
         Msg::DuplicateLabelName, "A"},
        {"names alike once written", [](LabelTable& t) { addLabel(t, addLabel(t, 0, "A B", {3}), "A;B", {4}); },
         Msg::DuplicateLabelName, "A;B"},
        {"a data label named QV_Function", [](LabelTable& t) { addLabel(t, 0, "QV_Function", {3}); },
         Msg::DataLabelNamedQvFunction, "QV_Function"},
        {"a command label over a channel",
         [](LabelTable& t) {
             addLabel(t, 0, "any", {1, 0}, GroupType::Command);
         },
         Msg::DataLabelNamedQvFunction, "QV_Function"},
        {"channel list of 160 characters", [](LabelTable& t) { addLabel(t, 0, "WIDE", listOfLength(160)); },
         Msg::FileCanNotCreate},
    };
    for (const Case& c : cases) {
        writeBytes(path, {'o', 'l', 'd'});
        auto doc = emptyDocument();
        c.build(doc->labels());
        normaliseLabels(doc->labels());
        std::string label = "unset";
        EXPECT_EQ(saveQvv(path, *doc, 0, &label), c.expected) << c.what;
        EXPECT_EQ(label, c.label) << c.what;
        EXPECT_EQ(readText(path), "old") << c.what;
        EXPECT_EQ(folder.names().size(), 1u) << c.what;
    }
    // The refusals name what is wrong, in every language, with the label filling the %s.
    for (Msg m : {Msg::DuplicateLabelName, Msg::DataLabelNamedQvFunction})
        for (Language l : {Language::English, Language::TraditionalChinese, Language::SimplifiedChinese})
            EXPECT_NE(text(m, l).find("%s"), std::string_view::npos);
    EXPECT_NE(text(Msg::DuplicateLabelName), text(Msg::NoDuplicateChannel));
    // 159 characters is the longest list a file carries.
    auto doc = emptyDocument();
    addLabel(doc->labels(), 0, "WIDE", listOfLength(159));
    std::string text;
    ASSERT_EQ(qvvText(*doc, 0, text), Msg::None);
    EXPECT_NE(text.find("ASSIGN WIDE " + channelListText(listOfLength(159)) + ";"), std::string::npos);
}

// A command label narrower than the 12 command bits is written as the whole command field: the
// reader maps its value onto bits 11..0, and .qvw -> .qvv -> .qvw keeps every labelled bit.
TEST(QvvFile, NarrowCommandLabelKeepsItsBits) {
    TempFolder folder;
    struct Case {
        const char* what;
        std::vector<int> commandBits; // as channels: bit - 12
    } cases[] = {
        {"bits 11..6", {-1, -2, -3, -4, -5, -6}},
        {"bits 3..0", {-9, -10, -11, -12}},
        {"one bit, 5", {-7}},
        {"scattered bits 9, 2, 7", {-3, -10, -5}},
    };
    for (const Case& c : cases) {
        auto doc = emptyDocument();
        int next = addLabel(doc->labels(), 0, "QV_Function", c.commandBits, GroupType::Command);
        addLabel(doc->labels(), next, "CLK", {0});
        Sample labelled = channelBit(0);
        for (int channel : c.commandBits) labelled |= Sample{1} << (channel + 12);
        for (int i = 0; i < 64; ++i) doc->image()[i] = (static_cast<Sample>(i) * 0x9E3779B97F4A7C15ULL) & labelled;
        ASSERT_EQ(saveQvw(folder.file("n.qvw"), *doc), Msg::None);
        auto fromQvw = emptyDocument();
        ScriptedPrompt prompt;
        ASSERT_EQ(loadQvw(folder.file("n.qvw"), *fromQvw, prompt), Msg::None);
        ASSERT_EQ(saveQvv(folder.file("n.qvv"), *fromQvw), Msg::None) << c.what;
        auto fromQvv = emptyDocument();
        ASSERT_EQ(loadQvv(folder.file("n.qvv"), *fromQvv), Msg::None) << c.what;
        ASSERT_EQ(saveQvw(folder.file("m.qvw"), *fromQvv), Msg::None);
        auto again = emptyDocument();
        ASSERT_EQ(loadQvw(folder.file("m.qvw"), *again, prompt), Msg::None);
        for (int i = 0; i < 64; ++i) ASSERT_EQ(again->image()[i] & labelled, doc->image()[i]) << c.what << " " << i;
    }
}

// Not a waveform, though named .qvv: refused, and the document stays as it was.
TEST(QvvFile, FilesWithoutAStatementAreRefused) {
    TempFolder folder;
    const std::vector<std::uint8_t> binary = {0x4D, 0x5A, 0x90, 0x00, 0x03, 0x00, 0xFF, 0xFF, 0x00, 0xB8, 0x3B};
    const std::string prose = "Minutes of the meeting; nothing was decided; next week again.\r\n";
    const std::string radixOnly = "RADIX HEX; FREQUENCY 10 MHz;";
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"binary", binary},
        {"prose", {prose.begin(), prose.end()}},
        {"empty", {}},
        {"settings only", {radixOnly.begin(), radixOnly.end()}},
    };
    for (const Case& c : cases) {
        writeBytes(folder.file("x.qvv"), c.bytes);
        auto doc = emptyDocument();
        int next = writeDefaultCommandLabel(doc->labels());
        addLabel(doc->labels(), next, "CLK", {0});
        doc->image()[7] = channelBit(0);
        ScriptedPrompt prompt;
        EXPECT_EQ(openWaveformFile(folder.file("x.qvv"), *doc, prompt), Msg::NoQvWaveformFile) << c.what;
        EXPECT_EQ(labelRecordCount(doc->labels()), 13) << c.what;
        EXPECT_EQ(doc->image()[7], channelBit(0)) << c.what;
    }
    // One statement that names signals or the pattern is enough: a document without labels.
    writeBytes(folder.file("y.qvv"), {'I', 'N', 'P', 'U', 'T', 'S', ';', 'P', 'A', 'T', 'T', 'E', 'R', 'N', ';'});
    auto doc = emptyDocument();
    EXPECT_EQ(loadQvv(folder.file("y.qvv"), *doc), Msg::None);
}

// Bus width: a signal table entry holds 50 bits.
TEST(QvvFile, BusesUpToFiftyBitsOpen) {
    TempFolder folder;
    for (int bits : {50, 51}) {
        std::string file = "INPUTS B; ASSIGN B 0.." + std::to_string(bits - 1) + "; PATTERN\n";
        file += std::string(static_cast<std::size_t>((bits + 3) / 4), 'F') + "h\n;";
        writeBytes(folder.file("b.qvv"), {file.begin(), file.end()});
        auto doc = emptyDocument();
        Msg m = loadQvv(folder.file("b.qvv"), *doc);
        if (bits == 50) {
            ASSERT_EQ(m, Msg::None);
            EXPECT_EQ(labelRecordCount(doc->labels()), 50);
            EXPECT_EQ(doc->image()[0], ((Sample{1} << 50) - 1) << 12);
        } else {
            EXPECT_EQ(m, Msg::NoQvWaveformFile);
            EXPECT_EQ(labelRecordCount(doc->labels()), 0);
        }
    }
}

TEST(QvvWriter, NamesThatTheStatementsCannotCarry) {
    auto doc = emptyDocument();
    int next = addLabel(doc->labels(), 0, "A B", {0});
    next = addLabel(doc->labels(), next, "", {1});
    next = addLabel(doc->labels(), next, "x;%y", {2});
    next = addLabel(doc->labels(), next, "D/C", {3});
    addLabel(doc->labels(), next, "a//b", {4});
    doc->image()[0] = channels({1, 4});
    std::string text;
    ASSERT_EQ(qvvText(*doc, 0, text), Msg::None);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "INPUTS A_B _ x__y D/C a__b;");
    TempFolder folder;
    ASSERT_EQ(saveQvv(folder.file("n.qvv"), *doc), Msg::None);
    auto back = emptyDocument();
    ASSERT_EQ(loadQvv(folder.file("n.qvv"), *back), Msg::None);
    EXPECT_EQ(back->image()[0], channels({1, 4})); // every value under its own label
    EXPECT_STREQ(back->labels()[1].name, "_");
}

TEST(QvvWriter, ChannelListsInAssign) {
    struct Case {
        std::vector<int> channels;
        const char* line;
    } cases[] = {
        {{3, 7}, "ASSIGN P 3,7;"}, {{7, 6, 5}, "ASSIGN P 7..5;"},  {{10, 11}, "ASSIGN P 10..11;"},
        {{49}, "ASSIGN P 49;"},    {{1, 2, 4}, "ASSIGN P 1,2,4;"}, {{5, 4, 5}, "ASSIGN P 5,4,5;"},
    };
    for (const Case& c : cases) {
        auto doc = emptyDocument();
        addLabel(doc->labels(), 0, "P", c.channels);
        std::string text;
        Msg m = qvvText(*doc, 0, text);
        if (c.channels == std::vector<int>{5, 4, 5}) {
            EXPECT_EQ(m, Msg::NoDuplicateChannel); // a bus naming one bit twice
            continue;
        }
        ASSERT_EQ(m, Msg::None);
        EXPECT_EQ(text.substr(0, text.find("RADIX")), std::string("INPUTS P;\r\n") + c.line + "\r\n");
    }
}

// .qvw -> .qvv -> .qvw: the samples of every labelled bit, the labels' names, bits and order, the
// base frequency and the frequency mode come back.
TEST(QvvFile, RoundTripThroughBothFormats) {
    TempFolder folder;
    auto doc = emptyDocument();
    int next = writeDefaultCommandLabel(doc->labels());
    next = addLabel(doc->labels(), next, "CLK", {0});
    next = addLabel(doc->labels(), next, "DATA", {8, 7, 6, 5, 4, 3, 2, 1}, GroupType::Dec);
    next = addLabel(doc->labels(), next, "ADDR", {20, 22, 21}, GroupType::Oct);
    next = addLabel(doc->labels(), next, "NIB", {30, 31, 32, 33}, GroupType::Bin);
    next = addLabel(doc->labels(), next, "WIDE", {49, 48, 47, 46, 45, 44, 43, 42, 41, 40, 39, 38, 37, 36, 35, 34});
    next = addLabel(doc->labels(), next, "PORT", {50});
    Sample mask = commandMask;
    for (int i = 0; i < next; ++i) mask |= Sample{1} << doc->labels()[i].bitIndex;
    std::uint64_t x = 88172645463325252ULL;
    for (int i = 0; i < 3000; ++i) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        doc->image()[i] = x & mask;
    }
    std::fill(doc->image() + 3000, doc->image() + doc->usableSamples(), doc->image()[2999]);
    doc->output().baseFrequency = 12345678;
    doc->output().frequencyMode = 13;

    ASSERT_EQ(saveQvw(folder.file("a.qvw"), *doc), Msg::None);
    auto fromQvw = emptyDocument();
    ScriptedPrompt prompt;
    ASSERT_EQ(loadQvw(folder.file("a.qvw"), *fromQvw, prompt), Msg::None);
    ASSERT_EQ(saveQvv(folder.file("a.qvv"), *fromQvw), Msg::None);
    auto fromQvv = emptyDocument();
    ASSERT_EQ(loadQvv(folder.file("a.qvv"), *fromQvv), Msg::None);
    ASSERT_EQ(saveQvw(folder.file("b.qvw"), *fromQvv), Msg::None);
    auto again = emptyDocument();
    ASSERT_EQ(loadQvw(folder.file("b.qvw"), *again, prompt), Msg::None);

    for (const Document* d : {fromQvw.get(), fromQvv.get(), again.get()}) {
        ASSERT_TRUE(std::equal(doc->usableImage().begin(), doc->usableImage().end(), d->usableImage().begin()));
        EXPECT_EQ(d->output().baseFrequency, 12345678);
        EXPECT_EQ(d->output().frequencyMode, 13);
        ASSERT_EQ(labelRecordCount(d->labels()), next);
        for (int i = 0; i < next; ++i) {
            EXPECT_EQ(d->labels()[i].bitIndex, doc->labels()[i].bitIndex) << i;
            EXPECT_EQ(d->labels()[i].positionCode, doc->labels()[i].positionCode) << i;
            EXPECT_STREQ(d->labels()[i].name, doc->labels()[i].name) << i;
        }
    }
    // A text file rebuilds the command label with colour 12 and every data label as HEX.
    EXPECT_EQ(fromQvv->labels()[0].colour, 12);
    EXPECT_EQ(fromQvv->labels()[0].groupType, 5);
    EXPECT_EQ(fromQvv->labels()[13].groupType, 0);
    // The second text file equals the first apart from the value forms the labels lost.
    ASSERT_EQ(saveQvv(folder.file("b.qvv"), *again), Msg::None);
    auto reread = emptyDocument();
    ASSERT_EQ(loadQvv(folder.file("b.qvv"), *reread), Msg::None);
    EXPECT_TRUE(std::equal(doc->usableImage().begin(), doc->usableImage().end(), reread->usableImage().begin()));
}

} // namespace
} // namespace qv

namespace qv {
namespace {

TEST(WaveformFiles, FormatByNameAndSaveMode) {
    struct Case {
        const char* name;
        bool text;
    } cases[] = {{"a.qvv", true},  {"a.QVV", true}, {"a.Qvv", false}, {"a.qVV", false},
                 {"a.qvw", false}, {"qvv", false},  {".qvv", true},   {"a.qvv.bak", false}};
    for (const Case& c : cases) EXPECT_EQ(isTextVectorFileName(c.name), c.text) << c.name;

    TempFolder folder;
    auto doc = emptyDocument();
    addLabel(doc->labels(), 0, "A", {0});
    doc->image()[1] = channelBit(0);
    ASSERT_EQ(saveWaveformFile(folder.file("a.Qvv"), *doc, saveModeText), Msg::None);
    EXPECT_EQ(readText(folder.file("a.Qvv")).substr(0, 7), "INPUTS ");
    // A mixed-case extension is opened as a binary file, which it is not; a failed open keeps the
    // document and its undo.
    ScriptedPrompt prompt;
    auto other = emptyDocument();
    ASSERT_TRUE(other->saveWaveformUndo(0, 4));
    ASSERT_TRUE(other->saveLabelUndo());
    EXPECT_EQ(openWaveformFile(folder.file("a.Qvv"), *other, prompt), Msg::NoQvWaveformFile);
    EXPECT_TRUE(other->canUndoWaveform());
    EXPECT_FALSE(other->hasSavedFingerprint());
    std::filesystem::rename(folder.file("a.Qvv"), folder.file("a.qvv"));
    // Both formats replace the document: neither undo ring reaches across, and it counts as saved.
    ASSERT_EQ(openWaveformFile(folder.file("a.qvv"), *other, prompt), Msg::None);
    EXPECT_EQ(other->image()[1], channelBit(0));
    EXPECT_FALSE(other->canUndoWaveform());
    EXPECT_FALSE(other->canUndoLabels());
    EXPECT_FALSE(other->differsFromSaved());
    ASSERT_EQ(saveWaveformFile(folder.file("b.qvw"), *doc, saveModeBinary), Msg::None);
    ASSERT_TRUE(other->saveWaveformUndo(0, 4));
    ASSERT_TRUE(other->saveLabelUndo());
    other->image()[9] = 1;
    ASSERT_EQ(openWaveformFile(folder.file("b.qvw"), *other, prompt), Msg::None);
    EXPECT_FALSE(other->canUndoWaveform());
    EXPECT_FALSE(other->canUndoLabels());
    EXPECT_FALSE(other->differsFromSaved());
}

TEST(WaveformFiles, DataLabelsDecideTheOverwriteQuestion) {
    LabelTable t{};
    EXPECT_FALSE(hasDataLabel(t));
    writeDefaultCommandLabel(t);
    EXPECT_FALSE(hasDataLabel(t));
    t[12] = labelRecord(12, positionSingle, "A");
    EXPECT_TRUE(hasDataLabel(t));
}

} // namespace
} // namespace qv
