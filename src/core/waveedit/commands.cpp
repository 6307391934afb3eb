// Command word tables and the two decoders. The view decodes one word from the two before it; the
// listing decoder is fed every word of a listing in order, because text files list one sample per
// line and OE names the operand bytes listed before it.
#include "waveedit/commands.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace qv {
namespace {

constexpr OpcodeInfo opcodeTable[16] = {
    {"NP", 1, 0, false}, // 0x0
    {"JP", 3, 24, true}, // 0x1
    {nullptr, 0, 8, false}, // 0x2 middle operand byte
    {"LP", 3, 24, true}, // 0x3
    {"LC", 2, 16, false}, // 0x4
    {"BE", 3, 24, true}, // 0x5
    {"SE", 1, 4, false}, // 0x6
    {"WE", 1, 0, false}, // 0x7
    {nullptr, 0, 8, false}, // 0x8 low operand byte
    {"OE", 3, 16, false}, // 0x9
    {nullptr, 0, 0, false}, // 0xA invalid
    {"IT", 3, 23, true}, // 0xB
    {"DL", 3, 24, false}, // 0xC
    {nullptr, 0, 0, false}, // 0xD invalid
    {nullptr, 0, 0, false}, // 0xE invalid
    {nullptr, 0, 0, false}, // 0xF invalid
};

struct EventTexts {
    const char* view;
    const char* listing;
};
constexpr EventTexts eventTexts[eventCodeCount] = {
    {"SE Key", "SE KEY"},
    {"SE !EV1", "SE !EV1"},
    {"SE !EV2", "SE !EV2"},
    {"SE !(EV1#EV2)", "SE !EV1 & !EV2"},
    {"SE !EV3", "SE !EV3"},
    {"SE !(EV1#EV3)", "SE !EV1 & !EV3"},
    {"SE !(EV2#EV3)", "SE !EV2 & !EV3"},
    {"SE !(EV1#EV2#EV3)", "SE !EV1 & !EV2 & !EV3"},
    {"SE !Key", "SE !KEY"},
    {"SE EV1", "SE EV1"},
    {"SE EV2", "SE EV2"},
    {"SE EV1#EV2", "SE EV1 # EV2"},
    {"SE EV3", "SE EV3"},
    {"SE EV1#EV3", "SE EV1 # EV3"},
    {"SE EV2#EV3", "SE EV2 # EV3"},
    {"SE EV1#EV2#EV3", "SE EV1 # EV2 # EV3"},
};

// SE codes of the Command Setting event choices, in the dialog's order, without "Event Invert".
constexpr unsigned eventChoiceCodes[eventChoiceCount] = {9, 10, 12, 0, 11, 13, 14, 15};

// Opcodes and lengths of the settable commands, in the order of the Command Setting list.
struct SettableInfo {
    Opcode opcode;
    int samples;
};
constexpr SettableInfo settableTable[settableCommandCount] = {
    {Opcode::Np, 1}, {Opcode::Jp, 3}, {Opcode::Lp, 3}, {Opcode::Be, 3},
    {Opcode::Lc, 2}, {Opcode::Se, 1}, {Opcode::We, 1}, {Opcode::Oe, 3},
};

constexpr bool isOperandPair(unsigned first, unsigned second) {
    return opcodeOf(first) == Opcode::OperandLow && opcodeOf(second) == Opcode::OperandHigh;
}

// The 24-bit (or narrower) operand of a three-word command, low byte first.
constexpr long threeWordOperand(unsigned low, unsigned middle, unsigned word, int bits) {
    const unsigned value = (operandByte(word) << 16) | (operandByte(middle) << 8) | operandByte(low);
    return static_cast<long>(value & ((1u << bits) - 1));
}

[[gnu::format(printf, 2, 3)]] void format(MnemonicText& out, const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    const int n = std::vsnprintf(out.text, sizeof out.text, pattern, args);
    va_end(args);
    out.length = n < 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof out.text - 1);
}

void assign(MnemonicText& out, std::string_view text) {
    out.length = std::min(text.size(), sizeof out.text - 1);
    std::copy_n(text.data(), out.length, out.text);
    out.text[out.length] = '\0';
}

} // namespace

const OpcodeInfo& opcodeInfo(unsigned word) { return opcodeTable[opcodeBits(word)]; }

std::string_view eventViewText(unsigned eventCode) { return eventTexts[eventCode & 0xF].view; }
std::string_view eventListingText(unsigned eventCode) { return eventTexts[eventCode & 0xF].listing; }

unsigned eventCode(EventChoice choice, bool invert) {
    return eventChoiceCodes[static_cast<int>(choice)] ^ (invert ? eventInvertBit : 0u);
}

EventChoice eventChoiceOf(unsigned eventCode) {
    const unsigned code = eventCode & 0xF;
    for (int i = 0; i < eventChoiceCount; ++i)
        if (eventChoiceCodes[i] == code || (eventChoiceCodes[i] ^ eventInvertBit) == code)
            return static_cast<EventChoice>(i);
    return EventChoice::Event1; // not reached: the choices cover all 16 codes
}

bool eventInverted(unsigned eventCode) {
    return (eventCode & 0xF) != eventChoiceCodes[static_cast<int>(eventChoiceOf(eventCode))];
}

bool eventChoiceNeedsEvent3(EventChoice choice) { return (eventChoiceCodes[static_cast<int>(choice)] & 0x4) != 0; }

Msg validateCommandSetting(const CommandSetting& setting, int usableSamples) {
    switch (setting.command) {
    case SettableCommand::Jp:
    case SettableCommand::Lp:
    case SettableCommand::Be:
        if (setting.address < 0 || setting.address > largestCommandAddress(usableSamples))
            return Msg::AddressOutOfRange;
        return Msg::None;
    case SettableCommand::Lc:
        if (setting.loopCount < minLoopCount || setting.loopCount > maxLoopCount) return Msg::LoopCountOutOfRange;
        return Msg::None;
    default: return Msg::None;
    }
}

CommandWords encodeCommand(const CommandSetting& setting) {
    const SettableInfo& info = settableTable[static_cast<int>(setting.command)];
    CommandWords out;
    out.count = info.samples;
    if (info.samples == 3) {
        const unsigned operand = info.opcode == Opcode::Oe ? (setting.outputEnable & 0xFFFF)
                                                           : static_cast<unsigned>(setting.address + addressOffset);
        out.word[0] = commandWord(Opcode::OperandLow, operand);
        out.word[1] = commandWord(Opcode::OperandHigh, operand >> 8);
        out.word[2] = commandWord(info.opcode, operand >> 16);
    } else if (info.samples == 2) { // LC: middle byte first, the opcode word carries the low byte
        const unsigned count = static_cast<unsigned>(setting.loopCount - loopCountOffset);
        out.word[0] = commandWord(Opcode::OperandHigh, count >> 8);
        out.word[1] = commandWord(Opcode::Lc, count);
    } else {
        out.word[0] = commandWord(info.opcode, info.opcode == Opcode::Se ? (setting.eventCode & 0xF) : 0);
    }
    return out;
}

CommandSetting commandSettingAt(std::span<const Sample> image, int position) {
    CommandSetting setting;
    auto wordAt = [&](int i) -> unsigned {
        return i >= 0 && static_cast<std::size_t>(i) < image.size() ? commandField(image[static_cast<std::size_t>(i)])
                                                                    : 0u;
    };
    const unsigned w0 = wordAt(position), w1 = wordAt(position + 1), w2 = wordAt(position + 2);
    switch (opcodeOf(w0)) {
    case Opcode::Se:
        setting.command = SettableCommand::Se;
        setting.eventCode = w0 & 0xF;
        break;
    case Opcode::We: setting.command = SettableCommand::We; break;
    case Opcode::OperandHigh:
        if (opcodeOf(w1) == Opcode::Lc) {
            setting.command = SettableCommand::Lc;
            setting.loopCount = static_cast<int>((operandByte(w0) << 8) | operandByte(w1)) + loopCountOffset;
        }
        break;
    case Opcode::OperandLow:
        if (opcodeOf(w1) != Opcode::OperandHigh) break;
        for (int i = 0; i < settableCommandCount; ++i) {
            if (settableTable[i].samples != 3 || settableTable[i].opcode != opcodeOf(w2)) continue;
            setting.command = static_cast<SettableCommand>(i);
            if (setting.command == SettableCommand::Oe)
                setting.outputEnable = (operandByte(w1) << 8) | operandByte(w0);
            else
                setting.address = std::max(0L, threeWordOperand(w0, w1, w2, 24) - addressOffset);
        }
        break;
    default: break;
    }
    return setting;
}

unsigned labelledCommandBits(const LabelTable& labels) {
    unsigned bits = 0;
    for (const LabelRecord& record : labels) {
        if (record.positionCode == positionEnd) break;
        if (record.bitIndex >= 0 && record.bitIndex < commandBits) bits |= 1u << record.bitIndex;
    }
    return bits;
}

bool writeCommand(std::span<Sample> image, int position, const CommandWords& words, unsigned writableBits) {
    if (position < 0 || words.count < 0 || static_cast<std::size_t>(position) + words.count > image.size())
        return false;
    const Sample writable = writableBits & commandMask;
    for (int j = 0; j < words.count; ++j) {
        Sample& s = image[static_cast<std::size_t>(position + j)];
        s = (s & ~writable) | (words.word[j] & writable);
    }
    return true;
}

ViewCommand decodeView(unsigned word, unsigned before1, unsigned before2) {
    const OpcodeInfo& info = opcodeInfo(word);
    ViewCommand out;
    out.opcode = opcodeBits(word);
    if (!info.name) {
        out.valid = false;
    } else if (info.samples == 3) {
        out.valid = isOperandPair(before2, before1);
        out.value =
            threeWordOperand(before2, before1, word, info.operandBits) - (info.namesAddress ? addressOffset : 0);
    } else if (info.samples == 2) {
        out.valid = opcodeOf(before1) == Opcode::OperandHigh;
        out.value = static_cast<long>((operandByte(before1) << 8) | operandByte(word)) + loopCountOffset;
    } else if (opcodeOf(word) == Opcode::Se) {
        out.value = word & 0xF;
    }
    return out;
}

MnemonicText viewText(const ViewCommand& command) {
    MnemonicText out;
    const OpcodeInfo& info = opcodeTable[command.opcode & 0xF];
    if (!command.valid || !info.name) {
        assign(out, "XX");
    } else if (static_cast<Opcode>(command.opcode) == Opcode::Se) {
        assign(out, eventViewText(static_cast<unsigned>(command.value)));
    } else if (static_cast<Opcode>(command.opcode) == Opcode::Oe) {
        format(out, "OE %04lx", command.value);
    } else if (info.samples > 1) {
        format(out, "%s %ld", info.name, command.value);
    } else {
        assign(out, info.name);
    }
    return out;
}

MnemonicText viewMnemonic(std::span<const Sample> image, int i) {
    auto wordAt = [&](int k) -> unsigned {
        return k >= 0 && static_cast<std::size_t>(k) < image.size() ? commandField(image[static_cast<std::size_t>(k)])
                                                                    : 0u;
    };
    return viewText(decodeView(wordAt(i), wordAt(i - 1), wordAt(i - 2)));
}

MnemonicText ListingDecoder::next(unsigned word) {
    word &= commandMask;
    MnemonicText out;
    const OpcodeInfo& info = opcodeInfo(word);
    const Opcode opcode = opcodeOf(word);
    if (opcode == Opcode::OperandLow) {
        lowByte_ = operandByte(word);
        format(out, "(MOV RL, %u)", lowByte_);
    } else if (opcode == Opcode::OperandHigh) {
        middleByte_ = operandByte(word);
        format(out, "(MOV RH, %u)", middleByte_);
    } else if (!info.name) {
        assign(out, "XX");
    } else if (opcode == Opcode::Np) {
        // NP lists nothing.
    } else if (opcode == Opcode::Se) {
        assign(out, eventListingText(word));
    } else if (opcode == Opcode::Oe) {
        format(out, "OE %u", (middleByte_ << 8) | lowByte_);
    } else if (opcode == Opcode::Lc) {
        if (opcodeOf(last1_) == Opcode::OperandHigh)
            format(out, "LC %u", ((operandByte(last1_) << 8) | operandByte(word)) + loopCountOffset);
        else
            assign(out, info.name);
    } else if (info.samples == 3) {
        const bool inOrder = isOperandPair(last2_, last1_), reversed = isOperandPair(last1_, last2_);
        if (inOrder || reversed) {
            const unsigned low = inOrder ? last2_ : last1_, middle = inOrder ? last1_ : last2_;
            format(out, "%s %ld", info.name,
                   threeWordOperand(low, middle, word, info.operandBits) - (info.namesAddress ? addressOffset : 0));
        } else {
            assign(out, info.name);
        }
    } else {
        assign(out, info.name); // WE
    }
    last2_ = last1_;
    last1_ = word;
    return out;
}

} // namespace qv
