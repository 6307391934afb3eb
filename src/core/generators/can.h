// The CAN generator: a list of CAN 2.0 data and remote frames (11- or 29-bit identifiers), each
// with the CRC, CRC delimiter, ACK slot and interframe space the user entered, and faulty frames
// cut short and followed by an active or passive error frame. One sample per bit on two channels:
// CAN_High (dominant high) and CAN_Low = CAN_High + 1 (the receive level). Bit stuffing covers
// SOF through the CRC. The list's lines are the data: Add builds them from the frame fields, the
// output reads them back by field name. No Convert.
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "generators/list_lines.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

enum class CanIdFormat { Bits11, Bits29 };
enum class CanFrameKind { Data, Remote };
// What is wrong with a frame the user adds, in the order Add looks for it.
enum class CanFault { None, Crc, CrcDelimiter, InterframeSpace };

inline constexpr int canSampleLimitMargin = 12;
inline constexpr int canLeadInSamples = 16;
inline constexpr unsigned canRepeatAddress = 0x0F;
inline constexpr int canEventSelection = 2;
inline constexpr int canMaxDataBytes = 8;
inline constexpr std::uint32_t canMaxStandardId = 0x7FF;
inline constexpr std::uint32_t canMaxExtendedId = 0x1FFFFFFF;
inline constexpr std::uint32_t canMaxCrc = 0x7FFF; // every 15-bit value is a CRC some frame has
inline constexpr int canMinInterframeSpace = 3;
inline constexpr double canDefaultRate = 400000; // 400 "K bps"

// The frame fields of the dialog.
struct CanFrame {
    CanIdFormat format = CanIdFormat::Bits11;
    CanFrameKind kind = CanFrameKind::Data;
    std::uint32_t id = 0x7C3;
    int rtr = 0;
    int dlc = 8;
    std::array<std::uint8_t, canMaxDataBytes> data{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    std::uint32_t crc = 0x416C;
    int crcDelimiter = 1;
    int ack = 0;
    std::uint64_t interframeSpace = 4;
};

struct CanSettings {
    int highChannel = 0; // CAN_Low is the next channel
    double rateBitsPerSecond = canDefaultRate;
    bool repeat = false;
};

// The highest CAN_High channel: CAN_Low must stay on a channel of the model (18, 14, else 48).
int canHighestHighChannel(int modelCode);

// CHECK ID: the text upper-cased in place; 18801 for a character other than 0-9 and A-F (or no
// digit), 18802 for an identifier too big for the format, else 18803 "ID ok!".
Msg checkCanIdText(std::string& text, CanIdFormat format);
bool canIdFits(std::uint64_t id, CanIdFormat format);

// The frame's bits from SOF through the data, most significant first, unstuffed.
struct CanBits {
    std::array<std::uint8_t, 128> bits; // only the first size are set
    int size = 0;
    void push(std::uint64_t value, int count);
};
CanBits canFrameBits(const CanFrame& f);
// CRC-15 of ISO 11898 (polynomial 0x4599, initial 0) over the bits.
std::uint32_t canCrc15(const CanBits& bits);
inline std::uint32_t canFrameCrc(const CanFrame& f) { return canCrc15(canFrameBits(f)); }

// Add's checks: 18802 identifier too big, 18804 CRC above 7FFF, 18809 RTR, 18810 DLC, 18805 CRC
// delimiter, 18806 ACK; Msg::None and the fault otherwise.
struct CanFrameCheck {
    Msg error = Msg::None;
    CanFault fault = CanFault::None;
};
CanFrameCheck checkCanFrame(const CanFrame& f);

// The list line of a frame, cut after its CRC, CRC delimiter or ACK for the faults, and the line
// of the error frame that follows a faulty one.
std::string canFrameLine(const CanFrame& f, CanFault fault);
std::string_view canErrorFrameLine(CanFault fault, bool active);
bool canLineContinues(std::string_view line); // error-frame lines belong to the frame before them

// Add: the checks (their message shown), the CRC or form error question (Yes active, No passive,
// Cancel nothing), then the entry's one or two lines; empty when nothing is added.
std::vector<std::string> canAddLines(const CanFrame& f, Prompt& prompt);

// One list line read back by its field names.
struct CanUnit {
    bool errorFrame = false;
    bool active = false; // error frames
    CanFrame frame;
    bool hasCrcDelimiter = false, hasAck = false, hasInterframeSpace = false;
};
// A bounded reader: a missing or malformed field, a DLC above 8, data bytes other than DLC of
// them, a CRC above 7FFF or an identifier too big gives the reason, never a read past the line.
Msg readCanLine(std::string_view line, CanUnit& unit);
ListProblem readCanList(const std::vector<std::string>& lines, std::vector<CanUnit>& units);

// The frame fields as the dialog's edits hold them, read into a frame: 18801 for an identifier,
// data byte or CRC that is not hexadecimal, the field's range message for a number that is not one.
struct CanFieldTexts {
    CanIdFormat format = CanIdFormat::Bits11;
    CanFrameKind kind = CanFrameKind::Data;
    std::string id, rtr, dlc, crc, crcDelimiter, ack, interframeSpace;
    std::array<std::string, canMaxDataBytes> data;
};
Msg readCanFields(const CanFieldTexts& t, CanFrame& f);

// The random buttons.
std::uint32_t canRandomId(CanIdFormat format, std::mt19937& random);
int canRandomDlc(std::mt19937& random); // 1..8
std::uint8_t canRandomByte(std::mt19937& random);
int canRandomInterframeSpace(std::mt19937& random); // 3..10

// 12096 for a CAN_High channel past the model's top, 12022 for a rate above its maximum clock.
Msg validateCan(const CanSettings& s, const Capabilities& caps);
int canSampleClock(const CanSettings& s); // the bit rate to the nearest hertz

struct CanBuild {
    int count = 0;
    Msg error = Msg::None; // 12047: the list does not fit the sample limit; nothing past it written
};
// The stream into out (at least sampleLimit samples): the lead-in, every unit, the frame commands.
// Each unit's size is checked against the limit, in 64 bits, before it is written.
CanBuild buildCanStream(std::span<const CanUnit> units, const CanSettings& s, int cardType, std::span<Sample> out,
                        int sampleLimit);

struct CanRunResult {
    OutputOutcome outcome;
    double rateBitsPerSecond = 0; // the rate in force (the nearest clock after 12023 Yes)
};
// The output thread: checks, the list read back, the clock check (12023), build, load and start
// with event selection 2. Errors are shown through the prompt.
CanRunResult runCan(OutputPorts& ports, const CanSettings& s, const std::vector<std::string>& lines,
                    std::span<Sample> buffer);

} // namespace qv::gen
