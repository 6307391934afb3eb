// Reading text vector files (.qvv): the function behind the driver export qvReadQVV, and the Wave
// Editor's open of a .qvv file that rebuilds the label table from the signal table it returns.
// The statements are read by the shared text vector statement reader
// (converters/text_vector_statements.h); interval patterns only (one line per sample).
#pragma once

#include "device/driver.h"
#include "support/strings.h"
#include "waveedit/document.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qv {

inline constexpr int signalNameBytes = 32;
inline constexpr int signalEntryBits = 50;
inline constexpr int signalTableEntries = 202;

// One signal of qvReadQVV's table: 236 bytes; an entry with bit count 0 ends the table.
struct SignalEntry {
    char name[signalNameBytes];
    std::int32_t bitCount;
    std::int32_t bitIndex[signalEntryBits]; // most significant first
};
static_assert(sizeof(SignalEntry) == 236);

// Results of readTextVectorFile (qvReadQVV's contract: 0 on success).
enum TextVectorStatus : int {
    textVectorOk = 0,
    textVectorCannotOpen = 1,
    textVectorNoMemory = 2,
    textVectorMalformed = 3, // a statement, channel list, signal or pattern line that cannot be read
    textVectorTooLong = 4, // more pattern lines than the capacity holds
};

// Parses a .qvv file: fills samples (every sample up to capacityBytes: one per pattern line, then
// copies of the last line), the signal table (signalLimit entries of 236 bytes, terminated) and
// frequencyAndMode[0] (base frequency, Hz) and [1] (frequency mode). A value the file does not
// give (no FREQUENCY or FREQUENCYMODE statement) is left as the caller set it.
int readTextVectorFile(const char* path, void* samples, int capacityBytes, void* signalTable, int signalLimit,
                       std::int32_t* frequencyAndMode);
// The same over the text of a file; the Msg says why it failed (12030 for unreadable text).
Msg readTextVector(std::string_view text, std::span<Sample> samples, std::span<SignalEntry> signalTable,
                   std::int32_t* frequencyAndMode);

// The label table of a signal table: one bit a single label (HEX, colour 15, whatever its name);
// several bits a bus, the command label (group type 5, colour 12) when named "QV_Function". 12073 when the records do
// not fit the table, 12074 for a bit index outside 0..63.
Msg labelsFromSignalTable(std::span<const SignalEntry> signalTable, LabelTable& labels);

// The Wave Editor's open of a .qvv file through qvReadQVV (the driver's when given, else the
// built-in reader). 12030 when it fails; the document is unchanged after any failure.
Msg loadQvv(const std::string& path, Document& doc, const Driver* driver = nullptr);

} // namespace qv
