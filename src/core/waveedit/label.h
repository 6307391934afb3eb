// The label record and the label table: names for sample bits and buses. The in-memory record is
// the 100-byte file record of WAVEEDIT.LBL and of the .qvw label block, byte for byte.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace qv {

inline constexpr int labelRecordBytes = 100;
inline constexpr int labelTableRecords = 202; // 201 labels and a terminator at most
inline constexpr int maxLabels = labelTableRecords - 1;
inline constexpr int labelNameBytes = 32;
inline constexpr int commandBits = 12; // bits 0-11 of a sample: the sequencer command field
inline constexpr int firstChannelBit = 12;
inline constexpr int highestBitIndex = 63;

enum class GroupType : std::int32_t { Hex = 0, Dec = 1, Oct = 2, Bin = 3, Asc = 4, Command = 5 };

// Position codes: 1 single-bit label; 2 first (most significant) bit of a bus; 3, 4, ... its next
// bits; 9999 the last bit of a bus; 0 the end of the table.
inline constexpr std::int32_t positionEnd = 0;
inline constexpr std::int32_t positionSingle = 1;
inline constexpr std::int32_t positionBusHead = 2;
inline constexpr std::int32_t positionBusLast = 9999;

inline constexpr std::uint32_t stateLabelSelected = 1u << 0;
inline constexpr std::uint32_t stateRowSelected = 1u << 11;

inline constexpr std::int32_t colourCommandLabel = 14;
inline constexpr std::int32_t colourDataLabel = 15;
inline constexpr char commandLabelName[] = "QV_Function";

struct LabelRecord {
    std::int32_t bitIndex = 0; // 0-11 command bits, 12 + n channel n
    std::int32_t reserved4 = 0;
    std::int32_t groupType = 0; // GroupType
    char name[labelNameBytes] = {};
    char secondText[labelNameBytes] = {};
    std::int32_t colour = 0; // palette index 0-15
    std::int32_t reserved80 = 0;
    std::int32_t positionCode = 0;
    std::uint32_t stateFlags = 0;
    std::int32_t reserved92 = 0;
    std::int32_t reserved96 = 0;

    bool isRow() const { return positionCode == positionSingle || positionCode == positionBusHead; }
};
static_assert(sizeof(LabelRecord) == labelRecordBytes);
static_assert(offsetof(LabelRecord, name) == 12);
static_assert(offsetof(LabelRecord, secondText) == 44);
static_assert(offsetof(LabelRecord, colour) == 76);
static_assert(offsetof(LabelRecord, positionCode) == 84);
static_assert(offsetof(LabelRecord, stateFlags) == 88);

using LabelTable = std::array<LabelRecord, labelTableRecords>;

} // namespace qv
