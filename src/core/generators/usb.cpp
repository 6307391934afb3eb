// The USB 1.1 builder: rows become bit strings once (PID bits, fields least significant bit first,
// CRCs most significant bit first), and each row's line states are stuffed and NRZI-coded into a
// scratch vector whose size is checked against the limit before one sample is written.
#include "generators/usb.h"

#include "device/rate_entry.h"
#include "generators/frame.h"

#include <algorithm>
#include <cstdio>

namespace qv::gen {
namespace {

constexpr FrameLayout usbFrameLayout{2, 3, 4, usbRepeatAddress};
constexpr std::string_view pidNames[usbPidCount] = {"SOF",   "SETUP", "IN",   "OUT",  "DATA0",
                                                    "DATA1", "ACK",   "NACK", "STALL"};
// Token and data PIDs as bits in bus order; SYNC and the handshakes as line states.
constexpr std::string_view pidBits[usbPidCount] = {"10100101", "10110100", "10010110", "10000111", "11000011",
                                                   "11010010", "11011000", "11000110", "11111010"};
constexpr std::string_view syncStates = "01010100";
constexpr std::string_view syncCell = "SYNC", eopCell = "EOP";
constexpr int frameNumberBits = 11, addressBits = 7, endpointBits = 4, dataByteBits = 8;
constexpr int crc5Bits = 5, crc16Bits = 16;
constexpr unsigned crc5Polynomial = 0x05, crc16Polynomial = 0x8005;
constexpr int maxStuffRun = 6;
constexpr int maxHexDigits = 16;
constexpr std::int64_t hertzPerFrame = 1000; // 1 ms: clock x 10^6 / 10^9

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string hexText(std::uint64_t value) {
    char text[20];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

void appendStates(std::vector<std::uint8_t>& to, std::string_view states) {
    for (char c : states) to.push_back(c == '1' ? 1 : 0);
}

unsigned crcOf(std::span<const std::uint8_t> bits, int width, unsigned polynomial) {
    const unsigned mask = (1u << width) - 1, top = 1u << (width - 1);
    unsigned reg = mask;
    for (std::uint8_t bit : bits) {
        const bool feedback = ((reg & top) != 0) != (bit != 0);
        reg = (reg << 1) & mask;
        if (feedback) reg ^= polynomial;
    }
    return ~reg & mask;
}

// The bits a token or SOF carries before its CRC5.
std::vector<std::uint8_t> tokenFieldBits(UsbPid pid, std::string_view frame, std::string_view address,
                                         std::string_view endpoint) {
    std::vector<std::uint8_t> bits;
    if (pid == UsbPid::Sof) {
        appendFieldBits(bits, usbHexValue(frame), frameNumberBits);
    } else {
        appendFieldBits(bits, usbHexValue(address), addressBits);
        appendFieldBits(bits, usbHexValue(endpoint), endpointBits);
    }
    return bits;
}

std::string withoutLineBreaks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

constexpr std::uint8_t se0State = 2;

// A row's line states, once when the row is read: SYNC, the handshake's states or the packet's
// bits stuffed and NRZI-coded (only when the row ends with EOP), then the two SE0 samples.
void rowStates(UsbUnit& u) {
    u.states.clear();
    if (u.sync) appendStates(u.states, syncStates);
    if (usbIsHandshake(u.pid))
        appendStates(u.states, pidBits[static_cast<int>(u.pid)]);
    else if (u.eop)
        usbNrzi(usbStuffed(u.bits), u.states);
    if (u.eop) u.states.insert(u.states.end(), usbEopSamples, se0State);
}

} // namespace

std::string_view usbPidName(UsbPid pid) { return pidNames[static_cast<int>(pid)]; }
std::optional<UsbPid> usbPidOf(std::string_view name) {
    for (int i = 0; i < usbPidCount; ++i)
        if (pidNames[i] == name) return static_cast<UsbPid>(i);
    return std::nullopt;
}
bool usbIsToken(UsbPid pid) { return pid == UsbPid::Setup || pid == UsbPid::In || pid == UsbPid::Out; }
bool usbIsData(UsbPid pid) { return pid == UsbPid::Data0 || pid == UsbPid::Data1; }
bool usbIsHandshake(UsbPid pid) { return pid == UsbPid::Ack || pid == UsbPid::Nack || pid == UsbPid::Stall; }

std::uint64_t usbHexValue(std::string_view text) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < text.size() && i < maxHexDigits; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0) break;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::vector<std::uint64_t> usbDataItems(std::string_view text) {
    const std::string joined = withoutLineBreaks(text);
    std::vector<std::uint64_t> items;
    std::size_t start = 0;
    for (std::size_t end = joined.find(';'); end != std::string::npos; end = joined.find(';', start)) {
        items.push_back(usbHexValue(std::string_view(joined).substr(start, end - start)));
        start = end + 1;
    }
    return items;
}

unsigned usbCrc5(std::span<const std::uint8_t> bits) { return crcOf(bits, crc5Bits, crc5Polynomial); }
unsigned usbCrc16(std::span<const std::uint8_t> bits) { return crcOf(bits, crc16Bits, crc16Polynomial); }

void appendFieldBits(std::vector<std::uint8_t>& bits, std::uint64_t value, int width) {
    int length = 0;
    for (std::uint64_t v = value; v != 0; v >>= 1) ++length;
    for (int b = 0; b < std::max(length, width); ++b) bits.push_back(static_cast<std::uint8_t>((value >> b) & 1));
}

std::vector<std::uint8_t> usbDataBits(std::string_view dataCell) {
    std::vector<std::uint8_t> bits;
    for (std::uint64_t item : usbDataItems(dataCell)) appendFieldBits(bits, item, dataByteBits);
    return bits;
}

UsbFieldUse usbFieldUse(UsbPid pid) { return {pid == UsbPid::Sof, usbIsToken(pid), usbIsToken(pid), usbIsData(pid)}; }

Msg usbPacketCells(const UsbPacketFields& f, UsbCells& cells, UsbMissingFields* missing) {
    const UsbFieldUse use = usbFieldUse(f.pid);
    UsbMissingFields empty{use.frameNumber && f.frameNumber.empty(), use.address && f.address.empty(),
                           use.endpoint && f.endpoint.empty()};
    if (missing) *missing = empty;
    if (empty.any()) return Msg::UsbWrongSetting;
    cells = {};
    cells[UsbSync] = syncCell;
    cells[UsbPidCell] = usbPidName(f.pid);
    cells[UsbEop] = eopCell;
    if (use.frameNumber || use.address) {
        if (use.frameNumber) cells[UsbFrameNumber] = upper(f.frameNumber);
        if (use.address) cells[UsbAddress] = upper(f.address), cells[UsbEndpoint] = upper(f.endpoint);
        cells[UsbCrc5] = hexText(usbCrc5(tokenFieldBits(f.pid, f.frameNumber, f.address, f.endpoint)));
    }
    if (use.data) {
        cells[UsbData] = upper(f.data);
        cells[UsbCrc16] = hexText(usbCrc16(usbDataBits(f.data)));
    }
    return Msg::None;
}

UsbPacketFields usbFieldsOfCells(const UsbCells& cells) {
    UsbPacketFields f;
    f.pid = usbPidOf(cells[UsbPidCell]).value_or(UsbPid::Sof);
    f.frameNumber = cells[UsbFrameNumber];
    f.address = cells[UsbAddress];
    f.endpoint = cells[UsbEndpoint];
    f.data = cells[UsbData];
    return f;
}

UsbPacketFields usbSampleFields(UsbPid pid) {
    static constexpr std::string_view data0 = "40;\r\n4;\r\n82;\r\n0;\r\n0;\r\n0;\r\n8;\r\n0;\r\n";
    static constexpr std::string_view data1 = "5A;\r\nF;\r\n66;\r\nA;\r\n0;\r\n";
    const bool token = usbIsToken(pid);
    return {pid, std::string(pid == UsbPid::Sof ? "2A6" : ""), std::string(token ? "1" : ""),
            std::string(token ? "0" : ""),
            std::string(pid == UsbPid::Data0       ? data0
                            : pid == UsbPid::Data1 ? data1
                                                   : std::string_view())};
}

std::string usbLineOfCells(const UsbCells& cells) {
    std::string line;
    for (const std::string& cell : cells) line += withoutLineBreaks(cell) + ' ';
    return line;
}

std::optional<UsbCells> usbCellsOfLine(std::string_view line) {
    UsbCells cells;
    std::size_t count = 0, start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos) end = line.size(); // the last token keeps without its blank
        if (count == cells.size()) return std::nullopt;
        const std::string_view cell = line.substr(start, end - start);
        const std::size_t longest = count == UsbData ? usbDataLength : usbFieldLength;
        if (cell.size() > longest) return std::nullopt;
        cells[count++] = upper(cell);
        start = end + 1;
    }
    if (count != cells.size()) return std::nullopt;
    return cells;
}

bool usbLineContinues(std::string_view) { return false; }

std::string_view usbSampleText() {
    return "SYNC SOF 288   1   EOP \r\n"
           "SYNC SETUP  1 0 17   EOP \r\n"
           "SYNC DATA0     C0;C;84;0;0;0;1;0; 60E EOP \r\n"
           "SYNC ACK       EOP \r\n"
           "SYNC SOF 289   1E   EOP \r\n"
           "SYNC OUT  1 2 3   EOP \r\n"
           "SYNC DATA0     5A;F;66;1; EC06 EOP \r\n"
           "SYNC ACK       EOP \r\n";
}

Msg readUsbLine(std::string_view line, UsbUnit& unit) {
    unit = UsbUnit{};
    const auto cells = usbCellsOfLine(line);
    if (!cells) return Msg::ListLineUnreadable;
    const UsbCells& c = *cells;
    const auto pid = usbPidOf(c[UsbPidCell]);
    if (!pid || (!c[UsbSync].empty() && c[UsbSync] != syncCell) || (!c[UsbEop].empty() && c[UsbEop] != eopCell))
        return Msg::ListLineUnreadable;
    unit.sync = !c[UsbSync].empty();
    unit.eop = !c[UsbEop].empty();
    unit.pid = *pid;
    // Each field by its column; an empty cell sends no bits. A zero-length DATA packet is its PID
    // and its CRC16 cell.
    const auto field = [&](int column, int width) {
        if (!c[static_cast<std::size_t>(column)].empty())
            appendFieldBits(unit.bits, usbHexValue(c[static_cast<std::size_t>(column)]), width);
    };
    const auto crc = [&](int column, int width) {
        const std::string& cell = c[static_cast<std::size_t>(column)];
        if (cell.empty()) return;
        const std::uint64_t value = usbHexValue(cell);
        int length = 0;
        for (std::uint64_t v = value; v != 0; v >>= 1) ++length;
        for (int b = std::max(length, width) - 1; b >= 0; --b)
            unit.bits.push_back(static_cast<std::uint8_t>((value >> b) & 1));
    };
    if (usbIsHandshake(*pid)) {
        rowStates(unit);
        return Msg::None;
    }
    appendStates(unit.bits, pidBits[static_cast<int>(*pid)]);
    if (*pid == UsbPid::Sof) {
        field(UsbFrameNumber, frameNumberBits);
        crc(UsbCrc5, crc5Bits);
    } else if (usbIsToken(*pid)) {
        field(UsbAddress, addressBits);
        field(UsbEndpoint, endpointBits);
        crc(UsbCrc5, crc5Bits);
    } else {
        const std::vector<std::uint8_t> data = usbDataBits(c[UsbData]);
        unit.bits.insert(unit.bits.end(), data.begin(), data.end());
        crc(UsbCrc16, crc16Bits);
    }
    rowStates(unit);
    return Msg::None;
}

ListProblem readUsbList(const std::vector<std::string>& lines, std::vector<UsbUnit>& units) {
    units.clear();
    units.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        UsbUnit unit;
        if (Msg m = readUsbLine(lines[i], unit); m != Msg::None) return {static_cast<int>(i) + 1, m};
        units.push_back(std::move(unit));
    }
    return {};
}

std::vector<std::uint8_t> usbStuffed(std::span<const std::uint8_t> bits) {
    std::vector<std::uint8_t> out;
    out.reserve(bits.size() + bits.size() / maxStuffRun + 1);
    int ones = 0;
    for (std::uint8_t bit : bits) {
        out.push_back(bit);
        ones = bit ? ones + 1 : 0;
        if (ones == maxStuffRun) {
            out.push_back(0);
            ones = 0;
        }
    }
    return out;
}

void usbNrzi(std::span<const std::uint8_t> bits, std::vector<std::uint8_t>& states) {
    std::uint8_t state = 0; // SYNC ends in K
    for (std::uint8_t bit : bits) {
        if (!bit) state ^= 1;
        states.push_back(state);
    }
}

Msg validateUsb(const UsbSettings& s, const Capabilities& caps) {
    if (s.channel < 0 || s.channel > caps.channelCount - 2) return Msg::ErrorChannelSetting;
    if (Msg m = rateProblem(s.rateBitsPerSecond); m != Msg::None) return m;
    if (nearestHertz(s.rateBitsPerSecond) > caps.maxOutputFrequency) return Msg::RateOutOfRange;
    return Msg::None;
}

int usbSampleClock(const UsbSettings& s) { return static_cast<int>(nearestHertz(s.rateBitsPerSecond)); }

std::int64_t usbFrameSamples(std::int64_t clockHz) { return clockHz * 1000000 / (hertzPerFrame * 1000000); }

UsbBuild buildUsbStream(std::span<const UsbUnit> units, const UsbSettings& s, std::int64_t clockHz, int cardType,
                        std::span<Sample> out, int sampleLimit) {
    const std::int64_t limit = std::max(0, std::min<int>(sampleLimit, static_cast<int>(out.size())));
    if (limit < usbLeadInSamples) return {0, Msg::CantRunDataTooBig};
    const Sample level[3] = {channelBit(s.channel + 1), channelBit(s.channel), 0}; // K, J, SE0
    Sample* base = out.data();
    std::int64_t count = usbLeadInSamples;
    fillSamples(base, usbLeadInSamples, level[1]);
    const std::int64_t frameSamples = usbFrameSamples(clockHz);
    std::optional<std::int64_t> sofStart; // the first SOF written since the last frame gap
    for (std::size_t i = 0; i < units.size(); ++i) {
        const UsbUnit& u = units[i];
        const std::vector<std::uint8_t>& states = u.states;
        if (u.pid == UsbPid::Sof && !sofStart) sofStart = count;
        std::int64_t gap = usbIdleSamples;
        if (sofStart && i + 1 < units.size() && units[i + 1].pid == UsbPid::Sof) {
            const std::int64_t used = count + static_cast<std::int64_t>(states.size()) - *sofStart;
            gap = std::max<std::int64_t>(frameSamples - used, usbIdleSamples);
            sofStart.reset();
        }
        if (count + static_cast<std::int64_t>(states.size()) + gap > limit)
            return {static_cast<int>(count), Msg::CantRunDataTooBig};
        Sample* at = base + count;
        for (std::uint8_t state : states) *at++ = level[state];
        fillSamples(at, static_cast<int>(gap), level[1]);
        count += static_cast<std::int64_t>(states.size()) + gap;
    }
    placeFrameCommands(out, static_cast<int>(count), usbFrameLayout, cardType, s.repeat);
    return {static_cast<int>(count), Msg::None};
}

UsbRunResult runUsb(OutputPorts& ports, const UsbSettings& s, const std::vector<std::string>& lines,
                    std::span<Sample> buffer) {
    UsbRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.rateBitsPerSecond = s.rateBitsPerSecond;
    if (Msg m = validateUsb(s, ports.capabilities); m != Msg::None) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m));
        return result;
    }
    std::vector<UsbUnit> units;
    if (const ListProblem problem = readUsbList(lines, units); problem.line > 0) {
        result.outcome.error = Msg::ListLineUnreadable;
        ports.prompt.show(static_cast<int>(Msg::ListLineUnreadable), listProblemText(problem, lines));
        return result;
    }
    // The clock is settled first: the frame gaps are 1 ms of the clock that really runs.
    const ClockCheck clock = checkClock(ports, usbSampleClock(s));
    if (clock.outcome == ClockOutcome::Refused || clock.outcome == ClockOutcome::TooFast) {
        result.outcome = {OutputResult::Refused, Msg::None, clock.clockHz, 0};
        return result;
    }
    const int cardType = readCardType(ports);
    GeneratorJob job;
    job.clockHz = clock.clockHz;
    job.clockRule = ClockRule::AsGiven;
    job.eventSelection = usbEventSelection;
    job.build = [&](int) {
        const UsbBuild built = buildUsbStream(units, s, clock.clockHz, cardType, buffer,
                                              sampleLimit(ports.capabilities, usbSampleLimitMargin));
        Section section;
        section.error = built.error;
        section.samples = buffer.first(static_cast<std::size_t>(built.count));
        return section;
    };
    result.outcome = runGeneratorOutput(ports, job);
    if (result.outcome.clockHz > 0) result.rateBitsPerSecond = result.outcome.clockHz;
    return result;
}

} // namespace qv::gen
