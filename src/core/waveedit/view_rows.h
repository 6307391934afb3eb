// The rows of the wave view as the label table gives them: one per single label or bus head, with
// the sample bits it shows (most significant first), the mask of those bits, and how its value is
// read and written in the label column. Rows are rebuilt after every label operation; drawing and
// hit testing read them instead of walking the table.
#pragma once

#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qv {

struct ViewRow {
    int firstRecord = 0; // the row record in the label table
    int width = 0; // bits shown, at most 64
    std::array<std::uint8_t, 64> bits{}; // bit indexes of the sample, most significant first
    Sample mask = 0; // the same bits as a mask
    GroupType type = GroupType::Hex;
    bool command = false; // the command label: mnemonics, not values
    bool bus = false; // drawn as a bus (a head record), even with one valid bit
    std::int32_t colour = colourDataLabel;

    std::span<const std::uint8_t> bitIndexes() const { return {bits.data(), static_cast<std::size_t>(width)}; }
};

// The rows of a table in table order. Records naming no bit of the sample (bit index outside 0..63)
// are left out of a row's bits.
std::vector<ViewRow> viewRows(const LabelTable& table);

// The row's value in a sample: its first bit the most significant. A one-bit row gives 0 or 1.
std::uint64_t rowValue(const ViewRow& row, Sample sample);

// The label column's channel part: a single label's channel number, a two-bit bus as "a,b", a
// longer bus as "first..last" when its channels step by +1 or -1 throughout, else every number
// joined by ","; nothing for the command label. Channel n is bit 12 + n; a data label on a command
// bit shows that bit's index less 12 (-12 to -1), so it is never mistaken for a channel.
std::string channelsText(const ViewRow& row);

} // namespace qv
