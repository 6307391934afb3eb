// Rows from the label table, and the two texts the label column derives from a row's bits.
#include "waveedit/view_rows.h"

#include "waveedit/labels.h"

namespace qv {

std::vector<ViewRow> viewRows(const LabelTable& table) {
    std::vector<ViewRow> rows;
    forEachLabel(table, [&](LabelSpan span) {
        const LabelRecord& head = table[static_cast<std::size_t>(span.first)];
        ViewRow row;
        row.firstRecord = span.first;
        row.type = static_cast<GroupType>(head.groupType);
        row.command = isCommandLabel(head);
        row.bus = head.positionCode == positionBusHead;
        row.colour = head.colour;
        for (int k = 0; k < span.count && row.width < 64; ++k) {
            const std::int32_t bit = table[static_cast<std::size_t>(span.first + k)].bitIndex;
            if (!validBitIndex(bit)) continue;
            row.bits[static_cast<std::size_t>(row.width++)] = static_cast<std::uint8_t>(bit);
            row.mask |= Sample{1} << bit;
        }
        rows.push_back(row);
    });
    return rows;
}

std::uint64_t rowValue(const ViewRow& row, Sample sample) {
    std::uint64_t value = 0;
    for (std::uint8_t bit : row.bitIndexes()) value = (value << 1) | ((sample >> bit) & 1u);
    return value;
}

std::string channelsText(const ViewRow& row) {
    if (row.command || row.width == 0) return {};
    auto channel = [&](int k) { return static_cast<int>(row.bits[static_cast<std::size_t>(k)]) - firstChannelBit; };
    if (row.width > 2) {
        const int step = channel(1) - channel(0);
        bool even = step == 1 || step == -1;
        for (int k = 2; even && k < row.width; ++k) even = channel(k) - channel(k - 1) == step;
        if (even) return std::to_string(channel(0)) + ".." + std::to_string(channel(row.width - 1));
    }
    std::string text;
    for (int k = 0; k < row.width; ++k) {
        if (k > 0) text += ',';
        text += std::to_string(channel(k));
    }
    return text;
}

} // namespace qv
