// The packet line read into units once, then written four samples per bit from a table of the four
// (SCL, SDA) levels. Every unit's size is known before it is written, so the limit is checked per
// unit and nothing is ever written past it.
#include "generators/smbus.h"

#include "device/rate_entry.h"
#include "generators/frame.h"

#include <algorithm>
#include <bit>

namespace qv::gen {
namespace {

constexpr FrameLayout smbusFrameLayout{2, 3, 4, smbusRepeatAddress};
constexpr std::uint8_t pecPolynomial = 0x07;
constexpr int addressBits = 7, valueBits = 8;
constexpr int conditionSamples[] = {8, 12, 8}; // Start, RepeatedStart, Stop

struct FixedToken {
    std::string_view text;
    PacketUnit unit;
};
constexpr FixedToken fixedTokens[] = {
    {"S", {PacketUnitKind::Start, 0, 0}},   {"Sr", {PacketUnitKind::RepeatedStart, 0, 0}},
    {"P", {PacketUnitKind::Stop, 0, 0}},    {"W", {PacketUnitKind::Bits, 1, 0}},
    {"R", {PacketUnitKind::Bits, 1, 1}},    {"ACK", {PacketUnitKind::Bits, 1, 0}},
    {"NACK", {PacketUnitKind::Bits, 1, 1}},
};
struct ValueToken {
    std::string_view name; // with its "="
    int width;
};
constexpr ValueToken valueTokens[] = {{"ADDR=", addressBits}, {"CMD=", valueBits},       {"EXTCMD=", valueBits},
                                      {"PEC=", valueBits},    {"BYTECOUNT=", valueBits}, {"L=", valueBits},
                                      {"H=", valueBits}};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A token that is no keyword is a data byte; a keyword's value follows its "=".
std::optional<PacketUnit> tokenUnit(std::string_view token) {
    for (const FixedToken& fixed : fixedTokens)
        if (token == fixed.text) return fixed.unit;
    int width = valueBits;
    std::string_view digits = token;
    for (const ValueToken& v : valueTokens)
        if (token.starts_with(v.name)) {
            width = v.width;
            digits.remove_prefix(v.name.size());
            break;
        }
    const auto value = packetValue(digits);
    if (!value) return std::nullopt;
    const int bits = std::max(width, static_cast<int>(std::bit_width(*value)));
    return PacketUnit{PacketUnitKind::Bits, static_cast<std::uint8_t>(bits), *value};
}

std::vector<std::string_view> tokensOf(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string_view::npos) end = text.size();
        if (end > at) tokens.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return tokens;
}

std::int64_t unitSamples(const PacketUnit& u) {
    switch (u.kind) {
    case PacketUnitKind::Bits: return std::int64_t{u.bits} * smbusSamplesPerBit;
    case PacketUnitKind::LineEnd: return smbusLineGapSamples;
    default: return conditionSamples[static_cast<int>(u.kind)];
    }
}

class SmbusWriter {
  public:
    SmbusWriter(int clockChannel, Sample* base) : base_(base) {
        const Sample scl = channelBit(clockChannel), sda = channelBit(clockChannel + 1);
        level_[0] = 0;
        level_[1] = sda;
        level_[2] = scl;
        level_[3] = scl | sda;
    }
    std::int64_t count() const { return n_; }
    // Levels as "SCL SDA" pairs, e.g. put(3, 3, 2): (1,1), (1,1), (1,0).
    void put(std::initializer_list<int> levels) {
        for (int l : levels) base_[n_++] = level_[l];
    }
    void run(int level, int samples) {
        fillSamples(base_ + n_, samples, level_[level]);
        n_ += samples;
    }
    void write(const PacketUnit& u) {
        switch (u.kind) {
        case PacketUnitKind::Start:
            put({3, 3, 2, 2});
            run(0, 4);
            break;
        case PacketUnitKind::RepeatedStart:
            run(0, 4);
            put({1, 1, 3, 2});
            run(0, 4);
            break;
        case PacketUnitKind::Stop:
            run(0, 4);
            put({2, 2, 3, 3});
            break;
        case PacketUnitKind::LineEnd: run(3, smbusLineGapSamples); break;
        case PacketUnitKind::Bits:
            for (int b = u.bits - 1; b >= 0; --b) {
                const int sda = static_cast<int>((u.value >> b) & 1u);
                Sample* at = base_ + n_;
                at[0] = level_[sda];
                at[1] = level_[2 | sda];
                at[2] = level_[2 | sda];
                at[3] = level_[sda];
                n_ += smbusSamplesPerBit;
            }
            break;
        }
    }

  private:
    Sample level_[4]; // index: SCL x 2 + SDA
    Sample* base_;
    std::int64_t n_ = 0;
};

} // namespace

std::optional<std::uint32_t> packetValue(std::string_view digits) {
    std::uint64_t n = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) break;
        n = n * 16 + static_cast<std::uint64_t>(d);
        if (n > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::uint32_t>(n);
}

Msg readPacketLine(std::string_view line, std::vector<PacketUnit>& units) {
    const std::size_t before = units.size();
    auto refuse = [&] {
        units.resize(before);
        return Msg::ListLineUnreadable;
    };
    std::size_t at = 0;
    while (at < line.size()) {
        std::size_t end = line.find(' ', at);
        if (end == std::string_view::npos) end = line.size();
        if (end == at) return refuse(); // an empty cell would shift every token after it
        const auto unit = tokenUnit(line.substr(at, end - at));
        if (!unit) return refuse();
        units.push_back(*unit);
        at = end + 1;
    }
    if (units.size() == before) return refuse();
    units.push_back({PacketUnitKind::LineEnd, 0, 0});
    return Msg::None;
}

ListProblem readPacketList(const std::vector<std::string>& lines, std::vector<PacketUnit>& units) {
    units.clear();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (Msg m = readPacketLine(lines[i], units); m != Msg::None) return {static_cast<int>(i) + 1, m};
    return {};
}

void SmbusCrc::add(std::uint32_t value, int bits) {
    for (int b = bits - 1; b >= 0; --b) {
        const bool feedback = ((crc_ >> 7) ^ (value >> b)) & 1u;
        crc_ = static_cast<std::uint8_t>(crc_ << 1);
        if (feedback) crc_ ^= pecPolynomial;
    }
}

std::uint8_t packetLinePec(std::string_view text) {
    const std::vector<std::string_view> tokens = tokensOf(text);
    SmbusCrc crc;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string_view t = tokens[i];
        const std::size_t equals = t.find('=');
        if (t.starts_with("ADDR=")) {
            crc.add(packetValue(t.substr(5)).value_or(0) & 0x7Fu, addressBits);
            const auto shortToken = std::find_if(tokens.begin() + static_cast<std::ptrdiff_t>(i) + 1, tokens.end(),
                                                 [](std::string_view n) { return n.size() <= 2; });
            if (shortToken != tokens.end()) crc.add(*shortToken == "W" ? 0 : 1, 1);
        } else if (equals != std::string_view::npos) {
            crc.addByte(static_cast<std::uint8_t>(packetValue(t.substr(equals + 1)).value_or(0)));
        } else if (t.size() <= 2 && hexDigit(t[0]) >= 0) {
            crc.addByte(static_cast<std::uint8_t>(packetValue(t).value_or(0)));
        }
    }
    return crc.value();
}

int smbusHighestClockChannel(const Capabilities& caps) {
    int highest = 48;
    switch (caps.modelCode) {
    case 0xA020:
    case 0xA050:
    case 0xC020:
    case 0xC120:
    case 0xC320: highest = 18; break;
    default:
        if (isSixteenChannelModel(caps.modelCode)) highest = 14;
    }
    return std::min(highest, caps.channelCount - 2);
}

Msg validateSmbus(const SmbusSettings& s, const Capabilities& caps) {
    if (s.clockChannel < 0 || s.clockChannel > smbusHighestClockChannel(caps)) return Msg::ErrorChannelSetting;
    if (Msg m = rateProblem(s.rateHz); m != Msg::None) return m;
    if (smbusSampleClock(s) > caps.maxOutputFrequency) return Msg::RateOutOfRange;
    return Msg::None;
}

std::int64_t smbusSampleClock(const SmbusSettings& s) { return nearestHertz(s.rateHz * smbusSamplesPerBit); }

SmbusBuild buildSmbusStream(std::span<const PacketUnit> units, const SmbusSettings& s, int cardType,
                            std::span<Sample> out, int sampleLimit) {
    const std::int64_t limit = std::max<std::int64_t>(0, std::min<std::int64_t>(sampleLimit, std::ssize(out)));
    if (limit < smbusLeadInSamples) return {0, Msg::CantRunDataTooBig};
    SmbusWriter w(s.clockChannel, out.data());
    w.run(3, smbusLeadInSamples);
    for (const PacketUnit& u : units) {
        if (w.count() + unitSamples(u) > limit) return {static_cast<int>(w.count()), Msg::CantRunDataTooBig};
        w.write(u);
    }
    const int count = static_cast<int>(w.count());
    placeFrameCommands(out, count, smbusFrameLayout, cardType, s.repeat);
    return {count, Msg::None};
}

SmbusRunResult runSmbus(OutputPorts& ports, const SmbusSettings& s, const std::vector<std::string>& lines,
                        std::span<Sample> buffer) {
    SmbusRunResult result;
    result.rateHz = s.rateHz;
    result.outcome.result = OutputResult::Refused;
    if (lines.empty()) return result; // nothing to send: back to idle without a word
    result.outcome.result = OutputResult::BuildFailed;
    if (Msg m = validateSmbus(s, ports.capabilities); m != Msg::None) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m));
        return result;
    }
    std::vector<PacketUnit> units;
    if (const ListProblem problem = readPacketList(lines, units); problem.line > 0) {
        result.outcome.error = problem.reason;
        ports.prompt.show(static_cast<int>(problem.reason), listProblemText(problem, lines));
        return result;
    }
    const int cardType = readCardType(ports);
    GeneratorJob job;
    job.clockHz = static_cast<int>(smbusSampleClock(s));
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = smbusEventSelection;
    job.build = [&](int) {
        const SmbusBuild built =
            buildSmbusStream(units, s, cardType, buffer, sampleLimit(ports.capabilities, smbusSampleLimitMargin));
        Section section;
        section.error = built.error;
        section.samples = buffer.first(static_cast<std::size_t>(built.count));
        return section;
    };
    result.outcome = runGeneratorOutput(ports, job);
    if (result.outcome.clockHz > 0) result.rateHz = result.outcome.clockHz / static_cast<double>(smbusSamplesPerBit);
    return result;
}

} // namespace qv::gen
