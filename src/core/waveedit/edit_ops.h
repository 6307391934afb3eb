// The waveform editing operations over an EditTarget: Low, High, Invert, Clock, Input Bus Data,
// Copy, Cut and Paste, and the checks of the Set Clock and Data Setting dialogs. Every operation
// first stores the samples it will change in the waveform undo ring (Document::undoWaveform takes
// the newest back). A sample is one 64-bit word: an operation writes (word & ~mask) | (value & mask)
// over spans of samples with one precomputed value per span, never bit by bit per channel.
// New, the Sample Wizard and the dialogs themselves live elsewhere.
#pragma once

#include "support/strings.h"
#include "waveedit/document.h"
#include "waveedit/edit_selection.h"
#include "waveedit/view_rows.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// A failed dialog check: the message, the field to reset and, for 12002, the range shown through
// the format "%s (Range = %d - %d)". A refused bus value names its field, what was typed, the radix
// and the bus's range (written in the radix).
enum class EditField { None, Multiplier, StartValue, Increment, Path };
struct EditCheck {
    Msg msg = Msg::None;
    EditField field = EditField::None;
    int rangeLow = 0;
    int rangeHigh = 0;
    std::string typed; // BusValueNotNumber, BusValueOutOfRange
    std::string radix;
    std::string low;
    std::string high;
    bool ok() const { return msg == Msg::None; }
};
// The text of a failed check in a language: 12002 with its range, a refused bus value with its
// field, text and range, any other message as it is.
std::string editCheckText(const EditCheck& check, Language language);

// ---- Low, High, Invert ----------------------------------------------------------------------------

enum class LevelOperation { Low, High, Invert };
// Clears, sets or toggles the target's bits over the marked area. False when nothing is selected.
bool applyLevel(Document& doc, const EditTarget& target, LevelOperation operation);

// ---- Clock (dialog 330 "Set Clock") ---------------------------------------------------------------

struct ClockSetting {
    int multiplier = 1; // half period in samples, 1 .. mark end - mark start
    int startValue = 0; // 0 or 1
};
// 12002 (Multiplier, range 1 .. mark end - mark start) or 12003 (StartValue). A one-sample mark
// has no period at all: ClockMarkTooShort says so instead of an empty range.
EditCheck checkClock(const ClockSetting& setting, const EditTarget& target);
// Writes the clock into every bit of the target: start value for `multiplier` samples, then the
// other level, and so on. False (nothing written) when the setting does not pass checkClock.
bool drawClock(Document& doc, const EditTarget& target, const ClockSetting& setting);

// ---- Input Bus Data (dialog 334 "Data Setting") ---------------------------------------------------

enum class Radix { Hex, Dec, Bin, Oct }; // the dialog's radix buttons in order
enum class BusDataSource { Counter, File };

struct BusDataSetting {
    int multiplier = 1; // samples per value, 1 .. the number of marked samples
    Radix radix = Radix::Hex;
    std::string startValue = "0"; // in the radix
    std::string increment = "1"; // in the radix; a leading '-' makes it a decrement
    BusDataSource source = BusDataSource::Counter;
    std::string path; // File: its bytes are the values, from the first again after the last
};

// The row Input Bus Data writes: the target's first row; null when there is none.
const ViewRow* busDataRow(const EditTarget& target, std::span<const ViewRow> rows);
// The largest value of a bus of `width` bits (1..64).
std::uint64_t busMaximum(int width);
// A number typed in a radix (digits only, no sign); false when it is empty, holds another character
// or does not fit 64 bits.
bool parseRadixValue(std::string_view text, Radix radix, std::uint64_t& value);
// A value in a radix with the leading zeros of a bus of `width` bits ("0F", "00001111").
std::string radixText(std::uint64_t value, Radix radix, int width);
// The increment field when the radix changes: read in the old radix, masked to the bus width and
// written in the new one, its '-' kept. An unreadable field gives "0".
std::string convertIncrementText(std::string_view text, Radix from, Radix to, int width);

// What a passed check gives the writer.
struct BusDataValues {
    int multiplier = 1;
    std::uint64_t start = 0;
    std::uint64_t increment = 0;
    bool decrement = false;
    std::vector<std::uint8_t> fileBytes; // File: the bytes the marked area uses, at most
};
// 12002 (Multiplier, range 1 .. the number of marked samples); for StartValue or Increment
// BusValueNotNumber (not a number in the radix) or BusValueOutOfRange (above the bus's largest
// value), each naming the field and the range 0 .. 2^width - 1; 12005 (Path: cannot be opened),
// 12006 (Path: empty file).
EditCheck checkBusData(const BusDataSetting& setting, const EditTarget& target, const ViewRow& bus,
                       BusDataValues& values);
// Writes the values onto the bus over the marked area, its first bit the most significant; the
// next value after every `multiplier` samples (value +- increment in 64 bits, bits beyond the bus
// dropped; or the next file byte). False when nothing is selected.
bool writeBusData(Document& doc, const EditTarget& target, const ViewRow& bus, const BusDataValues& values);

// ---- Copy, Cut, Paste ---------------------------------------------------------------------------------

// The editor's own clipboard (not the system's): the copied bits in table order and one word per
// copied sample whose bit j holds copied bit j.
struct EditClipboard {
    std::vector<std::uint8_t> bits;
    std::vector<std::uint64_t> words;
    bool copied = false;
};
enum class EditMode { Insert, Overwrite };

// The target's bits (at most 64, in table order) over its area into the clipboard.
bool copySelection(const Document& doc, const EditTarget& target, std::span<const ViewRow> rows,
                   EditClipboard& clipboard);
// Copy, then close the gap on the copied bits only: every sample from mark start on takes the
// value of the sample (marked length) later, 0 beyond the usable area. Clears the row-range flag.
bool cutSelection(Document& doc, const EditTarget& target, std::span<const ViewRow> rows, EditClipboard& clipboard,
                  EditSelection& selection);
// Pastes at the T cursor (tSample on tRow): the target bits are the copied number of records in
// table order from the row's first record. Insert first moves the target bits from T to the end
// later by the copied length (what passes the end is lost); both modes then write the words from
// T on, stopping at the end of the usable area. False when nothing was copied or T is outside.
bool pasteClipboard(Document& doc, const EditClipboard& clipboard, std::span<const ViewRow> rows, int tSample, int tRow,
                    EditMode mode);

} // namespace qv
