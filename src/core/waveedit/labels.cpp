// The default command label, normalisation and the palette.
#include "waveedit/labels.h"

#include <algorithm>
#include <cstring>

namespace qv {

int labelRecordCount(const LabelTable& table) {
    int count = 0;
    while (count < labelTableRecords && table[count].positionCode != positionEnd) ++count;
    return count;
}

int writeDefaultCommandLabel(LabelTable& table, int first) {
    for (int bit = 0; bit < commandBits && first + bit < labelTableRecords; ++bit) {
        LabelRecord& r = table[first + bit];
        r = LabelRecord{};
        r.bitIndex = commandBits - 1 - bit;
        r.groupType = static_cast<std::int32_t>(GroupType::Command);
        std::memcpy(r.name, commandLabelName, sizeof commandLabelName);
        r.colour = colourCommandLabel;
        r.positionCode = bit == commandBits - 1 ? positionBusLast : positionBusHead + bit;
    }
    return first + commandBits;
}

void resetToDefaultLabels(LabelTable& table) {
    table.fill(LabelRecord{});
    writeDefaultCommandLabel(table);
}

int appendSignalLabel(LabelTable& table, int first, std::string_view name, std::span<const int> channels) {
    const int n = static_cast<int>(channels.size());
    if (first < 0 || n == 0 || first + n > maxLabels) return -1;
    for (int c : channels)
        if (!validBitIndex(firstChannelBit + c)) return -1;
    for (int k = 0; k < n; ++k) {
        LabelRecord& r = table[first + k];
        r = LabelRecord{};
        r.bitIndex = firstChannelBit + channels[k];
        r.groupType = static_cast<std::int32_t>(GroupType::Hex);
        std::memcpy(r.name, name.data(), std::min<std::size_t>(name.size(), labelNameBytes - 1));
        r.colour = colourDataLabel;
        r.positionCode = n == 1 ? positionSingle : k == n - 1 ? positionBusLast : positionBusHead + k;
    }
    return first + n;
}

bool isCommandLabel(const LabelRecord& record) {
    return record.groupType == static_cast<std::int32_t>(GroupType::Command);
}

void normaliseLabels(LabelTable& table) {
    int end = labelRecordCount(table);
    int head = -1;
    for (int i = 0; i < end; ++i) {
        LabelRecord& r = table[i];
        r.name[labelNameBytes - 1] = 0;
        r.secondText[labelNameBytes - 1] = 0;
        if (r.positionCode == positionBusHead) {
            head = i;
        } else if (r.positionCode != positionSingle && head >= 0) {
            const LabelRecord& h = table[head];
            r.groupType = h.groupType;
            std::memcpy(r.name, h.name, labelNameBytes);
            std::memcpy(r.secondText, h.secondText, labelNameBytes);
            r.colour = h.colour;
            r.reserved80 = h.reserved80;
            r.stateFlags = h.stateFlags;
            r.reserved92 = h.reserved92;
            r.reserved96 = h.reserved96;
        }
    }
    for (int i = 0; i < end; ++i) {
        if (isCommandLabel(table[i])) {
            std::memset(table[i].name, 0, labelNameBytes);
            std::memcpy(table[i].name, commandLabelName, sizeof commandLabelName);
        }
    }
}

std::uint32_t paletteColour(std::int32_t index) {
    index &= 15;
    if (index == 7) return 0xC0C0C0;
    if (index == 8) return 0x808080;
    std::uint32_t level = (index & 8) ? 255 : 128;
    std::uint32_t rgb = 0;
    if (index & 4) rgb |= level << 16;
    if (index & 2) rgb |= level << 8;
    if (index & 1) rgb |= level;
    return rgb;
}

} // namespace qv
