// Sequencer command words: encoding for Command Setting, decoding to the short forms the view and
// the dialog show, and to the listing forms of text files and printouts. A command's operand words
// come first and its opcode word last; addresses in words count the 12 prefix samples. This module
// knows nothing of dialogs; it works on command words and sample images.
#pragma once

#include "support/strings.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace qv {

// Bits 8-11 of a command word.
enum class Opcode : unsigned {
    Np = 0x0,
    Jp = 0x1,
    OperandHigh = 0x2, // middle operand byte, listed as "(MOV RH, n)"
    Lp = 0x3,
    Lc = 0x4,
    Be = 0x5,
    Se = 0x6,
    We = 0x7,
    OperandLow = 0x8, // low operand byte, listed as "(MOV RL, n)"
    Oe = 0x9,
    It = 0xB,
    Dl = 0xC,
};

constexpr unsigned opcodeBits(unsigned word) { return (word >> 8) & 0xF; }
constexpr Opcode opcodeOf(unsigned word) { return static_cast<Opcode>(opcodeBits(word)); }
constexpr unsigned operandByte(unsigned word) { return word & 0xFF; }
constexpr unsigned commandWord(Opcode opcode, unsigned operand) {
    return (static_cast<unsigned>(opcode) << 8) | (operand & 0xFF);
}

inline constexpr int addressOffset = prefixSamples; // device address = sample index + 12
inline constexpr int loopCountOffset = 2; // the word holds the loop count - 2
inline constexpr int minLoopCount = 2;
inline constexpr int maxLoopCount = 65536;
inline constexpr int eventCodeCount = 16;
inline constexpr unsigned eventInvertBit = 0x8; // clear means inverted

// Facts about each opcode, indexed by opcodeBits.
struct OpcodeInfo {
    const char* name; // nullptr: an operand word or an invalid opcode
    int samples; // words a whole command occupies (0 for operand words and invalid opcodes)
    int operandBits; // 24 for addresses and DL, 23 for IT, 16 for OE and LC, 4 for SE, 0 none
    bool namesAddress; // its operand is a device address (value shown minus 12)
};
const OpcodeInfo& opcodeInfo(unsigned word);

// The SE mnemonics by event code.
std::string_view eventViewText(unsigned eventCode);
std::string_view eventListingText(unsigned eventCode);

// ---- Command Setting ---------------------------------------------------------------------------

// The command list of Command Setting, in its order; OE only on card type 18.
enum class SettableCommand { Np, Jp, Lp, Be, Lc, Se, We, Oe };
inline constexpr int settableCommandCount = 8;

// The event choices of Command Setting, in the dialog's order, and their SE codes.
enum class EventChoice { Event1, Event2, Event3, Keyboard, Event1Or2, Event1Or3, Event2Or3, Event1Or2Or3 };
inline constexpr int eventChoiceCount = 8;
unsigned eventCode(EventChoice choice, bool invert);
// The choice and invert flag that give a code (codes 1-7 are inverted selections).
EventChoice eventChoiceOf(unsigned eventCode);
bool eventInverted(unsigned eventCode);
bool eventChoiceNeedsEvent3(EventChoice choice);

struct CommandSetting {
    SettableCommand command = SettableCommand::Np;
    int address = 0; // sample index, JP/LP/BE
    int loopCount = minLoopCount; // LC
    unsigned eventCode = 9; // SE, "Event 1" at start
    unsigned outputEnable = 0; // OE, 16 bits
};

struct CommandWords {
    unsigned word[3] = {};
    int count = 0;
};

// The largest address a command may name: (usable sample bytes / 8) - 13.
constexpr int largestCommandAddress(int usableSamples) { return usableSamples - 13; }
// Msg::None, or the message that refuses the setting (address out of range, loop count).
Msg validateCommandSetting(const CommandSetting& setting, int usableSamples);
// The words of a valid setting, first sample first.
CommandWords encodeCommand(const CommandSetting& setting);
// The setting that the command starting at `position` gives when the dialog opens; plain NP with
// address 0, loop count 2 and "Event 1" when no command starts there.
CommandSetting commandSettingAt(std::span<const Sample> image, int position);
// The command bits (0-11) that have a label record; only those are written.
unsigned labelledCommandBits(const LabelTable& labels);
// Writes the words from `position` into the writable command bits; data bits stay. False (and
// nothing written) when the command does not fit in the image.
bool writeCommand(std::span<Sample> image, int position, const CommandWords& words, unsigned writableBits);

// ---- decoding ----------------------------------------------------------------------------------

// A short text without allocation (the longest, "SE !EV1 & !EV2 & !EV3", has 21 characters).
struct MnemonicText {
    char text[32] = {};
    std::size_t length = 0;
    std::string_view view() const { return {text, length}; }
    bool empty() const { return length == 0; }
};

// A word decoded with the two words before it, as the view shows it.
struct ViewCommand {
    unsigned opcode = 0; // opcodeBits of the word
    bool valid = true; // false: shown as "XX"
    long value = 0; // the shown number (address - 12, loop count, D, V or the event code)
};
ViewCommand decodeView(unsigned word, unsigned before1, unsigned before2);
MnemonicText viewText(const ViewCommand& command);
// The view form of the command word of image sample i (samples before 0 count as NP).
MnemonicText viewMnemonic(std::span<const Sample> image, int i);

// The listing form is read in order over a whole listing: it keeps the last two words (an operand
// pair counts in either order) and the last low and middle operand bytes, which OE lists.
class ListingDecoder {
  public:
    // The listing text of the next word; empty for NP.
    MnemonicText next(unsigned word);

  private:
    unsigned last1_ = 0, last2_ = 0;
    unsigned lowByte_ = 0, middleByte_ = 0;
};

} // namespace qv
