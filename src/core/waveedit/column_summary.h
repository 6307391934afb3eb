// The column summary: what the wave view needs to draw each pixel column when several samples
// share it (a zoom out), without reading every sample of every row at every paint. One pass over
// the samples ORs each sample's difference from its predecessor into its column's word, so all
// 64 bits, every row at once, cost one XOR and one OR per sample; a row then asks its own bits of
// that word. A change of a few samples recomputes only the columns they touch. It does not know
// labels beyond the row's bit mask and leaves drawing to the window.
#pragma once

#include "waveedit/sample.h"
#include "waveedit/view_rows.h"

#include <cstdint>
#include <span>
#include <vector>

namespace qv {

// One row in one column.
struct RowColumn {
    bool changed = false; // the row's value changed at some sample of the column
    std::uint64_t value = 0; // the row's value (level of a one-bit row) at the column's last sample
    bool operator==(const RowColumn&) const = default;
};

class ColumnSummary {
  public:
    // Summarises `columns` columns of 2^zoomOut samples each from firstSample on, over `image` (the
    // usable area). A change at sample i is a difference between sample i and sample i - 1, so the
    // first column also sees the change into the first shown sample; sample 0 has no change.
    void build(std::span<const Sample> image, int firstSample, int zoomOut, int columns);
    // The same with column c holding the samples whose x at `pixels` pixels per `samples` samples
    // (pixels < samples) is c: samples firstSample + ceil(c x samples / pixels) on (a printed page).
    void build(std::span<const Sample> image, int firstSample, std::int64_t pixels, std::int64_t samples,
               int columns);
    // Samples firstChanged .. lastChanged of the image (the same span as build was given) have new
    // values: recomputes the columns holding them and the one after them, nothing else.
    void update(std::span<const Sample> image, int firstChanged, int lastChanged);

    int firstSample() const { return firstSample_; }
    int zoomOut() const { return zoomOut_; }
    int columns() const { return static_cast<int>(changed_.size()); }
    // Columns that hold at least one usable sample.
    int columnsWithSamples() const { return columnsWithSamples_; }
    // The column holding sample s (-1 left of the first shown sample, columns() or more right of the last).
    int columnOf(int sample) const;
    int columnFirstSample(int column) const {
        if (ratioPixels_ == 0) return firstSample_ + (column << zoomOut_);
        return static_cast<int>(firstSample_ + (column * ratioSamples_ + ratioPixels_ - 1) / ratioPixels_);
    }
    // The last sample of the last column with samples (-1: none).
    int lastSummarisedSample() const;

    // The bits that changed within a column, its last sample, and the last sample at which a
    // sequencer command ends with the sample after it in the column (-1: none): the command label's
    // crossing is drawn at the right edge of a command, the left edge of the sample after it.
    Sample changedBits(int column) const { return changed_[static_cast<std::size_t>(column)]; }
    Sample lastSample(int column) const { return last_[static_cast<std::size_t>(column)]; }
    int commandEnd(int column) const { return commandEnd_[static_cast<std::size_t>(column)]; }
    // The sample before the first shown one (the first one itself at sample 0): where a row starts.
    Sample sampleBefore() const { return before_; }

    RowColumn rowColumn(const ViewRow& row, int column) const;
    // Every column with samples of one row, in order; `out` holds at least columnsWithSamples().
    void rowColumns(const ViewRow& row, std::span<RowColumn> out) const;

  private:
    void summarise(std::span<const Sample> image, int fromColumn, int toColumn);
    void start(std::span<const Sample> image, int firstSample, int columns);

    int firstSample_ = 0;
    int zoomOut_ = 0;
    std::int64_t ratioPixels_ = 0; // non-zero: columns by ratio rather than by 2^zoomOut
    std::int64_t ratioSamples_ = 0;
    int usableSamples_ = 0;
    int columnsWithSamples_ = 0;
    Sample before_ = 0;
    std::vector<Sample> changed_;
    std::vector<Sample> last_;
    std::vector<int> commandEnd_;
};

// A command ends at a sample whose command word is neither NP nor an operand word (0x2.., 0x8..):
// the word that completes a command, or one the view shows as "XX" on its own.
bool commandEndsAt(Sample sample);

} // namespace qv
