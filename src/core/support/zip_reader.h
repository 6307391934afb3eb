// A reader of zip archives over a ByteSource, for the session files of logic-analyser tools: the
// central directory, stored and deflated entries (zlib's raw inflate), every size and offset
// checked against the archive before anything is read or allocated. Entries are read whole into a
// bounded buffer or streamed block by block, so an entry far larger than memory can be walked.
//
// Against zip bombs: a deflated entry may not declare more than deflate itself can produce from
// its compressed bytes (maxInflateRatio), inflation never produces more than the declared size,
// and the entries' data may not overlap, so the whole output stays within maxInflateRatio times
// the archive. The CRC-32 of every entry read is checked.
// Not supported: zip64, encryption, multi-disk archives, methods other than stored and deflated.
#pragma once

#include "support/file_io.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::zip {

// Deflate's own ceiling: a match of 258 bytes takes at least two bits, so no honest entry inflates
// beyond 1032 times its compressed size (plus the few bytes of a block header, `ratioSlack`).
inline constexpr std::uint64_t maxInflateRatio = 1032;
inline constexpr std::uint64_t ratioSlack = 1024;
inline constexpr std::size_t streamBlockBytes = std::size_t{1} << 20;

enum class Error {
    None,
    NotZip, // no end-of-central-directory record
    Damaged, // offsets, sizes, headers, inflate data or CRC do not agree
    Unsupported, // zip64, encryption, another method
    Ratio, // an entry declares more than maxInflateRatio allows
    TooLarge, // readWhole: the entry is larger than the caller allows
    Stopped, // stream: the sink asked to stop
};

struct Entry {
    std::string name;
    std::uint16_t method = 0; // 0 stored, 8 deflated
    std::uint16_t flags = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0; // uncompressed
    std::int64_t headerOffset = 0; // the local header
    std::int64_t dataOffset = 0; // behind the local header
};

class Archive {
  public:
    // Reads the central directory and every local header. The source must outlive the archive.
    Error open(ByteSource& source);
    const std::vector<Entry>& entries() const { return entries_; }
    const Entry* find(std::string_view name) const;

    // The whole entry; TooLarge (before anything is allocated) when it is larger than maxBytes.
    Error readWhole(const Entry& entry, std::size_t maxBytes, std::string& out);
    // The entry's bytes in blocks of at most streamBlockBytes, in order; sink returns false to
    // stop (Stopped). The sink sees data before the CRC is known: an entry that ends Damaged may
    // have delivered bytes first.
    using Sink = std::function<bool(const std::uint8_t* data, std::size_t size)>;
    Error stream(const Entry& entry, const Sink& sink);
    // Compressed bytes read so far by stream() and readWhole(), for progress.
    std::int64_t compressedRead() const { return compressedRead_; }

  private:
    ByteSource* source_ = nullptr;
    std::vector<Entry> entries_;
    std::vector<std::uint8_t> input_, output_;
    std::int64_t compressedRead_ = 0;
};

} // namespace qv::zip
