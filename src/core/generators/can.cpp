// The CAN builder. A frame is built as bits (SOF through CRC), stuffed into a small array, then
// written one sample per bit from a two-entry level table; the tail (delimiters, end of frame and
// interframe space) and the error frames are runs of one level.
#include "generators/can.h"

#include "device/rate_entry.h"
#include "generators/frame.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

namespace qv::gen {
namespace {

constexpr FrameLayout canFrameLayout{2, 3, 4, canRepeatAddress};
constexpr int crcBits = 15;
constexpr std::uint32_t crcPolynomial = 0x4599;
constexpr int stuffRun = 5;
constexpr int endOfFrameBits = 7;
constexpr int errorFlagBits = 6, errorDelimiterBits = 8;
constexpr int maxStuffedBits = 160; // 118 bits, one stuff bit per four after the first
constexpr std::uint64_t maxInterframeSpace = 0xFFFFFFFFu;
constexpr int randomRange = 32768; // the random numbers the buttons take are 0..32767
constexpr std::uint32_t randomExtendedIdBase = 32567536;

constexpr std::string_view errorLines[3][2] = {
    // passive, active
    {"CRC Error: Passive Error(CRC).", "CRC Error: Active Error(CRC)."},
    {"Form Error: Passive Error(CRC Delimiter).", "Form Error: Active Error(CRC Delimiter)."},
    {"Form Error: Passive Error(Interframe Space).", "Form Frame: Active Error(Interframe Space)."},
};

int randomNumber(std::mt19937& random) { return static_cast<int>(random() % randomRange); }

std::string hexText(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

// ISO 11898 stuffing over SOF..CRC: after five equal bits one of the opposite value, which starts
// the next run; also after the last CRC bit.
int stuff(const CanBits& in, std::array<std::uint8_t, maxStuffedBits>& out) {
    int n = 0, run = 0;
    std::uint8_t last = 2;
    for (int i = 0; i < in.size; ++i) {
        const std::uint8_t bit = in.bits[static_cast<std::size_t>(i)];
        out[static_cast<std::size_t>(n++)] = bit;
        run = bit == last ? run + 1 : 1;
        last = bit;
        if (run == stuffRun) {
            last = static_cast<std::uint8_t>(!bit);
            out[static_cast<std::size_t>(n++)] = last;
            run = 1;
        }
    }
    return n;
}

std::uint64_t tailBits(const CanUnit& u) {
    std::uint64_t bits = 0;
    if (u.hasCrcDelimiter) bits += 1;
    if (u.hasAck) bits += 2; // the ACK slot and the ACK delimiter
    if (u.hasInterframeSpace) bits += endOfFrameBits + u.frame.interframeSpace;
    return bits;
}

} // namespace

void CanBits::push(std::uint64_t value, int count) {
    for (int b = count - 1; b >= 0; --b)
        bits[static_cast<std::size_t>(size++)] = static_cast<std::uint8_t>((value >> b) & 1);
}

int canHighestHighChannel(int modelCode) {
    switch (modelCode) {
    case 0xA020:
    case 0xA050:
    case 0xC020:
    case 0xC120:
    case 0xC320: return 18;
    default: return isSixteenChannelModel(modelCode) ? 14 : 48;
    }
}

bool canIdFits(std::uint64_t id, CanIdFormat format) {
    return id <= (format == CanIdFormat::Bits11 ? canMaxStandardId : canMaxExtendedId);
}

Msg checkCanIdText(std::string& text, CanIdFormat format) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto id = hexValue(text, std::numeric_limits<std::uint64_t>::max() >> 4);
    if (!id) {
        for (char c : text)
            if (!std::isxdigit(static_cast<unsigned char>(c))) return Msg::CanPleaseInputHex;
        if (text.empty()) return Msg::CanPleaseInputHex;
        return Msg::CanIdTooBig; // more digits than any identifier
    }
    return canIdFits(*id, format) ? Msg::CanIdOk : Msg::CanIdTooBig;
}

CanBits canFrameBits(const CanFrame& f) {
    CanBits b;
    b.push(0, 1); // SOF
    if (f.format == CanIdFormat::Bits11) {
        b.push(f.id & canMaxStandardId, 11);
    } else {
        b.push((f.id >> 18) & canMaxStandardId, 11);
        b.push(0b11, 2); // SRR and IDE
        b.push(f.id & 0x3FFFF, 18);
    }
    b.push(f.rtr != 0 ? 1 : 0, 1);
    b.push(0, 2); // reserved bits
    b.push(static_cast<std::uint64_t>(f.dlc) & 0xF, 4);
    if (f.kind == CanFrameKind::Data)
        for (int i = 0; i < f.dlc && i < canMaxDataBytes; ++i) b.push(f.data[static_cast<std::size_t>(i)], 8);
    return b;
}

std::uint32_t canCrc15(const CanBits& bits) {
    std::uint32_t crc = 0;
    for (int i = 0; i < bits.size; ++i) {
        const std::uint32_t next = bits.bits[static_cast<std::size_t>(i)] ^ ((crc >> 14) & 1);
        crc = (crc << 1) & 0x7FFF;
        if (next) crc ^= crcPolynomial;
    }
    return crc;
}

CanFrameCheck checkCanFrame(const CanFrame& f) {
    if (!canIdFits(f.id, f.format)) return {Msg::CanIdTooBig};
    if (f.crc > canMaxCrc) return {Msg::CanCrcOverload};
    if (f.rtr != 0 && f.rtr != 1) return {Msg::CanRtrRange};
    if (f.dlc < 0 || f.dlc > canMaxDataBytes) return {Msg::CanDlcRange};
    if (f.crcDelimiter != 0 && f.crcDelimiter != 1) return {Msg::CanCrcDelimiterRange};
    if (f.ack != 0 && f.ack != 1) return {Msg::CanAckRange};
    if (canFrameCrc(f) != f.crc) return {Msg::None, CanFault::Crc};
    if (f.crcDelimiter != 1) return {Msg::None, CanFault::CrcDelimiter};
    if (f.interframeSpace < canMinInterframeSpace) return {Msg::None, CanFault::InterframeSpace};
    return {};
}

std::string canFrameLine(const CanFrame& f, CanFault fault) {
    std::string line = f.kind == CanFrameKind::Data ? "DATA, " : "REMOTE, ";
    line += f.format == CanIdFormat::Bits11 ? "11, " : "29, ";
    line += "ID = " + hexText(f.id) + ", RTR = " + std::to_string(f.rtr) + ", DLC = " + std::to_string(f.dlc) + ", ";
    if (f.kind == CanFrameKind::Data) {
        line += "Data = ";
        for (int i = 0; i < f.dlc && i < canMaxDataBytes; ++i) {
            char byte[4];
            std::snprintf(byte, sizeof byte, "%02x", f.data[static_cast<std::size_t>(i)]);
            line += std::string(byte) + " ";
        }
        line += ", ";
    }
    line += "CRC = " + hexText(f.crc);
    if (fault == CanFault::Crc) return line + ".";
    line += ", CRC Deli = " + std::to_string(f.crcDelimiter);
    if (fault == CanFault::CrcDelimiter) return line + ".";
    line += ", ACK = " + std::to_string(f.ack);
    if (fault == CanFault::InterframeSpace) return line + ".";
    return line + ", IS = " + std::to_string(f.interframeSpace) + ".";
}

std::string_view canErrorFrameLine(CanFault fault, bool active) {
    const int row = fault == CanFault::Crc ? 0 : fault == CanFault::CrcDelimiter ? 1 : 2;
    return errorLines[row][active ? 1 : 0];
}

bool canLineContinues(std::string_view line) { return !line.starts_with("DATA") && !line.starts_with("REMOTE"); }

std::vector<std::string> canAddLines(const CanFrame& f, Prompt& prompt) {
    const CanFrameCheck check = checkCanFrame(f);
    if (check.error != Msg::None) {
        prompt.show(static_cast<int>(check.error));
        return {};
    }
    if (check.fault == CanFault::None) return {canFrameLine(f, CanFault::None)};
    const Msg question = check.fault == CanFault::Crc ? Msg::CanCrcErrorQuestion : Msg::CanFormErrorQuestion;
    const Answer answer = prompt.ask(static_cast<int>(question), Buttons::YesNoCancel);
    if (answer != Answer::Yes && answer != Answer::No) return {};
    return {canFrameLine(f, check.fault), std::string(canErrorFrameLine(check.fault, answer == Answer::Yes))};
}

Msg readCanLine(std::string_view line, CanUnit& unit) {
    unit = CanUnit{};
    const bool data = line.starts_with("DATA, ");
    if (!data && !line.starts_with("REMOTE, ")) {
        if (line.find("Active Error(") != std::string_view::npos) {
            unit.errorFrame = unit.active = true;
            return Msg::None;
        }
        if (line.find("Passive Error(") != std::string_view::npos) {
            unit.errorFrame = true;
            return Msg::None;
        }
        return Msg::ListLineUnreadable;
    }
    CanFrame& f = unit.frame;
    f.kind = data ? CanFrameKind::Data : CanFrameKind::Remote;
    const std::string_view afterKind = line.substr(data ? 6 : 8);
    if (afterKind.starts_with("11, "))
        f.format = CanIdFormat::Bits11;
    else if (afterKind.starts_with("29, "))
        f.format = CanIdFormat::Bits29;
    else
        return Msg::ListLineUnreadable;
    const auto id = lineField(line, "ID");
    const auto idValue = id ? hexValue(*id, canMaxExtendedId) : std::nullopt;
    if (!idValue || !canIdFits(*idValue, f.format)) return Msg::CanIdTooBig;
    f.id = static_cast<std::uint32_t>(*idValue);
    const auto rtr = lineField(line, "RTR");
    const auto rtrValue = rtr ? decimalValue(*rtr, 1) : std::nullopt;
    if (!rtrValue) return Msg::CanRtrRange;
    f.rtr = static_cast<int>(*rtrValue);
    const auto dlc = lineField(line, "DLC");
    const auto dlcValue = dlc ? decimalValue(*dlc, canMaxDataBytes) : std::nullopt;
    if (!dlcValue) return Msg::CanDlcRange;
    f.dlc = static_cast<int>(*dlcValue);
    if (data) {
        const auto bytes = lineField(line, "Data");
        const auto values = bytes ? hexBytes(*bytes, canMaxDataBytes) : std::nullopt;
        if (!values || static_cast<int>(values->size()) != f.dlc) return Msg::ListLineUnreadable;
        std::copy(values->begin(), values->end(), f.data.begin());
    }
    const auto crc = lineField(line, "CRC");
    const auto crcValue = crc ? hexValue(*crc, canMaxCrc) : std::nullopt;
    if (!crcValue) return Msg::CanCrcOverload;
    f.crc = static_cast<std::uint32_t>(*crcValue);
    if (const auto deli = lineField(line, "CRC Deli")) {
        const auto value = decimalValue(*deli, 1);
        if (!value) return Msg::CanCrcDelimiterRange;
        f.crcDelimiter = static_cast<int>(*value);
        unit.hasCrcDelimiter = true;
    }
    if (const auto ack = lineField(line, "ACK")) {
        const auto value = decimalValue(*ack, 1);
        if (!value || !unit.hasCrcDelimiter) return Msg::CanAckRange;
        f.ack = static_cast<int>(*value);
        unit.hasAck = true;
    }
    if (const auto space = lineField(line, "IS")) {
        const auto value = decimalValue(*space, maxInterframeSpace);
        if (!value || !unit.hasAck) return Msg::CanInterframeSpaceRange;
        f.interframeSpace = *value;
        unit.hasInterframeSpace = true;
    }
    return Msg::None;
}

ListProblem readCanList(const std::vector<std::string>& lines, std::vector<CanUnit>& units) {
    units.clear();
    units.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        CanUnit unit;
        if (Msg m = readCanLine(lines[i], unit); m != Msg::None) return {static_cast<int>(i) + 1, m};
        units.push_back(unit);
    }
    return {};
}

Msg readCanFields(const CanFieldTexts& t, CanFrame& f) {
    f.format = t.format;
    f.kind = t.kind;
    const auto id = hexValue(t.id, 0xFFFFFFFF);
    if (!id) return Msg::CanPleaseInputHex;
    f.id = static_cast<std::uint32_t>(*id);
    const auto rtr = decimalValue(t.rtr, 9);
    if (!rtr) return Msg::CanRtrRange;
    f.rtr = static_cast<int>(*rtr);
    const auto dlc = decimalValue(t.dlc, canMaxDataBytes);
    if (!dlc) return Msg::CanDlcRange;
    f.dlc = static_cast<int>(*dlc);
    if (f.kind == CanFrameKind::Data)
        for (int i = 0; i < f.dlc; ++i) {
            const auto byte = hexValue(t.data[static_cast<std::size_t>(i)], 0xFF);
            if (!byte) return Msg::CanPleaseInputHex;
            f.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*byte);
        }
    const auto crc = hexValue(t.crc, 0xFFFFFFFF);
    if (!crc) return Msg::CanPleaseInputHex;
    f.crc = static_cast<std::uint32_t>(*crc);
    const auto delimiter = decimalValue(t.crcDelimiter, 9);
    if (!delimiter) return Msg::CanCrcDelimiterRange;
    f.crcDelimiter = static_cast<int>(*delimiter);
    const auto ack = decimalValue(t.ack, 9);
    if (!ack) return Msg::CanAckRange;
    f.ack = static_cast<int>(*ack);
    const auto space = decimalValue(t.interframeSpace, maxInterframeSpace);
    if (!space) return Msg::CanInterframeSpaceRange;
    f.interframeSpace = *space;
    return Msg::None;
}

std::uint32_t canRandomId(CanIdFormat format, std::mt19937& random) {
    const int n = randomNumber(random);
    return format == CanIdFormat::Bits11 ? static_cast<std::uint32_t>(n % 2047)
                                         : randomExtendedIdBase + static_cast<std::uint32_t>(n);
}
int canRandomDlc(std::mt19937& random) { return randomNumber(random) % 8 + 1; }
std::uint8_t canRandomByte(std::mt19937& random) { return static_cast<std::uint8_t>(randomNumber(random) % 256); }
int canRandomInterframeSpace(std::mt19937& random) { return randomNumber(random) % 8 + 3; }

Msg validateCan(const CanSettings& s, const Capabilities& caps) {
    if (s.highChannel < 0 || s.highChannel > canHighestHighChannel(caps.modelCode)) return Msg::ErrorChannelSetting;
    if (Msg m = rateProblem(s.rateBitsPerSecond); m != Msg::None) return m;
    if (nearestHertz(s.rateBitsPerSecond) > caps.maxOutputFrequency) return Msg::RateOutOfRange;
    return Msg::None;
}

int canSampleClock(const CanSettings& s) { return static_cast<int>(nearestHertz(s.rateBitsPerSecond)); }

CanBuild buildCanStream(std::span<const CanUnit> units, const CanSettings& s, int cardType, std::span<Sample> out,
                        int sampleLimit) {
    const Sample level[2] = {channelBit(s.highChannel), channelBit(s.highChannel + 1)}; // dominant, recessive
    const std::int64_t limit = std::min<std::int64_t>(sampleLimit, static_cast<std::int64_t>(out.size()));
    Sample* const base = out.data();
    if (limit < canLeadInSamples) return {0, Msg::CantRunDataTooBig};
    fillSamples(base, canLeadInSamples, level[1]);
    std::int64_t n = canLeadInSamples;
    std::array<std::uint8_t, maxStuffedBits> stuffed{};
    for (const CanUnit& u : units) {
        if (u.errorFrame) {
            if (n + errorFlagBits + errorDelimiterBits > limit) return {static_cast<int>(n), Msg::CantRunDataTooBig};
            const int flag = u.active ? errorFlagBits : 0;
            fillSamples(base + n, flag, level[0]);
            fillSamples(base + n + flag, errorFlagBits + errorDelimiterBits - flag, level[1]);
            n += errorFlagBits + errorDelimiterBits;
            continue;
        }
        CanBits bits = canFrameBits(u.frame);
        bits.push(u.frame.crc, crcBits);
        const std::uint64_t tail = tailBits(u);
        // The stuffed length is counted only when the frame might not fit: one stuff bit per four
        // bits after the first run of five is the most there can be.
        const std::uint64_t room = static_cast<std::uint64_t>(limit - n);
        const int mostStuffed = bits.size + (bits.size - 1) / 4;
        if (static_cast<std::uint64_t>(mostStuffed) + tail > room &&
            static_cast<std::uint64_t>(stuff(bits, stuffed)) + tail > room)
            return {static_cast<int>(n), Msg::CantRunDataTooBig};
        Sample* at = base + n;
        // Stuffing and writing in one pass, the run counted without a branch on the data.
        int run = 0;
        unsigned last = 2;
        for (int i = 0; i < bits.size; ++i) {
            const unsigned bit = bits.bits[static_cast<std::size_t>(i)];
            *at++ = level[bit];
            run = run * static_cast<int>(bit == last) + 1;
            last = bit;
            if (run == stuffRun) {
                last = bit ^ 1u;
                *at++ = level[last];
                run = 1;
            }
        }
        const int stuffedCount = static_cast<int>(at - (base + n));
        if (u.hasCrcDelimiter) *at++ = level[u.frame.crcDelimiter & 1];
        if (u.hasAck) {
            *at++ = level[u.frame.ack & 1];
            *at++ = level[1];
        }
        if (u.hasInterframeSpace) fillSamples(at, static_cast<int>(endOfFrameBits + u.frame.interframeSpace), level[1]);
        n += stuffedCount + static_cast<std::int64_t>(tail);
    }
    const int count = static_cast<int>(n);
    placeFrameCommands(out, count, canFrameLayout, cardType, s.repeat);
    return {count, Msg::None};
}

CanRunResult runCan(OutputPorts& ports, const CanSettings& s, const std::vector<std::string>& lines,
                    std::span<Sample> buffer) {
    CanRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.rateBitsPerSecond = s.rateBitsPerSecond;
    if (Msg m = validateCan(s, ports.capabilities); m != Msg::None) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m));
        return result;
    }
    std::vector<CanUnit> units;
    if (const ListProblem problem = readCanList(lines, units); problem.line > 0) {
        result.outcome.error = Msg::ListLineUnreadable;
        ports.prompt.show(static_cast<int>(Msg::ListLineUnreadable), listProblemText(problem, lines));
        return result;
    }
    const int cardType = readCardType(ports);
    GeneratorJob job;
    job.clockHz = canSampleClock(s);
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = canEventSelection;
    job.build = [&](int) {
        const CanBuild built =
            buildCanStream(units, s, cardType, buffer, sampleLimit(ports.capabilities, canSampleLimitMargin));
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
