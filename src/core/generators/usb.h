// The USB 1.1 generator: a list of packets (SOF, tokens, data and handshakes, one row of nine cells
// each) sent as the line states of D+ and D- on two adjacent channels, one sample per bit: SYNC,
// the packet bits least significant first with bit stuffing and NRZI, two SE0 samples of EOP and
// idle J between packets, 1 ms from SOF to SOF. The CRCs are computed when a packet is edited;
// the list's cells are what goes out, so faulty packets can be sent. Full speed only (J = D+ high);
// no low-speed polarity, no keep-alive, no Convert.
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "generators/list_lines.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

// In the order of the Edit Packet dialog's PID list.
enum class UsbPid { Sof, Setup, In, Out, Data0, Data1, Ack, Nack, Stall };
inline constexpr int usbPidCount = 9;
std::string_view usbPidName(UsbPid pid);
std::optional<UsbPid> usbPidOf(std::string_view name);
bool usbIsToken(UsbPid pid); // SETUP, IN, OUT
bool usbIsData(UsbPid pid); // DATA0, DATA1
bool usbIsHandshake(UsbPid pid); // ACK, NACK, STALL

// The list's columns: one row, one packet; every cell is text.
enum UsbColumn : int {
    UsbSync,
    UsbPidCell,
    UsbFrameNumber,
    UsbAddress,
    UsbEndpoint,
    UsbCrc5,
    UsbData,
    UsbCrc16,
    UsbEop
};
inline constexpr int usbColumnCount = 9;
using UsbCells = std::array<std::string, usbColumnCount>;

inline constexpr int usbSampleLimitMargin = 12;
inline constexpr int usbLeadInSamples = 20;
inline constexpr unsigned usbRepeatAddress = 0x13; // the last idle sample before the first packet
inline constexpr int usbEventSelection = 2;
inline constexpr int usbIdleSamples = 10; // between packets, and the least frame gap
inline constexpr int usbEopSamples = 2;
inline constexpr double usbDefaultRate = 12000000; // full speed
inline constexpr std::size_t usbFieldLength = 15; // the Frame Number, Address and Endpoint edits
inline constexpr std::size_t usbDataLength = 6143; // the DATA edit

// A cell read as the tool reads numbers: hexadecimal digits (either case) up to the first other
// character; 0 for none. At most 16 digits count.
std::uint64_t usbHexValue(std::string_view text);
// The ";"-terminated items of a DATA cell (line breaks removed; text after the last ";" ignored).
std::vector<std::uint64_t> usbDataItems(std::string_view text);

// CRC5 (x^5 + x^2 + 1) and CRC16 (x^16 + x^15 + x^2 + 1) over bits in bus order: the register
// starts all ones, the result is the inverted register, highest stage as most significant bit.
unsigned usbCrc5(std::span<const std::uint8_t> bits);
unsigned usbCrc16(std::span<const std::uint8_t> bits);
// A value as field bits in bus order: least significant bit first, width bits at least (a longer
// value keeps all its bits).
void appendFieldBits(std::vector<std::uint8_t>& bits, std::uint64_t value, int width);
std::vector<std::uint8_t> usbDataBits(std::string_view dataCell);

// The Edit Packet dialog's fields.
struct UsbPacketFields {
    UsbPid pid = UsbPid::Sof;
    std::string frameNumber, address, endpoint, data;
};
struct UsbMissingFields {
    bool frameNumber = false, address = false, endpoint = false;
    bool any() const { return frameNumber || address || endpoint; }
};
// Edit Packet OK: 12089 when the PID's required field is empty (named in missing); otherwise the
// row: SYNC, the PID, the fields in upper case, the CRC5 or CRC16 computed, EOP.
Msg usbPacketCells(const UsbPacketFields& fields, UsbCells& cells, UsbMissingFields* missing = nullptr);
// The fields a row gives back to the dialog (Modify).
UsbPacketFields usbFieldsOfCells(const UsbCells& cells);
// Edit Packet's Sample values for the PID.
UsbPacketFields usbSampleFields(UsbPid pid);
// Which edits a PID uses: frame number, address and endpoint, data.
struct UsbFieldUse {
    bool frameNumber, address, endpoint, data;
};
UsbFieldUse usbFieldUse(UsbPid pid);

// ---- the list as text: each cell followed by one blank, a line per row --------------------------
std::string usbLineOfCells(const UsbCells& cells); // a DATA cell's line breaks dropped
// A line split at every blank, in upper case: a last token without its blank is kept. nullopt for
// any count of cells but nine, a numeric cell longer than 15 characters or a DATA cell longer
// than 6143.
std::optional<UsbCells> usbCellsOfLine(std::string_view line);
bool usbLineContinues(std::string_view line); // never: every packet is one line
std::string_view usbSampleText(); // the built-in sample list, CR LF lines

// One row read for output: cells by their column.
struct UsbUnit {
    bool sync = false, eop = false;
    UsbPid pid = UsbPid::Sof;
    std::vector<std::uint8_t> bits; // the packet's bits in bus order before stuffing (tokens, data)
    std::vector<std::uint8_t> states; // the row's line states: 0 K, 1 J, 2 SE0 (SYNC, packet, EOP)
};
// 18800 for a line of any other shape: not nine cells, a first cell but "SYNC" or nothing, a PID
// not in the table, a last cell but "EOP" or nothing.
Msg readUsbLine(std::string_view line, UsbUnit& unit);
ListProblem readUsbList(const std::vector<std::string>& lines, std::vector<UsbUnit>& units);

// Packet bits to line states (1 = J, 0 = K): stuffing a 0 after six 1s, then NRZI from K.
std::vector<std::uint8_t> usbStuffed(std::span<const std::uint8_t> bits);
void usbNrzi(std::span<const std::uint8_t> bits, std::vector<std::uint8_t>& states);

struct UsbSettings {
    int channel = 0; // D+; D- is channel + 1
    double rateBitsPerSecond = usbDefaultRate;
    bool repeat = false;
};
// 12096 for a D+ channel above channel count - 2, the rate's problems, 12022 above the maximum clock.
Msg validateUsb(const UsbSettings& s, const Capabilities& caps);
int usbSampleClock(const UsbSettings& s); // the bit rate to the nearest hertz
// The samples of 1 ms at the clock (64 bits: the clock times 10^6 overflows 32).
std::int64_t usbFrameSamples(std::int64_t clockHz);

struct UsbBuild {
    int count = 0;
    Msg error = Msg::None; // 12047: the list does not fit; nothing past the limit written
};
// The stream into out: 20 idle samples, every row (its size checked against the limit, in 64
// bits, before it is written), the frame commands. The gap after a row is 10 idle samples; before
// an SOF that follows an SOF written since the last frame gap, the rest of that SOF's 1 ms at
// clockHz (at least 10).
UsbBuild buildUsbStream(std::span<const UsbUnit> units, const UsbSettings& s, std::int64_t clockHz, int cardType,
                        std::span<Sample> out, int sampleLimit);

struct UsbRunResult {
    OutputOutcome outcome;
    double rateBitsPerSecond = 0;
};
UsbRunResult runUsb(OutputPorts& ports, const UsbSettings& s, const std::vector<std::string>& lines,
                    std::span<Sample> buffer);

} // namespace qv::gen
