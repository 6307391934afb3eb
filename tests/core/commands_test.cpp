// Sequencer command words: Command Setting encoding, view and listing mnemonics.
#include "waveedit/commands.h"

#include "sample_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

using test::commandsText;

constexpr int usable = 1000;

std::string listing(std::initializer_list<unsigned> words) {
    ListingDecoder decoder;
    std::string out;
    for (unsigned w : words) {
        if (!out.empty()) out += " | ";
        out += decoder.next(w).view();
    }
    return out;
}

CommandSetting setting(SettableCommand command, int address = 0, int loopCount = 2, unsigned event = 9,
                       unsigned outputEnable = 0) {
    CommandSetting s;
    s.command = command;
    s.address = address;
    s.loopCount = loopCount;
    s.eventCode = event;
    s.outputEnable = outputEnable;
    return s;
}

struct RoundTrip {
    CommandSetting setting;
    const char* words; // command fields from the command position
    const char* view; // view form on the last word
    const char* listing; // listing forms of the words, in order
};

TEST(Commands, EverySettableCommandRoundTrips) {
    const RoundTrip cases[] = {
        {setting(SettableCommand::Np), "000", "NP", ""},
        {setting(SettableCommand::Jp, 20), "820 200 100", "JP 20", "(MOV RL, 32) | (MOV RH, 0) | JP 20"},
        {setting(SettableCommand::Jp, 0), "80C 200 100", "JP 0", "(MOV RL, 12) | (MOV RH, 0) | JP 0"},
        {setting(SettableCommand::Lp, 987), "8E7 203 300", "LP 987", "(MOV RL, 231) | (MOV RH, 3) | LP 987"},
        {setting(SettableCommand::Be, 500), "800 202 500", "BE 500", "(MOV RL, 0) | (MOV RH, 2) | BE 500"},
        {setting(SettableCommand::Lc, 0, 2), "200 400", "LC 2", "(MOV RH, 0) | LC 2"},
        {setting(SettableCommand::Lc, 0, 300), "201 42A", "LC 300", "(MOV RH, 1) | LC 300"},
        {setting(SettableCommand::Lc, 0, 65536), "2FF 4FE", "LC 65536", "(MOV RH, 255) | LC 65536"},
        {setting(SettableCommand::Se, 0, 2, eventCode(EventChoice::Event1Or3, true)), "605", "SE !(EV1#EV3)",
         "SE !EV1 & !EV3"},
        {setting(SettableCommand::Se, 0, 2, eventCode(EventChoice::Keyboard, false)), "600", "SE Key", "SE KEY"},
        {setting(SettableCommand::Se, 0, 2, eventCode(EventChoice::Keyboard, true)), "608", "SE !Key", "SE !KEY"},
        {setting(SettableCommand::Se, 0, 2, eventCode(EventChoice::Event1Or2Or3, false)), "60F", "SE EV1#EV2#EV3",
         "SE EV1 # EV2 # EV3"},
        {setting(SettableCommand::We), "700", "WE", "WE"},
        {setting(SettableCommand::Oe, 0, 2, 9, 0x1234), "834 212 900", "OE 1234",
         "(MOV RL, 52) | (MOV RH, 18) | OE 4660"},
        {setting(SettableCommand::Oe, 0, 2, 9, 0xFFFF), "8FF 2FF 900", "OE ffff",
         "(MOV RL, 255) | (MOV RH, 255) | OE 65535"},
    };
    for (const RoundTrip& c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(validateCommandSetting(c.setting, usable), Msg::None);
        CommandWords words = encodeCommand(c.setting);
        std::vector<Sample> image(40, channelBit(4));
        ASSERT_TRUE(writeCommand(image, 10, words, 0xFFF));
        EXPECT_EQ(commandsText(image, 10, 10 + words.count), c.words);
        EXPECT_EQ(commandsText(image, 10 + words.count, 11 + words.count), "000");
        EXPECT_EQ(viewMnemonic(image, 10 + words.count - 1).view(), c.view);
        ListingDecoder decoder;
        std::string listed;
        for (int i = 10; i < 10 + words.count; ++i) {
            if (!listed.empty()) listed += " | ";
            listed += decoder.next(commandField(image[i])).view();
        }
        EXPECT_EQ(listed, c.listing);
        // Reopening Command Setting on the command shows the same setting.
        CommandSetting back = commandSettingAt(image, 10);
        EXPECT_EQ(back.command, c.setting.command);
        EXPECT_EQ(back.address, c.setting.address);
        EXPECT_EQ(back.loopCount, c.setting.loopCount);
        if (c.setting.command == SettableCommand::Se) {
            EXPECT_EQ(back.eventCode, c.setting.eventCode);
        }
        EXPECT_EQ(back.outputEnable, c.setting.outputEnable);
        // The data bits stay.
        for (const Sample s : image) EXPECT_TRUE(channelLevel(s, 4));
    }
}

TEST(Commands, SettingLimits) {
    EXPECT_EQ(largestCommandAddress(usable), usable - 13);
    EXPECT_EQ(validateCommandSetting(setting(SettableCommand::Jp, usable - 13), usable), Msg::None);
    EXPECT_EQ(validateCommandSetting(setting(SettableCommand::Lp, usable - 12), usable), Msg::AddressOutOfRange);
    EXPECT_EQ(validateCommandSetting(setting(SettableCommand::Be, -1), usable), Msg::AddressOutOfRange);
    EXPECT_EQ(validateCommandSetting(setting(SettableCommand::Lc, 0, 1), usable), Msg::LoopCountOutOfRange);
    EXPECT_EQ(validateCommandSetting(setting(SettableCommand::Lc, 0, 65537), usable), Msg::LoopCountOutOfRange);
    // Addresses only matter to the commands that take one.
    EXPECT_EQ(validateCommandSetting(setting(SettableCommand::We, -5, 0), usable), Msg::None);
    EXPECT_EQ(text(Msg::AddressOutOfRange), "Address Setting Out of Range!");
}

TEST(Commands, OnlyLabelledCommandBitsAreWritten) {
    LabelTable labels{};
    for (int b = 0; b < 8; ++b) {
        labels[b].bitIndex = b;
        labels[b].positionCode = b == 0 ? positionBusHead : b + 2;
    }
    labels[8].bitIndex = 20; // a channel: not a command bit
    labels[8].positionCode = positionSingle;
    EXPECT_EQ(labelledCommandBits(labels), 0xFFu);
    std::vector<Sample> image(8, 0xF00 | channelBit(0));
    ASSERT_TRUE(writeCommand(image, 2, encodeCommand(setting(SettableCommand::Jp, 20)), labelledCommandBits(labels)));
    EXPECT_EQ(commandsText(image, 1, 6), "F00 F20 F00 F00 F00");
    EXPECT_EQ(labelledCommandBits(LabelTable{}), 0u);
    // No room for the whole command: nothing is written.
    EXPECT_FALSE(writeCommand(image, 6, encodeCommand(setting(SettableCommand::Jp, 1)), 0xFFF));
    EXPECT_FALSE(writeCommand(image, -1, encodeCommand(setting(SettableCommand::We)), 0xFFF));
    EXPECT_EQ(commandsText(image, 6, 8), "F00 F00");
}

TEST(Commands, ViewFormsOfIncompleteAndOtherWords) {
    struct Case {
        unsigned before2, before1, word;
        const char* view;
    };
    const Case cases[] = {
        {0x000, 0x000, 0x000, "NP"},
        {0x000, 0x000, 0x0FF, "NP"},
        {0x000, 0x000, 0x820, "XX"}, // an operand word alone
        {0x000, 0x820, 0x200, "XX"},
        {0x000, 0x200, 0x100, "XX"}, // JP without its low byte
        {0x200, 0x820, 0x100, "XX"}, // the view wants low byte first
        {0x864, 0x200, 0xB80, "IT 88"}, // IT: 23 address bits
        {0x800, 0x200, 0xBFF, "IT 8323060"}, // 0x7F0000 - 12
        {0x810, 0x200, 0xC01, "DL 65552"}, // DL: D as stored
        {0x000, 0x000, 0x400, "XX"}, // LC without its middle byte
        {0x000, 0x2FF, 0x4FE, "LC 65536"},
        {0x000, 0x000, 0x900, "XX"},
        {0x000, 0x000, 0x7FF, "WE"},
        {0x000, 0x000, 0x6F3, "SE !(EV1#EV2)"}, // the event code is the low four bits
        {0x800, 0x200, 0xA00, "XX"},
        {0x800, 0x200, 0xD00, "XX"},
        {0x800, 0x200, 0xE00, "XX"},
        {0x800, 0x200, 0xF00, "XX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view);
        EXPECT_EQ(viewText(decodeView(c.word, c.before1, c.before2)).view(), c.view);
    }
    // Samples before 0 and after the image count as NP.
    std::vector<Sample> image = {0x100, 0x820};
    EXPECT_EQ(viewMnemonic(image, 0).view(), "XX");
    EXPECT_EQ(viewMnemonic(image, 5).view(), "NP");
}

TEST(Commands, ListingKeepsTheLastTwoWordsAndTheOperandBytes) {
    struct Case {
        std::initializer_list<unsigned> words;
        const char* listed;
    };
    const Case cases[] = {
        {{0x200, 0x820, 0x100}, "(MOV RH, 0) | (MOV RL, 32) | JP 20"}, // either order
        {{0x820, 0x000, 0x100}, "(MOV RL, 32) |  | JP"}, // an NP breaks the pair
        {{0x100}, "JP"},
        {{0x300, 0x500, 0xB00, 0xC00, 0x400}, "LP | BE | IT | DL | LC"},
        {{0x812, 0x2AB, 0x000, 0x900}, "(MOV RL, 18) | (MOV RH, 171) |  | OE 43794"},
        {{0x900}, "OE 0"},
        {{0x864, 0x200, 0xBFF}, "(MOV RL, 100) | (MOV RH, 0) | IT 8323160"},
        {{0x810, 0x200, 0xC01}, "(MOV RL, 16) | (MOV RH, 0) | DL 65552"},
        {{0xA00, 0xD12, 0x7FF}, "XX | XX | WE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.listed);
        EXPECT_EQ(listing(c.words), c.listed);
    }
}

TEST(Commands, EventCodesAndTheirTexts) {
    for (unsigned code = 0; code < 16; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(eventCode(eventChoiceOf(code), eventInverted(code)), code);
        // Inverted selections (bit 3 clear, but code 0 is the plain keyboard event) start with "SE !".
        const bool inverted = code == 8 || (code != 0 && code < 8);
        EXPECT_EQ(eventViewText(code).substr(0, 4) == "SE !", inverted);
        EXPECT_EQ(eventListingText(code).substr(0, 4) == "SE !", inverted);
    }
    EXPECT_EQ(eventViewText(7), "SE !(EV1#EV2#EV3)");
    EXPECT_EQ(eventListingText(7), "SE !EV1 & !EV2 & !EV3");
    EXPECT_EQ(eventViewText(14), "SE EV2#EV3");
    EXPECT_EQ(eventListingText(14), "SE EV2 # EV3");
    const unsigned plain[] = {9, 10, 12, 0, 11, 13, 14, 15};
    const bool needsEvent3[] = {false, false, true, false, false, true, true, true};
    for (int i = 0; i < eventChoiceCount; ++i) {
        auto choice = static_cast<EventChoice>(i);
        EXPECT_EQ(eventCode(choice, false), plain[i]);
        EXPECT_EQ(eventCode(choice, true), plain[i] ^ 8);
        EXPECT_EQ(eventChoiceNeedsEvent3(choice), needsEvent3[i]);
    }
    EXPECT_FALSE(eventInverted(0));
    EXPECT_TRUE(eventInverted(8));
    EXPECT_TRUE(eventInverted(1));
}

TEST(Commands, SettingPresetFromOtherWords) {
    std::vector<Sample> image(6, 0);
    image[1] = 0x820; // operand words without an opcode: plain NP preset
    image[2] = 0x200;
    CommandSetting preset = commandSettingAt(image, 1);
    EXPECT_EQ(preset.command, SettableCommand::Np);
    EXPECT_EQ(preset.eventCode, 9u);
    EXPECT_EQ(commandSettingAt(image, 5).command, SettableCommand::Np); // runs past the end
    EXPECT_EQ(commandSettingAt(image, -3).command, SettableCommand::Np);
}

} // namespace
} // namespace qv
