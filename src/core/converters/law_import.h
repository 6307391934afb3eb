// LAW import: a logic analyser's waveform file (the viewer's "Kelmscope" files and LAW 2.00/2.02)
// read into the document: its labels behind the default command label, its samples shifted onto
// the channel bits, its sample frequency as the base frequency. Every field is checked against the
// file before the document changes; samples are read in blocks, uncompressed or run-length.
// Not supported: LAW compressions other than none and run-length (refused with 12107).
#pragma once

#include "device/prompt.h"
#include "support/file_io.h"
#include "support/strings.h"
#include "waveedit/document.h"

#include <cstdint>

namespace qv::law {

inline constexpr char viewerSignature[] = "Tavro Technology Inc. Kelmscope";
inline constexpr char law200Signature[] = "Tavro Technology Inc.  LAW 2.00";
inline constexpr char law202Signature[] = "Tavro Technology Inc.  LAW 2.02";
inline constexpr std::uint32_t newestLawRevision = 514; // the value at offset 32 this reader knows
inline constexpr int maxFileLabels = maxLabels - commandBits; // 189 behind the command label

struct ImportResult {
    bool declined = false; // 12045 answered No: the document is unchanged
    int sampleFrequency = 0; // also stored as the document's base frequency
    std::int64_t fileSamples = 0;
    int samplesWritten = 0;
    int labels = 0; // label records read from the file
};

// Reads the file into the document (labels, image, base frequency; in demo mode the usable area
// follows the file's length). Errors: 12005, 12010, 12106, 12073, 12074, 12107, each leaving the
// document as it was.
Msg importLaw(ByteSource& source, Document& doc, Prompt& prompt, ImportResult& result);

// The sample frequency of a viewer file's rate code (10 MHz for an unknown code).
int viewerRateFrequency(int code);

} // namespace qv::law
