// The 1-Wire builder: each transaction's size is known before it is written (5 idle samples, the
// reset and presence, a slot per bit), so it is checked once and then written through a raw
// pointer from a table of slot shapes.
#include "generators/onewire.h"

#include "generators/frame.h"

#include <algorithm>
#include <cstdio>

namespace qv::gen {
namespace {

constexpr FrameLayout oneWireFrameLayout{2, 3, 4, oneWireRepeatAddress};
constexpr int idleBeforeRow = 5;
constexpr int digitsPerByte = 2;

// The master waits at least 480 us (48 us at overdrive) after its reset pulse before the first
// slot: the presence wait, the presence pulse and the rest of the high time add up to one sample
// more, so that the slot starts after the wait has run out, not on its last tick (a master, or
// a decoder, that times the wait and then looks for the slot misses a slot that starts with it).
constexpr OneWireTiming standardTiming{500, 20, 100, 361, 6, 61, 60, 7, 12, 55, 62, 5};
constexpr OneWireTiming overdriveTiming{55, 4, 12, 33, 2, 7, 7, 2, 2, 7, 7, 2};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

int resetSamples(const OneWireTiming& t) { return t.resetLow + t.presenceWait + t.presenceLow + t.resetHighRest; }
int slotSamples(const OneWireTiming& t) { return t.write1Low + t.write1High; }

class OneWireWriter {
  public:
    OneWireWriter(Sample high, Sample* base) : level_{0, high}, base_(base) {}
    std::int64_t count() const { return n_; }
    void run(bool high, int samples) {
        fillSamples(base_ + n_, samples, level_[high ? 1 : 0]);
        n_ += samples;
    }
    void slot(int low, int high) {
        run(false, low);
        run(true, high);
    }

  private:
    Sample level_[2];
    Sample* base_;
    std::int64_t n_ = 0;
};

} // namespace

std::optional<std::vector<OneWireValue>> oneWireValues(std::string_view text) {
    std::vector<OneWireValue> values;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isBlank(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !isBlank(text[end])) ++end;
        const std::size_t digits = end - i;
        if (digits > oneWireMaxValueDigits) return std::nullopt;
        const auto value = hexValue(text.substr(i, digits), ~std::uint64_t{0});
        if (!value) return std::nullopt;
        values.push_back({*value, static_cast<int>((digits + digitsPerByte - 1) / digitsPerByte)});
        i = end;
    }
    return values;
}

std::string oneWireValuesText(std::span<const OneWireValue> values) {
    std::string text;
    for (const OneWireValue& v : values) {
        char digits[24];
        std::snprintf(digits, sizeof digits, "%0*llX", v.bytes * digitsPerByte,
                      static_cast<unsigned long long>(v.value));
        if (!text.empty()) text += ' ';
        text += digits;
    }
    return text;
}

std::string oneWireRowLine(const OneWireRow& row) {
    return cellsLine({row.write ? "W" : "R", oneWireValuesText(row.values)});
}

Msg readOneWireLine(std::string_view line, OneWireRow& row) {
    row = OneWireRow{};
    const std::vector<std::string> cells = lineCells(line, oneWireColumns);
    row.write = cells[0] == "W";
    const auto values = oneWireValues(cells[1]);
    if (!values) return Msg::ListLineUnreadable;
    row.values = *values;
    return Msg::None;
}

ListProblem readOneWireList(const std::vector<std::string>& lines, std::vector<OneWireRow>& rows) {
    rows.clear();
    rows.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        OneWireRow row;
        if (Msg m = readOneWireLine(lines[i], row); m != Msg::None) return {static_cast<int>(i) + 1, m};
        rows.push_back(std::move(row));
    }
    return {};
}

bool oneWireLineContinues(std::string_view) { return false; }

std::vector<OneWireRow> oneWireRandomRows(int count, std::mt19937& random) {
    std::vector<OneWireRow> rows(static_cast<std::size_t>(std::max(count, 0)));
    for (OneWireRow& row : rows) {
        row.write = (random() & 1u) != 0;
        row.values.resize(1 + random() % 4);
        for (OneWireValue& v : row.values) {
            v.bytes = 1 + static_cast<int>(random() % 2);
            v.value = random() & (v.bytes == 1 ? 0xFFu : 0xFFFFu);
        }
    }
    return rows;
}

const OneWireTiming& oneWireTiming(OneWireSpeed speed) {
    return speed == OneWireSpeed::Overdrive ? overdriveTiming : standardTiming;
}

Msg validateOneWire(const OneWireSettings& s, const Capabilities& caps) {
    if (s.channel < 0 || s.channel >= caps.channelCount) return Msg::ErrorChannelSetting;
    return Msg::None; // every model makes the 1 MHz clock
}

OneWireBuild buildOneWireStream(std::span<const OneWireRow> rows, const OneWireSettings& s, int cardType,
                                std::span<Sample> out, int sampleLimit) {
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::max(0, std::min<int>(sampleLimit, static_cast<int>(out.size()))));
    if (limit < oneWireLeadInSamples) return {0, Msg::CantRunDataTooBig};
    const OneWireTiming& t = oneWireTiming(s.speed);
    OneWireWriter w(channelBit(s.channel), out.data());
    w.run(true, oneWireLeadInSamples);
    for (const OneWireRow& row : rows) {
        std::uint64_t bits = 0;
        for (const OneWireValue& v : row.values) bits += static_cast<std::uint64_t>(v.bytes) * 8;
        const std::uint64_t size = static_cast<std::uint64_t>(idleBeforeRow + resetSamples(t)) +
            bits * static_cast<std::uint64_t>(slotSamples(t));
        if (static_cast<std::uint64_t>(w.count()) + size > limit)
            return {static_cast<int>(w.count()), Msg::CantRunDataTooBig};
        w.run(true, idleBeforeRow);
        w.slot(t.resetLow, t.presenceWait);
        w.slot(t.presenceLow, t.resetHighRest);
        for (const OneWireValue& v : row.values)
            for (int b = 0; b < v.bytes * 8; ++b) {
                const bool one = ((v.value >> b) & 1u) != 0;
                if (row.write)
                    one ? w.slot(t.write1Low, t.write1High) : w.slot(t.write0Low, t.write0High);
                else
                    one ? w.slot(t.read1Low, t.read1High) : w.slot(t.read0Low, t.read0High);
            }
    }
    const int count = static_cast<int>(w.count());
    placeFrameCommands(out, count, oneWireFrameLayout, cardType, s.repeat);
    return {count, Msg::None};
}

OutputOutcome runOneWire(OutputPorts& ports, const OneWireSettings& s, const std::vector<std::string>& lines,
                         std::span<Sample> buffer) {
    OutputOutcome failed{OutputResult::BuildFailed, Msg::None, 0, 0};
    if (Msg m = validateOneWire(s, ports.capabilities); m != Msg::None) {
        failed.error = m;
        ports.prompt.show(static_cast<int>(m));
        return failed;
    }
    std::vector<OneWireRow> rows;
    if (const ListProblem problem = readOneWireList(lines, rows); problem.line > 0) {
        failed.error = Msg::ListLineUnreadable;
        ports.prompt.show(static_cast<int>(Msg::ListLineUnreadable), listProblemText(problem, lines));
        return failed;
    }
    const int cardType = readCardType(ports);
    GeneratorJob job;
    job.clockHz = oneWireClockHz;
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = oneWireEventSelection;
    job.build = [&](int) {
        const OneWireBuild built =
            buildOneWireStream(rows, s, cardType, buffer, sampleLimit(ports.capabilities, oneWireSampleLimitMargin));
        Section section;
        section.error = built.error;
        section.samples = buffer.first(static_cast<std::size_t>(built.count));
        return section;
    };
    return runGeneratorOutput(ports, job);
}

} // namespace qv::gen
