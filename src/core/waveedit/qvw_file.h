// The binary waveform file (.qvw): a 68-byte header, a 512-byte parameter block (base frequency,
// frequency mode, two output levels), the label block with its terminating record and the sample
// block up to the waveform's used length. All integers 32-bit little-endian.
// The reader validates every size and offset before it changes anything: a failed or declined
// open leaves the document as it was. It does not ask "Overwrite?" questions; callers do.
#pragma once

#include "device/prompt.h"
#include "support/file_io.h"
#include "support/strings.h"
#include "waveedit/document.h"

#include <cstdint>
#include <string>

namespace qv {

inline constexpr char qvwSignature[] = "Tavro Technology Inc. QV-Editor";
inline constexpr int qvwSignatureBytes = 32;
inline constexpr int qvwHeaderBytes = 68;
inline constexpr int qvwParameterBytes = 512;
inline constexpr int qvwLabelOffset = qvwHeaderBytes + qvwParameterBytes; // 580
inline constexpr std::int32_t qvwVersionWord = 272;
inline constexpr int qvwMaxLabelBlockBytes = maxLabels * labelRecordBytes; // 20100
// 201 labels and the terminator, as a full table is written: read when its last record ends it.
inline constexpr int qvwFullLabelBlockBytes = labelTableRecords * labelRecordBytes; // 20200

// The header fields after the signature, by byte offset.
struct QvwHeader {
    std::int32_t version = 0; // 32
    std::int32_t headerSize = 0; // 36
    std::int32_t parameterOffset = 0; // 40
    std::int32_t parameterSize = 0; // 44
    std::int32_t labelOffset = 0; // 48
    std::int32_t labelSize = 0; // 52
    std::int32_t sampleOffset = 0; // 56
    std::int32_t sampleSize = 0; // 60
    std::int32_t endOfFile = 0; // 64
};

// Writes the document. 12005 when the file cannot be created, 12062 when writing fails, 12007
// when the work buffer cannot be allocated. The old file stays byte-identical on any failure.
Msg saveQvw(const std::string& path, const Document& doc);
// The number of image samples the sample block holds (the used length).
int qvwSampleCount(const Document& doc);

// Reads a .qvw file into the document. 12005 when it cannot be opened; 12030 for a wrong signature
// or a header whose sizes or offsets do not fit the file; 12073 for a label block over 201
// records (a 202nd record is taken only when it is the terminator); 12074 for a label naming a
// bit outside 0..63; 12070 when the user answered No to the question 12070 (already asked through
// the prompt: nothing more to show). Msg::None on success.
Msg loadQvw(const std::string& path, Document& doc, Prompt& prompt);
Msg loadQvw(ByteSource& source, Document& doc, Prompt& prompt);

} // namespace qv
