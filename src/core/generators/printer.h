// The printer port (SPP): the host side of a parallel printer port. Each byte goes out on eight
// data channels with a strobe pulse, at a fixed 1 MHz, six samples a byte: the previous byte's data
// held one sample past the rising nSTROBE, three samples of setup, then nSTROBE low for two. The
// first sample of a byte carries WE on the printer's BUSY input (an inverted event selection), so
// the sequencer holds the new data with nSTROBE high while BUSY is high. Data longer than the
// memory goes out in sections; there is no Convert. Only the data channels and nSTROBE are driven:
// nSELECTIN and nAUTOFEED are checked for conflicts and stay low.
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

inline constexpr int printerClockHz = 1'000'000;
inline constexpr int printerLimitMargin = 36; // the sample limit: memory depth - 36
inline constexpr int printerLeadIn = 12; // samples 0..11 at the idle level
inline constexpr int printerSamplesPerByte = 6;
inline constexpr int printerTail = 10; // after the last byte, nSTROBE high
inline constexpr unsigned printerRepeatAddress = 11; // Repeat jumps to the last idle sample
inline constexpr int printerBusySelectAt = 11; // SE on the BUSY event

// Pin Define: the data range H..H-7 (bit 7 on H), the three control channels and BUSY's event.
struct PrinterPins {
    int dataHigh = 7;
    int strobe = 8;
    int selectIn = 9;
    int autoFeed = 10;
    int busyEvent = 1; // Event 1, 2 or 3
};
// OK of Pin Define: H within 7 .. channels - 1, every control channel on a real channel outside
// H - 7 .. H, the three all different; else 12037 "Channel Conflict!".
Msg checkPrinterPins(const PrinterPins& pins, int channelCount);
// The SE code that makes each byte's WE wait while BUSY is high: the inverted event, 1, 2 or 4.
unsigned printerBusyCode(int busyEvent);

struct PrinterSettings {
    PrinterPins pins;
    bool lineFeed = false; // CR LF after the data
    bool formFeed = false; // 0x0C after that
    bool repeat = false;
    bool section = false;
};

// The data file of Load: 12005 unreadable, 12026 larger than the sample limit in bytes, 12006 empty.
Msg printerLoadFile(const std::string& path, int sampleLimit, std::string& text);
// Where Run takes the data: the typed text, or the file named in the path field.
struct PrinterSource {
    bool fromFile = false;
    std::string text;
    std::string path;
};
// The data of Run: the typed text (12036 "No data in buffer." when empty) or the whole file
// (12005 unreadable or empty, 12007, or the too-large message past 64 MB), then CR LF and form
// feed as checked.
Msg printerData(const PrinterSource& source, const PrinterSettings& s, std::vector<std::uint8_t>& bytes);
// Whether the whole data goes into one pass: 12 + 6 per byte + 10 samples within the limit.
bool printerDataFits(std::size_t bytes, int sampleLimit);
inline int printerSampleLimit(const Capabilities& caps) { return caps.depthSamples() - printerLimitMargin; }

// The stream, pass by pass. Each pass starts with 12 idle samples (SE KEY on 2, WE on 3, OE on
// 4..6 on card type 18, SE BUSY on 11), then six samples a byte while the byte and the tail fit
// below the sample limit, and ten tail samples. A first pass holding all the data with Repeat and
// no sections jumps back to sample 11; otherwise it ends with SE KEY / WE on n - 7 / n - 6, and
// with sections the next pass goes on from the next byte (cyclically after the first pass with
// Repeat).
class PrinterStream {
  public:
    PrinterStream(const PrinterSettings& s, std::vector<std::uint8_t> bytes, int sampleLimit, int cardType);
    struct Pass {
        int count = 0;
        bool last = true;
    };
    Pass buildPass(std::span<Sample> out);

  private:
    PrinterSettings settings_;
    std::vector<std::uint8_t> bytes_;
    int limit_;
    int cardType_;
    std::size_t position_ = 0;
    int passes_ = 0;
};

// The output thread: the data (printerData), the fit question (12024; 12025 with Repeat), qvReset and the 1 MHz
// clock, then the passes on the output engine. Errors are shown through the prompt;
// `sectionChecked` tells the dialog to check Section.
struct PrinterRunResult {
    OutputOutcome outcome;
    bool sectionChecked = false;
};
PrinterRunResult runPrinter(OutputPorts& ports, const PrinterSettings& s, const PrinterSource& source,
                            std::span<Sample> buffer);

} // namespace qv::gen
