// The LIN builder: bytes go out as ten samples (start 0, eight bits least significant first, stop
// 1) from a two-entry level table; breaks, delimiters and spaces are runs of one level.
#include "generators/lin.h"

#include "device/rate_entry.h"
#include "generators/frame.h"

#include <cmath>
#include <cstdio>

namespace qv::gen {
namespace {

constexpr FrameLayout linFrameLayout{2, 3, 4, linRepeatAddress};
constexpr std::uint8_t syncByte = 0x55;
constexpr int byteSamples = 10;
constexpr int wakeUpPulseBits = 8;
constexpr int sleepBreakBits = 13, sleepDelimiterBits = 1;
constexpr unsigned sleepId = 0x3C;
constexpr std::uint8_t sleepData[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr std::uint8_t sleepChecksum = 0x00;
constexpr int minResponseSpace = 3, responseSpaceChoices = 6;
constexpr int minRandomDelimiter = 4, randomDelimiterChoices = 13;
constexpr std::uint64_t maxBitCount = 0xFFFFFFFFu;
constexpr std::string_view sleepLine = "Go to Sleep.";
constexpr std::string_view wakeUpPrefix = "Wake-up frame: ";
constexpr std::string_view bitsSuffix = " Bits";

int idBit(unsigned id, int bit) { return static_cast<int>((id >> bit) & 1u); }

std::string hexByte(std::uint8_t value, const char* format) {
    char text[4];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

class LinWriter {
  public:
    LinWriter(Sample recessive, std::span<Sample> out) : level_{0, recessive}, base_(out.data()) {}
    std::int64_t count() const { return n_; }
    void run(bool high, std::uint64_t samples) {
        fillSamples(base_ + n_, static_cast<int>(samples), level_[high ? 1 : 0]);
        n_ += static_cast<std::int64_t>(samples);
    }
    void byte(std::uint8_t value) {
        Sample* at = base_ + n_;
        at[0] = level_[0];
        for (int b = 0; b < 8; ++b) at[1 + b] = level_[(value >> b) & 1];
        at[9] = level_[1];
        n_ += byteSamples;
    }

  private:
    Sample level_[2];
    Sample* base_;
    std::int64_t n_ = 0;
};

} // namespace

int linDataLength(unsigned id) {
    switch ((id >> 4) & 3u) {
    case 2: return 4;
    case 3: return 8;
    default: return 2;
    }
}
int linParity0(unsigned id) { return idBit(id, 0) ^ idBit(id, 1) ^ idBit(id, 2) ^ idBit(id, 4); }
int linParity1(unsigned id) { return !(idBit(id, 1) ^ idBit(id, 3) ^ idBit(id, 4) ^ idBit(id, 5)); }
unsigned linProtectedId(unsigned id, int p0, int p1) {
    return (id & linMaxId) | (static_cast<unsigned>(p0 & 1) << 6) | (static_cast<unsigned>(p1 & 1) << 7);
}

Msg readLinFields(const LinFieldTexts& t, LinMessage& m) {
    const auto breakBits = decimalValue(t.breakBits, 1000000), delimiterBits = decimalValue(t.delimiterBits, 1000000);
    if (!breakBits || !delimiterBits) return Msg::LinBitCountField;
    m.breakBits = static_cast<int>(*breakBits);
    m.delimiterBits = static_cast<int>(*delimiterBits);
    const auto id = hexValue(t.id, 0xFFFFFFFF);
    const auto data = linDataTokens(t.data);
    if (!id || !data) return Msg::CanPleaseInputHex;
    m.id = static_cast<unsigned>(*id);
    m.data = *data;
    if (m.data.empty()) return Msg::None;
    const auto checksum = hexValue(t.checksum, 0xFF);
    if (!checksum) return Msg::CanPleaseInputHex;
    m.checksum = static_cast<std::uint8_t>(*checksum);
    return Msg::None;
}

Msg linCalculate(LinMessage& m) {
    if (m.breakBits < linMinBreak) m.breakBits = linMinBreak;
    if (m.delimiterBits < linMinDelimiter) m.delimiterBits = linMinDelimiter;
    if (static_cast<long long>(m.breakBits) + m.delimiterBits > linMaxBreakAndDelimiter)
        return Msg::LinBreakDelimiterSum;
    m.id &= linMaxId;
    m.ndata = linDataLength(m.id);
    m.p0 = linParity0(m.id);
    m.p1 = linParity1(m.id);
    return Msg::None;
}

std::optional<std::vector<std::uint8_t>> linDataTokens(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(";\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view token = text.substr(start, end - start);
        if (token.find_first_not_of(" \t") != std::string_view::npos) {
            const auto byte = hexValue(token, 0xFF);
            if (!byte || bytes.size() == linMaxDataTokens) return std::nullopt;
            bytes.push_back(static_cast<std::uint8_t>(*byte));
        }
        start = end + 1;
    }
    return bytes;
}

std::uint8_t linChecksumOf(std::span<const std::uint8_t> bytes, unsigned start) {
    unsigned sum = start;
    for (std::uint8_t b : bytes) {
        sum += b;
        if (sum > 0xFF) sum -= 0xFF; // bit 8 dropped and carried round
    }
    return static_cast<std::uint8_t>(~sum & 0xFF);
}

std::uint8_t linChecksum(std::span<const std::uint8_t> data, const LinMessage& m, LinChecksumModel model) {
    const bool all = (m.id & linMaxId) >= 0x3E;
    const std::size_t used = all ? data.size() : std::min(data.size(), static_cast<std::size_t>(std::max(m.ndata, 0)));
    const unsigned start = model == LinChecksumModel::Enhanced ? linProtectedId(m.id, m.p0, m.p1) : 0;
    return linChecksumOf(data.first(used), start);
}

std::string linMessageLine(const LinMessage& m) {
    char id[8];
    std::snprintf(id, sizeof id, "%X", m.id);
    std::string line = "Message: TBRK = " + std::to_string(m.breakBits) +
        ", TDEL = " + std::to_string(m.delimiterBits) + ", ID = " + id + ", P0 = " + std::to_string(m.p0) +
        ", P1 = " + std::to_string(m.p1) + ", NDATA = " + std::to_string(m.ndata) + ", Data = ";
    for (std::uint8_t b : m.data) line += hexByte(b, "%02x") + " ";
    return line + ", CKSUM = " + hexByte(m.checksum, "%02X") + ".";
}

std::string linWakeUpLine(int delimiterBits) {
    return std::string(wakeUpPrefix) + "Delimiter = " + std::to_string(delimiterBits) + std::string(bitsSuffix) + ".";
}
std::string_view linSleepLine() { return sleepLine; }

std::string linRandomData(int ndata, std::mt19937& random) {
    std::string text;
    for (int i = 0; i < ndata; ++i)
        text += hexByte(static_cast<std::uint8_t>(random() % 32768 % 255), "%02x") + ";\r\n";
    return text;
}

int linRandomWakeUpDelimiter(std::mt19937& random) {
    return minRandomDelimiter + static_cast<int>(random() % randomDelimiterChoices);
}

bool linLineContinues(std::string_view) { return false; }

Msg readLinLine(std::string_view line, LinUnit& unit) {
    unit = LinUnit{};
    if (line == sleepLine) {
        unit.kind = LinEntryKind::Sleep;
        return Msg::None;
    }
    if (line.starts_with(wakeUpPrefix)) {
        unit.kind = LinEntryKind::WakeUp;
        auto value = lineField(line, "Delimiter");
        if (!value || !value->ends_with(bitsSuffix)) return Msg::ListLineUnreadable;
        value->remove_suffix(bitsSuffix.size());
        const auto bits = decimalValue(*value, maxBitCount);
        if (!bits) return Msg::ListLineUnreadable;
        unit.delimiterBits = *bits;
        return Msg::None;
    }
    if (!line.starts_with("Message: ")) return Msg::ListLineUnreadable;
    const auto field = [&](std::string_view name, bool hex, std::uint64_t maximum) -> std::optional<std::uint64_t> {
        const auto value = lineField(line, name);
        if (!value) return std::nullopt;
        return hex ? hexValue(*value, maximum) : decimalValue(*value, maximum);
    };
    const auto breakBits = field("TBRK", false, maxBitCount), delimiterBits = field("TDEL", false, maxBitCount);
    const auto id = field("ID", true, linMaxId), p0 = field("P0", false, 1), p1 = field("P1", false, 1);
    const auto data = lineField(line, "Data");
    const auto bytes = data ? hexBytes(*data, linMaxDataTokens) : std::nullopt;
    if (!breakBits || !delimiterBits || !id || !p0 || !p1 || !bytes || !field("NDATA", false, linMaxDataTokens))
        return Msg::ListLineUnreadable;
    unit.breakBits = *breakBits;
    unit.delimiterBits = *delimiterBits;
    unit.protectedId = linProtectedId(static_cast<unsigned>(*id), static_cast<int>(*p0), static_cast<int>(*p1));
    unit.data = *bytes;
    if (!unit.data.empty()) { // a frame without data sends no checksum
        const auto checksum = field("CKSUM", true, 0xFF);
        if (!checksum) return Msg::ListLineUnreadable;
        unit.checksum = static_cast<std::uint8_t>(*checksum);
    }
    return Msg::None;
}

ListProblem readLinList(const std::vector<std::string>& lines, std::vector<LinUnit>& units) {
    units.clear();
    units.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        LinUnit unit;
        if (Msg m = readLinLine(lines[i], unit); m != Msg::None) return {static_cast<int>(i) + 1, m};
        units.push_back(std::move(unit));
    }
    return {};
}

Msg validateLin(const LinSettings& s, const Capabilities& caps) {
    if (s.channel < 0 || s.channel >= caps.channelCount) return Msg::ErrorChannelSetting;
    if (Msg m = rateProblem(s.rateBitsPerSecond); m != Msg::None) return m;
    if (nearestHertz(s.rateBitsPerSecond) > caps.maxOutputFrequency) return Msg::RateOutOfRange;
    return Msg::None;
}

int linSampleClock(const LinSettings& s) { return static_cast<int>(nearestHertz(s.rateBitsPerSecond)); }

LinBuild buildLinStream(std::span<const LinUnit> units, const LinSettings& s, int cardType, std::span<Sample> out,
                        int sampleLimit, std::mt19937& random) {
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::max(0, std::min<int>(sampleLimit, static_cast<int>(out.size()))));
    if (limit < linLeadInSamples) return {0, Msg::CantRunDataTooBig};
    LinWriter w(channelBit(s.channel), out);
    w.run(true, linLeadInSamples);
    auto fits = [&](std::uint64_t samples) { return static_cast<std::uint64_t>(w.count()) + samples <= limit; };
    for (const LinUnit& u : units) {
        switch (u.kind) {
        case LinEntryKind::Message: {
            const int space = minResponseSpace + static_cast<int>(random() % responseSpaceChoices);
            const std::uint64_t response = u.data.empty() ? 2u * space : space + byteSamples * (u.data.size() + 1);
            if (!fits(u.breakBits + u.delimiterBits + 2 * byteSamples + response))
                return {static_cast<int>(w.count()), Msg::CantRunDataTooBig};
            w.run(false, u.breakBits);
            w.run(true, u.delimiterBits);
            w.byte(syncByte);
            w.byte(static_cast<std::uint8_t>(u.protectedId));
            if (u.data.empty()) {
                w.run(true, 2u * space);
                break;
            }
            w.run(true, static_cast<std::uint64_t>(space));
            for (std::uint8_t b : u.data) w.byte(b);
            w.byte(u.checksum);
            break;
        }
        case LinEntryKind::WakeUp:
            if (!fits(wakeUpPulseBits + u.delimiterBits)) return {static_cast<int>(w.count()), Msg::CantRunDataTooBig};
            w.run(false, wakeUpPulseBits);
            w.run(true, u.delimiterBits);
            break;
        case LinEntryKind::Sleep:
            if (!fits(sleepBreakBits + sleepDelimiterBits + byteSamples * (2 + std::size(sleepData) + 1)))
                return {static_cast<int>(w.count()), Msg::CantRunDataTooBig};
            w.run(false, sleepBreakBits);
            w.run(true, sleepDelimiterBits);
            w.byte(syncByte);
            w.byte(static_cast<std::uint8_t>(linProtectedId(sleepId, 0, 0)));
            for (std::uint8_t b : sleepData) w.byte(b);
            w.byte(sleepChecksum);
            break;
        }
    }
    const int count = static_cast<int>(w.count());
    placeFrameCommands(out, count, linFrameLayout, cardType, s.repeat);
    return {count, Msg::None};
}

LinRunResult runLin(OutputPorts& ports, const LinSettings& s, const std::vector<std::string>& lines,
                    std::span<Sample> buffer) {
    LinRunResult result;
    result.outcome.result = OutputResult::BuildFailed;
    result.rateBitsPerSecond = s.rateBitsPerSecond;
    if (Msg m = validateLin(s, ports.capabilities); m != Msg::None) {
        result.outcome.error = m;
        ports.prompt.show(static_cast<int>(m));
        return result;
    }
    std::vector<LinUnit> units;
    if (const ListProblem problem = readLinList(lines, units); problem.line > 0) {
        result.outcome.error = Msg::ListLineUnreadable;
        ports.prompt.show(static_cast<int>(Msg::ListLineUnreadable), listProblemText(problem, lines));
        return result;
    }
    const int cardType = readCardType(ports);
    std::mt19937 random(s.seed);
    GeneratorJob job;
    job.clockHz = linSampleClock(s);
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = linEventSelection;
    job.build = [&](int) {
        const LinBuild built =
            buildLinStream(units, s, cardType, buffer, sampleLimit(ports.capabilities, linSampleLimitMargin), random);
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
