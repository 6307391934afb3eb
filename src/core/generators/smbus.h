// What the SMBus and PMBus tools share: the packet line (blank-separated tokens: S, Sr, P, W, R,
// ACK, NACK, ADDR=, CMD=, EXTCMD=, PEC=, L=, H=, BYTECOUNT= and data bytes), its samples on SCL
// (channel c) and SDA (c + 1) at four samples per bit, the packet error code, and the output thread
// of both tools. Composing a line from a tool's fields is smbus_lines.h. The master side and the
// device's answers are both driven on the two lines; nothing is read back. No Convert in the tools.
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "generators/list_lines.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

inline constexpr int smbusSampleLimitMargin = 12;
inline constexpr int smbusLeadInSamples = 20; // idle; the repeat jump lands on the last of them
inline constexpr int smbusLineGapSamples = 20; // idle after every line
inline constexpr unsigned smbusRepeatAddress = 0x13;
inline constexpr int smbusEventSelection = 2;
inline constexpr int smbusSamplesPerBit = 4;
inline constexpr double smbusDefaultRate = 100000; // "100" KHz
inline constexpr int smbusMaxValueBits = 32; // a token's value wider than this cannot be read

// ---- the packet line --------------------------------------------------------------------------

enum class PacketUnitKind : std::uint8_t { Start, RepeatedStart, Stop, Bits, LineEnd };
// One token's samples: a condition, or `bits` bits of `value` most significant first. LineEnd is
// the idle gap after a line.
struct PacketUnit {
    PacketUnitKind kind = PacketUnitKind::Bits;
    std::uint8_t bits = 0;
    std::uint32_t value = 0;
    bool operator==(const PacketUnit&) const = default;
};

// A token's hexadecimal value: digits up to the first character that is no hexadecimal digit, no
// digits 0; nullopt when it needs more than 32 bits.
std::optional<std::uint32_t> packetValue(std::string_view digits);

// One packet line's units, its tokens in order and then LineEnd, appended to `units`. A token ends
// at a blank or at the line's end: the last token counts whether a blank follows it or not. A
// value is sent with leading zeros to its token's width (ADDR= 7 bits, the others 8) and with all
// its bits when it has more. ListLineUnreadable (units unchanged) for an empty token (a blank that
// leads the line or follows another) or a value wider than 32 bits.
Msg readPacketLine(std::string_view line, std::vector<PacketUnit>& units);
// Every line of a list: the first line that cannot be read, with its number from 1.
ListProblem readPacketList(const std::vector<std::string>& lines, std::vector<PacketUnit>& units);

// ---- packet error code ------------------------------------------------------------------------

// CRC-8 with x^8 + x^2 + x + 1, initial value 0, no final inversion, most significant bit first.
class SmbusCrc {
  public:
    void add(std::uint32_t value, int bits);
    void addByte(std::uint8_t byte) { add(byte, 8); }
    std::uint8_t value() const { return crc_; }

  private:
    std::uint8_t crc_ = 0;
};
// The PEC of a line's text as composed: an ADDR= value as 7 bits followed by the read/write bit
// of the next one- or two-character token ("W" 0, any other 1), every other NAME=value token as
// 8 bits, a one- or two-character token starting with a hexadecimal digit as a data byte; S, Sr,
// P, W, R, ACK and NACK add nothing.
std::uint8_t packetLinePec(std::string_view text);

// ---- settings and the stream ------------------------------------------------------------------

struct SmbusSettings {
    int clockChannel = 0; // SCL; SDA is the next channel
    double rateHz = smbusDefaultRate; // the clock rate; the sample clock is four times it
    bool repeat = false;
};

// The highest clock channel of a model: 18 for 0xA020, 0xA050, 0xC020, 0xC120 and 0xC320, 14 for
// the 16-channel models, 48 for the others, and never past channel count - 2 (SDA stays on a channel).
int smbusHighestClockChannel(const Capabilities& caps);
// 12096 for a clock channel out of range, the rate's own problems, 12022 for a sample clock
// (four times the rate) above the model's maximum.
Msg validateSmbus(const SmbusSettings& s, const Capabilities& caps);
std::int64_t smbusSampleClock(const SmbusSettings& s); // four times the rate, to the nearest hertz

struct SmbusBuild {
    int count = 0;
    Msg error = Msg::None; // 12047: the list does not fit; nothing written past the limit
};
// The stream into out: 20 idle samples, every unit (its size checked against the limit before it
// is written), the frame commands (SE KEY 2, WE 3, OE 4..6 on card type 18, JP 0x13 or WE at the end).
SmbusBuild buildSmbusStream(std::span<const PacketUnit> units, const SmbusSettings& s, int cardType,
                            std::span<Sample> out, int sampleLimit);

struct SmbusRunResult {
    OutputOutcome outcome;
    double rateHz = 0; // the clock rate used: the nearest achievable one when that was taken
};
// The output thread of both tools: an empty list returns at once (nothing output, no message);
// then the settings, the lines, the clock (12023 / 12053), the build and the run with event
// selection 2. Errors are shown through the prompt.
SmbusRunResult runSmbus(OutputPorts& ports, const SmbusSettings& s, const std::vector<std::string>& lines,
                        std::span<Sample> buffer);

} // namespace qv::gen
