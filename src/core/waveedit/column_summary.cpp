// The summarising loop keeps four independent accumulators so the XOR/OR chain is not one long
// dependency; only columns that carry command bits are walked again for their last command end.
#include "waveedit/column_summary.h"

#include "waveedit/commands.h"

#include <algorithm>

namespace qv {

bool commandEndsAt(Sample sample) {
    const unsigned word = commandField(sample);
    const Opcode opcode = opcodeOf(word);
    return word != 0 && opcode != Opcode::OperandHigh && opcode != Opcode::OperandLow;
}

namespace {

// OR of s[i] ^ s[i - 1] over i in [from, to), from >= 1; and the OR of the samples themselves.
struct Differences {
    Sample changed = 0;
    Sample any = 0;
};

Differences differences(const Sample* s, std::size_t from, std::size_t to) {
    Sample c0 = 0, c1 = 0, c2 = 0, c3 = 0, a0 = 0, a1 = 0, a2 = 0, a3 = 0;
    std::size_t i = from;
    for (; i + 4 <= to; i += 4) {
        c0 |= s[i] ^ s[i - 1];
        c1 |= s[i + 1] ^ s[i];
        c2 |= s[i + 2] ^ s[i + 1];
        c3 |= s[i + 3] ^ s[i + 2];
        a0 |= s[i];
        a1 |= s[i + 1];
        a2 |= s[i + 2];
        a3 |= s[i + 3];
    }
    for (; i < to; ++i) {
        c0 |= s[i] ^ s[i - 1];
        a0 |= s[i];
    }
    return {c0 | c1 | c2 | c3, a0 | a1 | a2 | a3};
}

} // namespace

void ColumnSummary::start(std::span<const Sample> image, int firstSample, int columns) {
    firstSample_ = std::max(firstSample, 0);
    usableSamples_ = static_cast<int>(image.size());
    columns = std::max(columns, 0);
    changed_.assign(static_cast<std::size_t>(columns), 0);
    last_.assign(static_cast<std::size_t>(columns), 0);
    commandEnd_.assign(static_cast<std::size_t>(columns), -1);
    const int remaining = usableSamples_ - firstSample_;
    columnsWithSamples_ = remaining <= 0 ? 0 : std::min(columns, columnOf(usableSamples_ - 1) + 1);
    before_ = image.empty() ? 0 : image[static_cast<std::size_t>(std::clamp(firstSample_ - 1, 0, usableSamples_ - 1))];
    summarise(image, 0, columnsWithSamples_);
}

void ColumnSummary::build(std::span<const Sample> image, int firstSample, int zoomOut, int columns) {
    zoomOut_ = std::clamp(zoomOut, 0, 30);
    ratioPixels_ = ratioSamples_ = 0;
    start(image, firstSample, columns);
}

void ColumnSummary::build(std::span<const Sample> image, int firstSample, std::int64_t pixels, std::int64_t samples,
                          int columns) {
    zoomOut_ = 0;
    ratioPixels_ = pixels > 0 && samples > pixels ? pixels : 0;
    ratioSamples_ = ratioPixels_ ? samples : 0;
    start(image, firstSample, columns);
}

int ColumnSummary::columnOf(int sample) const {
    if (sample < firstSample_) return -1;
    const std::int64_t offset = std::int64_t{sample} - firstSample_;
    const std::int64_t column = ratioPixels_ ? offset * ratioPixels_ / ratioSamples_ : offset >> zoomOut_;
    return static_cast<int>(std::min<std::int64_t>(column, INT32_MAX - 1));
}

int ColumnSummary::lastSummarisedSample() const {
    if (columnsWithSamples_ == 0) return -1;
    return std::min(columnFirstSample(columnsWithSamples_), usableSamples_) - 1;
}

void ColumnSummary::update(std::span<const Sample> image, int firstChanged, int lastChanged) {
    if (static_cast<int>(image.size()) != usableSamples_ || image.empty()) return;
    firstChanged = std::max(firstChanged, 0);
    lastChanged = std::min(lastChanged, usableSamples_ - 1);
    if (lastChanged < firstChanged) return;
    const int beforeIndex = std::clamp(firstSample_ - 1, 0, usableSamples_ - 1);
    if (firstChanged <= beforeIndex && beforeIndex <= lastChanged)
        before_ = image[static_cast<std::size_t>(beforeIndex)];
    // A new sample i changes its own difference and that of sample i + 1.
    const int lastAffected = lastChanged + 1;
    if (lastAffected < firstSample_) return;
    const int from = std::max(columnOf(firstChanged), 0);
    const int to = std::min(columnOf(lastAffected) + 1, columnsWithSamples_);
    if (from < to) summarise(image, from, to);
}

void ColumnSummary::summarise(std::span<const Sample> image, int fromColumn, int toColumn) {
    const Sample* s = image.data();
    for (int c = fromColumn; c < toColumn; ++c) {
        const std::size_t from = static_cast<std::size_t>(columnFirstSample(c));
        const std::size_t end = ratioPixels_ ? static_cast<std::size_t>(columnFirstSample(c + 1))
                                             : from + (std::size_t{1} << zoomOut_);
        const std::size_t to = std::min<std::size_t>(end, image.size());
        const Differences d = differences(s, std::max<std::size_t>(from, 1), to);
        const auto column = static_cast<std::size_t>(c);
        changed_[column] = d.changed;
        last_[column] = s[to - 1];
        commandEnd_[column] = -1;
        // Command ends e with e + 1 in the column: from the sample before the column on.
        const std::size_t endFrom = from > 0 ? from - 1 : 0;
        if ((d.any | s[from] | s[endFrom]) & commandMask) {
            for (std::size_t e = to - 1; e-- > endFrom;) {
                if (commandEndsAt(s[e])) {
                    commandEnd_[column] = static_cast<int>(e);
                    break;
                }
            }
        }
    }
}

RowColumn ColumnSummary::rowColumn(const ViewRow& row, int column) const {
    const auto c = static_cast<std::size_t>(column);
    return {(changed_[c] & row.mask) != 0, rowValue(row, last_[c])};
}

void ColumnSummary::rowColumns(const ViewRow& row, std::span<RowColumn> out) const {
    const std::size_t n = std::min(out.size(), static_cast<std::size_t>(columnsWithSamples_));
    // Columns without a change in the row keep the value of the column before.
    std::uint64_t value = rowValue(row, before_);
    for (std::size_t c = 0; c < n; ++c) {
        const bool changed = (changed_[c] & row.mask) != 0;
        if (changed) value = rowValue(row, last_[c]);
        out[c] = {changed, value};
    }
}

} // namespace qv
