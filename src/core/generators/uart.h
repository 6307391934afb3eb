// The UART (RS232) generator: characters as asynchronous frames (start bit, 4 to 16 data bits
// least significant first, optional parity, 1, 1.5, 2, 3 or 4 stop bits) on output port 0, port 1,
// both, or both in opposite polarity, optionally copied onto one channel. One sample per bit at
// the baud rate, or two per bit at twice the rate with 1.5 stop bits. Data larger than the
// memory goes out in sections. No Convert, no Export/Import.
#pragma once

#include "app/models.h"
#include "device/output_engine.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

enum class UartParity { None, Even, Odd, Mark, Space }; // combo "Parity:" index 0..4
enum class UartStopBits { One, OneAndHalf, Two, Three, Four };
enum class UartPort { Port0, Port1, Both, Different }; // combo "Output Port:" index 0..3
enum class UartFormat { Bin, Oct, Dec, Hex, Asc }; // combo "Data Format:" index 0..4

// The "Buad Rate:" combo, in its order.
inline constexpr int uartBaudRates[] = {110,   150,   300,   600,   1200,   2400,   4800,   9600,   14400,  19200,
                                        28800, 33600, 38400, 57600, 115200, 128000, 256000, 460800, 921600, 3000000};
inline constexpr int uartMinDataBits = 4;
inline constexpr int uartMaxDataBits = 16;
inline constexpr int uartSampleLimitMargin = 36;
inline constexpr int uartLeadInSamples = 33;
inline constexpr unsigned uartRepeatAddress = 0x20;
inline constexpr int uartEventSelection = 1;

struct UartSettings {
    int baud = 9600;
    UartParity parity = UartParity::None;
    int dataBits = 8;
    UartStopBits stopBits = UartStopBits::One;
    UartPort port = UartPort::Port0;
    UartFormat format = UartFormat::Asc;
    bool syncChannelOn = false; // "Synchronous Channel:"
    int syncChannel = 0;
    bool repeat = false;
    bool section = false;
};

// The defaults for a model: on the 16-channel models the line always goes to a channel too.
bool uartSyncChannelForced(int modelCode);
UartSettings uartDefaults(int modelCode);
// The "Stop Bits:" combo: index 0..3 is "1", "2", "3", "4", the second reading "1.5" while the
// data bits are 5.
UartStopBits uartStopBitsAt(int index, int dataBits);
bool uartStopBitsHalf(int dataBits); // whether the second entry reads "1.5"

// The sample clock: twice the baud with 1.5 stop bits; else the baud, except 115200 -> 115000,
// 460800 -> 460625 and 921600 -> 921875.
int uartSampleClock(const UartSettings& s);
int uartSamplesPerCharacter(const UartSettings& s);

// The data text as the bytes of the temporary file: "ASC" byte for byte; the number formats
// cut the text at each CR LF (an empty last piece included) and write each value (read like
// strtol in base 2, 8, 10 or 16) as one byte, or two bytes low first above 8 data bits.
std::vector<std::uint8_t> uartDataBytes(std::string_view text, UartFormat format, int dataBits);
// The number formats refuse what strtol would quietly read as something else: a line that is not a
// number in the format (UartLineNotNumber: "G7" in HEX, "12" in BIN) or does not fit the data bits
// as an unsigned value or a negative one in two's complement (UartLineTooWide: "1FF" in 8 bits).
// An empty line is 0, as the format has always read it. `where` names the line: "2 ('G7')".
Msg checkUartData(std::string_view text, UartFormat format, int dataBits, std::string& where);
// The characters the bytes hold (two bytes per character above 8 data bits in the number formats).
std::vector<std::uint16_t> uartCharacters(std::span<const std::uint8_t> bytes, UartFormat format, int dataBits);

// "Load": a data file into the data edit. 12005 when it cannot be read, 12026 when it is larger
// than the sample limit in bytes, 12006 when empty; `text` is left as it was on any error.
Msg uartLoadFile(const std::string& path, int sampleLimit, std::string& text);

// Settings the dialog cannot produce but a typed field or the command line can: data bits
// outside 4..16 or 1.5 stop bits without 5 data bits (12079), a synchronous channel outside the
// model (12096), a clock above the model's maximum (12022).
Msg validateUart(const UartSettings& s, const Capabilities& caps);

struct UartLevels {
    Sample mark; // logic 1, idle
    Sample space; // logic 0
};
UartLevels uartLevels(const UartSettings& s);

struct UartPass {
    int count = 0; // samples to load
    bool last = true;
};

// The stream of one output: each pass fills one buffer from the current data position.
class UartStream {
  public:
    UartStream(const UartSettings& s, std::vector<std::uint16_t> characters, int sampleLimit, int cardType);
    // The next pass into out (at least sampleLimit + 40 samples).
    UartPass buildPass(std::span<Sample> out);
    int passes() const { return passes_; }

  private:
    UartSettings settings_;
    UartLevels levels_;
    std::vector<std::uint16_t> characters_;
    int limit_;
    int cardType_;
    std::size_t position_ = 0;
    int passes_ = 0;
    std::uint32_t dataMask_;
    int frameBits_; // start, data and parity bits
    int samplesPerBit_;
    int stopSamples_;
};

// Whether the data fits one buffer: characters x samples per character plus the lead-in (counted
// as 32, or 64 in half-bit mode) within the sample limit.
bool uartDataFits(const UartSettings& s, std::size_t characters, int sampleLimit);

struct UartRunResult {
    OutputOutcome outcome;
    bool sectionChecked = false; // the state "Section" is left in
    bool sectionEnabled = false;
};
// The output thread after the data source was read: the temporary file (when a path is given),
// the checks, the size question, then the passes on the output engine with event selection 1.
// Errors are shown through the prompt.
UartRunResult runUart(OutputPorts& ports, const UartSettings& s, std::string_view dataText, std::span<Sample> buffer,
                      const std::string& temporaryFilePath);

} // namespace qv::gen
