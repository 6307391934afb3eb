// The hand-off files WAVEEDIT.LBL (label records, 100 bytes each, no header, no terminator) and
// WAVEEDIT.WAV (the sample image from sample 0, no header): how tools pass a result to the Wave
// Editor and where the Wave Editor keeps its document between openings. Loading never fails: a
// missing or malformed label file gives the default command label, a missing sample file zeros.
#pragma once

#include "support/strings.h"
#include "waveedit/document.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <span>
#include <string>

namespace qv {

inline constexpr char handoffLabelFileName[] = "WAVEEDIT.LBL";
inline constexpr char handoffSampleFileName[] = "WAVEEDIT.WAV";

std::string handoffLabelPath(const std::string& folder);
std::string handoffSamplePath(const std::string& folder);

// Writes the records before the terminator; 12062 when the file cannot be written.
Msg writeHandoffLabels(const std::string& path, const LabelTable& labels);
// Writes the usable sample bytes of the image; 12062 when the file cannot be written.
Msg writeHandoffSamples(const std::string& path, std::span<const Sample> usableImage);

// A tool's result: WAVEEDIT.LBL, then WAVEEDIT.WAV, into the folder. 12062 on the first failure.
Msg writeHandoffFiles(const std::string& folder, const LabelTable& labels, std::span<const Sample> usableImage);
// The Wave Editor closing: WAVEEDIT.WAV, then WAVEEDIT.LBL; a file that cannot be written is
// skipped. Returns false when either failed.
bool saveHandoffOnClose(const std::string& folder, const Document& doc);

// Reads a label file into the table: zeroes it, reads every record (cut to 201 records), or writes
// the default command label when the file is missing, not a multiple of 100 bytes long or names
// a bit outside 0..63; then normalises.
void loadHandoffLabels(const std::string& path, LabelTable& labels);
// The same rules over the whole contents of an existing label file.
void loadHandoffLabelBytes(std::span<const std::uint8_t> bytes, LabelTable& labels);
// Zeroes the whole sample buffer and reads min(file size, usable sample bytes) from sample 0.
void loadHandoffSamples(const std::string& path, Document& doc);
// Both files, as the Wave Editor does on every opening; both undo rings are emptied (what they
// hold belongs to whatever document was there before).
void loadHandoffFiles(const std::string& folder, Document& doc);

} // namespace qv
