// Operations on the label table: the default command label, normalisation after a load or a
// label operation, and walking the table label by label (a row and the records of its bus).
// Editing labels (add, combine, arrange) belongs to the label commands, not here.
#pragma once

#include "waveedit/label.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace qv {

// One label as the table holds it: a row record (position code 1 or 2) and the records of its
// bus that follow it, most significant bit first.
struct LabelSpan {
    int first = 0; // index of the row record
    int count = 0; // number of records (bits)
};

// Number of records before the terminator (the first record with position code 0).
int labelRecordCount(const LabelTable& table);
// Calls visit(LabelSpan) for every row in table order. Records that follow no row are skipped.
template <class Visit> void forEachLabel(const LabelTable& table, Visit visit);

// Writes the default command label into records first .. first + 11 and returns first + 12.
int writeDefaultCommandLabel(LabelTable& table, int first = 0);
// Zeroes the table and writes the default command label.
void resetToDefaultLabels(LabelTable& table);
// A tool's signal as labels from record `first` on: one channel a single label, several a bus in
// channel-list order (first = most significant); HEX, colour 15, bit index 12 + channel, the name
// cut to 31 characters. Returns the record after the last one, or -1 (nothing written) when the
// records would not leave room for the terminator or a channel lies outside the sample.
int appendSignalLabel(LabelTable& table, int first, std::string_view name, std::span<const int> channels);

// Every bus member takes the group type, name, second text, colour, reserved fields and state
// flags of its head; every record of group type 5 is named "QV_Function"; names are kept
// NUL-terminated inside their fields.
void normaliseLabels(LabelTable& table);

bool isCommandLabel(const LabelRecord& record);
// A record whose bit index lies outside 0..63 cannot name a bit of the sample.
inline bool validBitIndex(std::int32_t bitIndex) { return bitIndex >= 0 && bitIndex <= highestBitIndex; }

// The palette colour of an index as 0x00RRGGBB; indexes outside 0..15 use their low four bits.
std::uint32_t paletteColour(std::int32_t index);

// ---- implementation of the template -------------------------------------------------------------
template <class Visit> void forEachLabel(const LabelTable& table, Visit visit) {
    int end = labelRecordCount(table);
    int i = 0;
    while (i < end) {
        if (!table[i].isRow()) {
            ++i;
            continue;
        }
        LabelSpan span{i, 1};
        if (table[i].positionCode == positionBusHead) {
            while (i + span.count < end && !table[i + span.count].isRow()) ++span.count;
        }
        i += span.count;
        visit(span);
    }
}

} // namespace qv
