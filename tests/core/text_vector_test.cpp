#include "converters/text_vector_statements.h"
#include "support/channel_list.h"
#include "waveedit/labels.h"
#include "waveedit/qvv_reader.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace qv {
namespace {

using namespace textvector;
using test::TempFolder;

TEST(ChannelList, ReadAndWrite) {
    struct Case {
        const char* text;
        std::vector<int> channels;
        const char* written;
    } cases[] = {
        {"7..0", {7, 6, 5, 4, 3, 2, 1, 0}, "7..0"},
        {"0..3", {0, 1, 2, 3}, "0..3"},
        {"7,2", {7, 2}, "7,2"},
        {"4,3,2", {4, 3, 2}, "4..2"},
        {"5", {5}, "5"},
        {" 12 ", {12}, "12"},
        {"3..3", {3}, "3"},
        {"2x,5y", {2, 5}, "2,5"},
        {"-3..-1", {-3, -2, -1}, "-3..-1"},
        {"1,3,5", {1, 3, 5}, "1,3,5"},
    };
    for (const Case& c : cases) {
        int buffer[64];
        int n = parseChannelList(c.text, buffer);
        ASSERT_EQ(n, static_cast<int>(c.channels.size())) << c.text;
        EXPECT_EQ(std::vector<int>(buffer, buffer + n), c.channels) << c.text;
        EXPECT_EQ(channelListText(c.channels), c.written);
    }
    int buffer[4];
    EXPECT_EQ(parseChannelList("0..4", buffer), -1); // more than the caller holds
    EXPECT_EQ(parseChannelList("0..2000000000", buffer), -1);
    EXPECT_EQ(parseChannelList("", buffer), -1);
    EXPECT_EQ(parseChannelList("abc", buffer), -1);
    EXPECT_EQ(readLeadingInt("99999999999"), 2147483647);
}

TEST(TextVector, CommentRemoval) {
    struct Case {
        const char* in;
        bool keepLineFeeds;
        const char* out;
    } cases[] = {
        {"A%x\ny%B", true, "A     B"}, // a percent comment blanks every character, line feeds included
        {"A // c %\nB", true, "A       \nB"}, {"A%//%B//x\nC", false, "A    B    C"},
        {"A\tB\r\nC", false, "A B  C"},       {"A\tB\r\nC", true, "A B \nC"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        removeComments(text, c.keepLineFeeds);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST(TextVector, Statements) {
    std::string text = "inputs A B[3..0] C; Radix HEXADECIMAL;\nPATTERN\n1 2 3\n;trailing without end";
    removeComments(text, true);
    StatementReader reader(text);
    Statement st;
    std::vector<std::string> keywords;
    while (reader.next(st)) keywords.push_back(st.keyword);
    EXPECT_EQ(keywords, (std::vector<std::string>{"INPUTS", "RADIX", "PATTERN"}));
    EXPECT_EQ(radixOf("HEXADECIMAL"), 16);
    struct RadixCase {
        const char* body;
        int radix;
    } radixes[] = {{"OCT", 8}, {"bin", 2}, {"HEX", 16}, {"DEC", 10}, {"AUTO", 0}, {"OCTDEC", 8}};
    for (const RadixCase& c : radixes) EXPECT_EQ(radixOf(c.body), c.radix) << c.body;
}

TEST(TextVector, ValuesAndNumbers) {
    struct Case {
        const char* text;
        int radix;
        std::uint64_t value;
    } cases[] = {
        {"1Fh", 0, 31},
        {"101b", 0, 5},
        {"17o", 0, 15},
        {"1F", 0, 1},
        {"  200", 0, 200},
        {"ff", 16, 255},
        {"-1", 10, ~std::uint64_t{0}},
        {"1FH", 0, 1},
        {"012", 8, 10},
        {"", 0, 0},
        // A digit outside the radix ends the number.
        {"1012b", 0, 5},
        {"178o", 0, 15},
        {"12A", 10, 12},
        {"1G", 16, 1},
        {"0129", 8, 10},
        {"19", 2, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(readValue(c.text, c.radix), c.value) << c.text;
    EXPECT_EQ(frequencyOf("2.5MHZ"), 2500000);
    EXPECT_EQ(frequencyOf("12.345678 MHz"), 12345678);
    EXPECT_EQ(frequencyOf("800 KHz"), 800000);
    EXPECT_EQ(frequencyOf("65 Hz"), 65);
    // Numbers whose product does not fit saturate instead of wrapping round.
    constexpr std::int64_t saturated = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(frequencyOf("18446744073710 MHz"), saturated);
    EXPECT_EQ(frequencyOf("99999999999999999999999 KHz"), saturated);
    EXPECT_EQ(scaledDecimal("-9223372036854775807", 1), -saturated);
    EXPECT_EQ(scaledDecimal("9223372036854775806", 1), 9223372036854775806LL);
    EXPECT_EQ(scaledDecimal("21333333333333333330", 1), saturated); // the digit itself would overflow
    EXPECT_EQ(scaledDecimal("9223372036854774.806", 1000), 9223372036854774806LL);
    EXPECT_EQ(scaledDecimal("9223372036854776", 1000), saturated);
    EXPECT_EQ(intervalFrequencyOf("100"), 10000000);
    EXPECT_EQ(intervalFrequencyOf("1.5US"), 666666);
    EXPECT_EQ(intervalFrequencyOf("0"), 0);
    struct ModeCase {
        const char* name;
        int mode;
    } modes[] = {{"INTERNAL", 1}, {"internal & cki1", 3}, {"!(INTERNAL & CKI1 & CKI2)", 15},
                 {" ", 0},        {"!CKI2", 12},          {"CKI3", -1}};
    for (const ModeCase& c : modes) EXPECT_EQ(frequencyModeOf(c.name), c.mode) << c.name;
}

TEST(TextVector, SignalListAllocatesTheLowestFreeChannels) {
    std::vector<ChannelRequest> requests;
    addInputs("A B[3..0] C QV_Function A", requests);
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1].count, 4);
    EXPECT_EQ(requests[3].count, 0);
    std::vector<Signal> signals;
    ASSERT_EQ(buildSignalList(requests, {}, signals), Msg::None);
    EXPECT_EQ(signals[0].channels, std::vector<int>{0});
    EXPECT_EQ(signals[1].channels, (std::vector<int>{4, 3, 2, 1}));
    EXPECT_EQ(signals[2].channels, std::vector<int>{5});
    EXPECT_TRUE(signals[3].commandField);

    std::vector<Assignment> assignments;
    ASSERT_EQ(addAssignment("B[3..0] 3..0", 50, assignments), Msg::None);
    ASSERT_EQ(buildSignalList(requests, assignments, signals), Msg::None);
    EXPECT_EQ(signals[0].channels, std::vector<int>{4}); // 0..3 are taken by B
    // A four-channel signal on 3..0 with value 6 sets channels 2 and 1.
    EXPECT_EQ(patternWord("0 6 0 0", signals, 0), channelBit(2) | channelBit(1));
    EXPECT_EQ(patternWord("1 0 1 ABCh", signals, 0), channelBit(4) | channelBit(5) | 0xABC);
}

TEST(TextVector, AssignmentAndAllocationErrors) {
    struct Case {
        std::vector<std::string> assigns;
        const char* inputs;
        Msg expected;
    } cases[] = {
        {{"QV_Function 11..0"}, "QV_Function", Msg::QvFunctionCanNotBeAssigned},
        {{"A 1", "A 2"}, "A", Msg::NoDuplicateChannel},
        {{"A 1", "B 3,1"}, "A B", Msg::NoDuplicateChannel},
        {{"A 52"}, "A", Msg::ChannelNumberTooBig},
        {{"A -13"}, "A", Msg::ChannelNumberTooBig},
        {{"A -12"}, "A", Msg::None}, // the lowest command bit
        {{"A 51"}, "A", Msg::None},
        {{"A 0..60"}, "A", Msg::TooManyChannels},
        {{}, "A[0..52]", Msg::TooManyChannels},
        {{}, "A[0..51]", Msg::None},
        {{"B 1", "B 1"}, "A", Msg::NoDuplicateChannel}, // repeated name even when not requested
        {{"A 1", "B 1"}, "A", Msg::None}, // B is not an input: its channels do not count
    };
    for (const Case& c : cases) {
        std::vector<Assignment> assignments;
        Msg m = Msg::None;
        for (const std::string& a : c.assigns)
            if (m == Msg::None) m = addAssignment(a, 50, assignments);
        std::vector<ChannelRequest> requests;
        addInputs(c.inputs, requests);
        std::vector<Signal> signals;
        if (m == Msg::None) m = buildSignalList(requests, assignments, signals);
        EXPECT_EQ(m, c.expected) << c.inputs;
    }
}

struct ReadResult {
    int status;
    std::vector<Sample> samples;
    std::vector<SignalEntry> table;
    std::int32_t frequencyAndMode[2] = {-5, -6};
};

ReadResult readFile(const std::string& text, int capacitySamples = 16) {
    TempFolder folder;
    test::writeBytes(folder.file("t.qvv"), std::vector<std::uint8_t>(text.begin(), text.end()));
    ReadResult r;
    r.samples.assign(capacitySamples, 0xDEAD);
    r.table.resize(signalTableEntries);
    r.status = readTextVectorFile(folder.file("t.qvv").c_str(), r.samples.data(), capacitySamples * 8, r.table.data(),
                                  signalTableEntries, r.frequencyAndMode);
    return r;
}

TEST(QvvReader, ReadsSignalsSamplesAndClock) {
    ReadResult r = readFile("INPUTS QV_Function CLK DATA; ASSIGN CLK 0; ASSIGN DATA 8..1;\r\n"
                            "RADIX AUTO;\r\nFREQUENCYMODE INTERNAL & CKI1;\r\nFREQUENCY 12.5 MHz;\r\nPATTERN\r\n"
                            "000h 0   0 \t// 00000:\t\r\n"
                            "820h 1 200 \t// 00001:\t(MOV RL, 32)\r\n"
                            "\r\n"
                            "001h 1   3 \t// 00002:\t\r\n;");
    ASSERT_EQ(r.status, 0);
    EXPECT_STREQ(r.table[0].name, "QV_Function");
    EXPECT_EQ(r.table[0].bitCount, 12);
    EXPECT_EQ(r.table[0].bitIndex[0], 11);
    EXPECT_EQ(r.table[0].bitIndex[11], 0);
    EXPECT_EQ(r.table[1].bitCount, 1);
    EXPECT_EQ(r.table[1].bitIndex[0], 12);
    EXPECT_EQ(r.table[2].bitCount, 8);
    EXPECT_EQ(r.table[2].bitIndex[0], 20);
    EXPECT_EQ(r.table[3].bitCount, 0);
    EXPECT_EQ(r.samples[0], 0u);
    EXPECT_EQ(r.samples[1], 0x820u | channelBit(0) | Sample{200} << 13);
    const Sample last = 0x001u | channelBit(0) | Sample{3} << 13;
    for (int i = 2; i < 16; ++i) EXPECT_EQ(r.samples[i], last) << i; // the last line holds to the end
    EXPECT_EQ(r.frequencyAndMode[0], 12500000);
    EXPECT_EQ(r.frequencyAndMode[1], 3);
}

TEST(QvvReader, ValuesNotInTheFileStayAsTheCallerSetThem) {
    ReadResult r = readFile("INPUTS A;\nPATTERN\n;");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.frequencyAndMode[0], -5);
    EXPECT_EQ(r.frequencyAndMode[1], -6);
    for (Sample s : r.samples) EXPECT_EQ(s, 0u);
}

TEST(QvvReader, Failures) {
    struct Case {
        const char* text;
        int capacity;
        int status;
    } cases[] = {
        {"INPUTS QV_Function; ASSIGN QV_Function 11..0; PATTERN\n0\n;", 16, textVectorMalformed},
        {"INPUTS A B; ASSIGN A 1; ASSIGN B 1; PATTERN\n0\n;", 16, textVectorMalformed},
        {"INPUTS A; FREQUENCYMODE SOMETIMES; PATTERN\n0\n;", 16, textVectorMalformed},
        {"INPUTS A; FREQUENCY 0; PATTERN\n0\n;", 16, textVectorMalformed},
        {"INPUTS A; FREQUENCY 3000 MHz; PATTERN\n0\n;", 16, textVectorMalformed},
        {"INPUTS A; FREQUENCY 2147.483647 MHz; PATTERN\n0\n;", 16, textVectorOk},
        {"INPUTS A; FREQUENCY 2147.483648 MHz; PATTERN\n0\n;", 16, textVectorMalformed},
        {"INPUTS A; FREQUENCY 18446744073710 MHz; PATTERN\n0\n;", 16, textVectorMalformed}, // x 10^6 wraps to 448384
        {"INPUTS A; FREQUENCY 36893488147419104 KHz; PATTERN\n0\n;", 16, textVectorMalformed},
        {"INPUTS A; PATTERN\n0 > 1\n;", 16, textVectorMalformed},
        {"INPUTS A; PATTERN\n0\n1\n0\n;", 2, textVectorTooLong},
        {"INPUTS A; PATTERN\n0\n1\n;", 2, textVectorOk},
        {"INPUTS A[0..51]; ASSIGN A 0..51; PATTERN\n0\n;", 16, textVectorMalformed}, // 52 bits > 50 per entry
        {"no statements at all", 16, textVectorMalformed},
    };
    for (const Case& c : cases) EXPECT_EQ(readFile(c.text, c.capacity).status, c.status) << c.text;
    std::vector<Sample> samples(4);
    std::vector<SignalEntry> table(signalTableEntries);
    std::int32_t fm[2];
    EXPECT_EQ(readTextVectorFile("/no/such/file.qvv", samples.data(), 32, table.data(), 202, fm), textVectorCannotOpen);
    // 202 entries hold 201 signals and the terminator.
    std::string many = "INPUTS";
    for (int i = 0; i < 202; ++i) many += " S" + std::to_string(i);
    EXPECT_EQ(readFile(many + "; PATTERN\n;").status, textVectorMalformed);
}

// The reader keeps room for the terminating entry in a table of any size its caller gives.
TEST(QvvReader, SignalTableFilledToTheCallersSize) {
    for (int limit : {1, 4, 40}) { // at most 52 one-channel signals fit the sample
        for (int signals : {limit - 1, limit}) {
            std::string file = "INPUTS";
            for (int i = 0; i < signals; ++i) file += " S" + std::to_string(i);
            file += "; PATTERN\n;";
            std::vector<SignalEntry> table(static_cast<std::size_t>(limit) + 1);
            for (SignalEntry& e : table) e.bitCount = 7; // what a caller's table may hold before
            std::vector<Sample> samples(4);
            std::int32_t fm[2] = {};
            int status = readTextVector(file, samples, std::span(table).first(limit), fm) == Msg::None ? 0 : 1;
            SCOPED_TRACE(std::to_string(limit) + " entries, " + std::to_string(signals) + " signals");
            if (signals < limit) {
                ASSERT_EQ(status, 0);
                EXPECT_EQ(table[static_cast<std::size_t>(signals)].bitCount, 0); // the terminator
            } else {
                EXPECT_NE(status, 0);
            }
            EXPECT_EQ(table[static_cast<std::size_t>(limit)].bitCount, 7); // never written past the table
        }
    }
}

TEST(QvvReader, LabelsFromTheSignalTable) {
    std::vector<SignalEntry> table(signalTableEntries);
    std::strcpy(table[0].name, "QV_Function");
    table[0].bitCount = 12;
    for (int b = 0; b < 12; ++b) table[0].bitIndex[b] = 11 - b;
    std::strcpy(table[1].name, "A");
    table[1].bitCount = 1;
    table[1].bitIndex[0] = 30;
    std::strcpy(table[2].name, "B");
    table[2].bitCount = 2;
    table[2].bitIndex[0] = 40;
    table[2].bitIndex[1] = 41;
    LabelTable labels{};
    ASSERT_EQ(labelsFromSignalTable(table, labels), Msg::None);
    ASSERT_EQ(labelRecordCount(labels), 15);
    EXPECT_EQ(labels[0].groupType, 5);
    EXPECT_EQ(labels[0].colour, 12);
    EXPECT_EQ(labels[11].positionCode, positionBusLast);
    EXPECT_EQ(labels[12].positionCode, positionSingle);
    EXPECT_EQ(labels[12].colour, 15);
    EXPECT_EQ(labels[13].positionCode, positionBusHead);
    EXPECT_EQ(labels[14].positionCode, positionBusLast);
    EXPECT_EQ(labels[14].bitIndex, 41);

    // Only a bus named QV_Function is the command label: one bit is always a plain HEX label.
    std::strcpy(table[1].name, "QV_Function");
    ASSERT_EQ(labelsFromSignalTable(table, labels), Msg::None);
    EXPECT_EQ(labels[12].positionCode, positionSingle);
    EXPECT_EQ(labels[12].groupType, static_cast<int>(GroupType::Hex));
    EXPECT_EQ(labels[12].colour, 15);
    std::strcpy(table[1].name, "A");

    table[1].bitIndex[0] = 64;
    EXPECT_EQ(labelsFromSignalTable(table, labels), Msg::ChannelNumberTooBig);
    table[1].bitIndex[0] = 30;
    for (int i = 3; i < 20; ++i) {
        std::strcpy(table[i].name, "W");
        table[i].bitCount = 12;
    }
    EXPECT_EQ(labelsFromSignalTable(table, labels), Msg::TooManyLabels); // more than 201 records
}

} // namespace
} // namespace qv
