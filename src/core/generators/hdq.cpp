// The HDQ builder: each row is one run of samples written through a raw pointer after its whole
// size was checked; a bit is its low samples and then high samples up to its cycle.
#include "generators/hdq.h"

#include "device/rate_entry.h"
#include "generators/frame.h"

#include <algorithm>
#include <cstdio>

namespace qv::gen {
namespace {

constexpr FrameLayout hdqFrameLayout{2, 3, 4, hdqRepeatAddress};
constexpr int addressBits = 7;
constexpr int idleBeforeRow = 1, idleAfterRow = 5;
// Protocol limits in microseconds.
constexpr std::int64_t breakMicroseconds = 191; // the break lasts at least 190 us
constexpr std::int64_t recoveryMicroseconds = 41; // the recovery at least 40 us
constexpr std::int64_t zeroLowMaxMicroseconds = 145;
constexpr std::int64_t deviceCycleMaxMicroseconds = 250;
constexpr std::int64_t microsecondsPerSecond = 1000000;
constexpr int lowSamplesOfZero = 3;

std::string hexCell(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*Xh", digits, value);
    return text;
}

// "12h" (the h may be missing) up to maximum.
std::optional<unsigned> hexCellValue(std::string_view cell, unsigned maximum) {
    if (!cell.empty() && (cell.back() == 'h' || cell.back() == 'H')) cell.remove_suffix(1);
    if (cell.empty() || cell.size() > 8) return std::nullopt;
    const auto value = hexValue(cell, maximum);
    if (!value) return std::nullopt;
    return static_cast<unsigned>(*value);
}

// The smallest count of samples of the clock that lasts at least the time.
int samplesReaching(std::int64_t microseconds, int clockHz) {
    return static_cast<int>((microseconds * clockHz + microsecondsPerSecond - 1) / microsecondsPerSecond);
}

class HdqWriter {
  public:
    HdqWriter(Sample high, Sample* base) : level_{0, high}, base_(base) {}
    std::int64_t count() const { return n_; }
    void run(bool high, int samples) {
        fillSamples(base_ + n_, samples, level_[high ? 1 : 0]);
        n_ += samples;
    }
    void bits(unsigned value, int count, const HdqTiming& t, int cycle) {
        for (int b = 0; b < count; ++b) {
            const int low = (value >> b) & 1u ? t.oneLowSamples : t.zeroLowSamples;
            run(false, low);
            run(true, cycle - low);
        }
    }

  private:
    Sample level_[2];
    Sample* base_;
    std::int64_t n_ = 0;
};

std::uint64_t rowSamples(const HdqRow& row, const HdqTiming& t) {
    const int dataCycle = row.write ? t.samplesPerBit : t.readBitSamples;
    return static_cast<std::uint64_t>(idleBeforeRow + t.breakSamples + t.recoverySamples +
                                      (addressBits + 1) * t.samplesPerBit + idleAfterRow) +
        static_cast<std::uint64_t>(row.data.size()) * static_cast<std::uint64_t>(row.width) *
        static_cast<std::uint64_t>(dataCycle);
}

} // namespace

std::string hdqRowLine(const HdqRow& row) {
    std::vector<std::string> cells{hexCell(row.address, 2), row.write ? "W" : "R", std::to_string(row.width), ""};
    for (unsigned value : row.data) {
        if (!cells[3].empty()) cells[3] += ' ';
        cells[3] += hexCell(value, row.width / 4);
    }
    return cellsLine(cells);
}

Msg readHdqLine(std::string_view line, HdqRow& row) {
    row = HdqRow{};
    const std::vector<std::string> cells = lineCells(line, hdqColumns);
    const auto address = hexCellValue(cells[0], hdqMaxAddress);
    if (!address || (cells[1] != "W" && cells[1] != "R") || (cells[2] != "8" && cells[2] != "16"))
        return Msg::ListLineUnreadable;
    row.address = *address;
    row.write = cells[1] == "W";
    row.width = cells[2] == "8" ? 8 : 16;
    std::string_view data = cells[3];
    while (!data.empty()) {
        const std::size_t end = std::min(data.find(' '), data.size());
        if (end > 0) {
            const auto value = hexCellValue(data.substr(0, end), hdqDataLimit(row.width));
            if (!value) return Msg::ListLineUnreadable;
            row.data.push_back(*value);
        }
        data.remove_prefix(std::min(end + 1, data.size()));
    }
    return Msg::None;
}

ListProblem readHdqList(const std::vector<std::string>& lines, std::vector<HdqRow>& rows) {
    rows.clear();
    rows.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        HdqRow row;
        if (Msg m = readHdqLine(lines[i], row); m != Msg::None) return {static_cast<int>(i) + 1, m};
        rows.push_back(std::move(row));
    }
    return {};
}

bool hdqLineContinues(std::string_view) { return false; }

std::optional<std::vector<unsigned>> hdqDataValues(std::string_view text) {
    std::vector<unsigned> values;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = text.find_first_not_of(" ,\t", i);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(text.find_first_of(" ,\t", start), text.size());
        const auto value = hexCellValue(text.substr(start, end - start), 0xFFFFFFFFu);
        if (!value) return std::nullopt;
        values.push_back(*value);
        i = end;
    }
    return values;
}

Msg checkHdqEntry(unsigned address, std::span<const unsigned> data, int width) {
    if (address > hdqMaxAddress) return Msg::HdqWrongAddress;
    for (unsigned value : data)
        if (value > hdqDataLimit(width)) return Msg::HdqWrongData;
    return Msg::None;
}

bool hdqSameTarget(const HdqRow& last, const HdqRow& entry) {
    return last.address == entry.address && last.write == entry.write && last.width == entry.width;
}

std::vector<HdqRow> hdqRandomRows(int count, int width, std::mt19937& random) {
    std::vector<HdqRow> rows(static_cast<std::size_t>(std::max(count, 0)));
    for (HdqRow& row : rows) {
        row.address = random() & hdqMaxAddress;
        row.write = (random() & 1u) != 0;
        row.width = width;
        row.data = {static_cast<unsigned>(random()) & hdqDataLimit(width)};
    }
    return rows;
}

HdqTiming hdqTiming(double rateBitsPerSecond) {
    // Above 5.26 kbit/s a five-sample bit would last less than the 190 us a cycle needs: the rate
    // stops there. Where three samples of a five-sample bit would hold a 0 low for more than 145 us
    // (4.0 and 4.1 kbit/s), the bit takes six samples, as below 4 kbit/s.
    const std::int64_t rate = std::clamp<std::int64_t>(nearestHertz(rateBitsPerSecond), 1, hdqFastestBitRate);
    HdqTiming t;
    t.samplesPerBit = lowSamplesOfZero * microsecondsPerSecond <= zeroLowMaxMicroseconds * 5 * rate ? 5 : 6;
    t.clockHz = static_cast<int>(rate * t.samplesPerBit);
    t.breakSamples = std::max(2, samplesReaching(breakMicroseconds, t.clockHz));
    // One sample longer than 40 us is recovery enough.
    t.recoverySamples = (recoveryMicroseconds - 1) * t.clockHz < microsecondsPerSecond
        ? 1
        : std::max(2, samplesReaching(recoveryMicroseconds, t.clockHz));
    t.readBitSamples = std::min<int>(t.samplesPerBit,
                                     static_cast<int>(deviceCycleMaxMicroseconds * t.clockHz / microsecondsPerSecond));
    return t;
}

Msg validateHdq(const HdqSettings& s, const Capabilities& caps) {
    if (s.channel < 0 || s.channel >= caps.channelCount) return Msg::ErrorChannelSetting;
    if (Msg m = rateProblem(s.rateBitsPerSecond); m != Msg::None) return m;
    const std::int64_t rate = nearestHertz(s.rateBitsPerSecond);
    // The clocks of the range (21 to 26.3 kHz) are far below every model's maximum.
    if (rate < hdqMinRate || rate > hdqMaxRate) return Msg::HdqRateRange;
    return Msg::None;
}

HdqBuild buildHdqStream(std::span<const HdqRow> rows, const HdqSettings& s, int cardType, std::span<Sample> out,
                        int sampleLimit) {
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::max(0, std::min<int>(sampleLimit, static_cast<int>(out.size()))));
    if (limit < hdqLeadInSamples) return {0, Msg::CantRunDataTooBig};
    const HdqTiming t = hdqTiming(s.rateBitsPerSecond);
    HdqWriter w(channelBit(s.channel), out.data());
    w.run(true, hdqLeadInSamples);
    for (const HdqRow& row : rows) {
        if (static_cast<std::uint64_t>(w.count()) + rowSamples(row, t) > limit)
            return {static_cast<int>(w.count()), Msg::CantRunDataTooBig};
        w.run(true, idleBeforeRow);
        w.run(false, t.breakSamples);
        w.run(true, t.recoverySamples);
        w.bits(row.address, addressBits, t, t.samplesPerBit);
        w.bits(row.write ? 1u : 0u, 1, t, t.samplesPerBit);
        const int dataCycle = row.write ? t.samplesPerBit : t.readBitSamples;
        for (unsigned value : row.data) w.bits(value, row.width, t, dataCycle);
        w.run(true, idleAfterRow);
    }
    const int count = static_cast<int>(w.count());
    placeFrameCommands(out, count, hdqFrameLayout, cardType, s.repeat);
    return {count, Msg::None};
}

OutputOutcome runHdq(OutputPorts& ports, const HdqSettings& s, const std::vector<std::string>& lines,
                     std::span<Sample> buffer) {
    OutputOutcome failed{OutputResult::BuildFailed, Msg::None, 0, 0};
    if (Msg m = validateHdq(s, ports.capabilities); m != Msg::None) {
        failed.error = m;
        ports.prompt.show(static_cast<int>(m));
        return failed;
    }
    std::vector<HdqRow> rows;
    if (const ListProblem problem = readHdqList(lines, rows); problem.line > 0) {
        failed.error = Msg::ListLineUnreadable;
        ports.prompt.show(static_cast<int>(Msg::ListLineUnreadable), listProblemText(problem, lines));
        return failed;
    }
    const int cardType = readCardType(ports);
    GeneratorJob job;
    job.clockHz = hdqTiming(s.rateBitsPerSecond).clockHz;
    job.clockRule = ClockRule::AskNearby;
    job.eventSelection = hdqEventSelection;
    job.build = [&](int) {
        const HdqBuild built =
            buildHdqStream(rows, s, cardType, buffer, sampleLimit(ports.capabilities, hdqSampleLimitMargin));
        Section section;
        section.error = built.error;
        section.samples = buffer.first(static_cast<std::size_t>(built.count));
        return section;
    };
    return runGeneratorOutput(ports, job);
}

} // namespace qv::gen
