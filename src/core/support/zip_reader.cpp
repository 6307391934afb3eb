// Zip archives: end record, central directory and local headers checked against each other and the
// archive's size; stored and deflated entries streamed through zlib with their CRC-32.
#include "support/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>

namespace qv::zip {

namespace {

constexpr std::uint32_t endSignature = 0x06054b50, centralSignature = 0x02014b50, localSignature = 0x04034b50;
constexpr std::size_t endBytes = 22, centralBytes = 46, localBytes = 30;
constexpr std::size_t maxCommentBytes = 65535;
constexpr std::uint16_t stored = 0, deflated = 8;
constexpr std::uint16_t encryptedFlags = 0x0001 | 0x0040; // encryption, strong encryption
constexpr std::size_t inputBlockBytes = 65536;

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

} // namespace

Error Archive::open(ByteSource& source) {
    source_ = &source;
    entries_.clear();
    compressedRead_ = 0;
    const std::int64_t fileSize = source.size();
    if (fileSize < static_cast<std::int64_t>(endBytes)) return Error::NotZip;

    // The end record: the last signature whose comment ends within the archive.
    const std::size_t tailBytes =
        static_cast<std::size_t>(std::min<std::int64_t>(fileSize, endBytes + maxCommentBytes));
    std::vector<std::uint8_t> tail(tailBytes);
    if (!source.read(fileSize - static_cast<std::int64_t>(tailBytes), tail.data(), tailBytes)) return Error::NotZip;
    std::size_t at = tailBytes - endBytes + 1;
    const std::uint8_t* end = nullptr;
    while (at-- > 0)
        if (le32(&tail[at]) == endSignature && at + endBytes + le16(&tail[at + 20]) <= tailBytes) {
            end = &tail[at];
            break;
        }
    if (end == nullptr) return Error::NotZip;
    const std::int64_t endOffset = fileSize - static_cast<std::int64_t>(tailBytes - at);
    const std::uint16_t entryCount = le16(end + 10);
    const std::uint32_t directoryBytes = le32(end + 12), directoryOffset = le32(end + 16);
    if (entryCount == 0xFFFF || directoryBytes == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF)
        return Error::Unsupported; // zip64
    if (le16(end + 4) != 0 || le16(end + 6) != 0 || le16(end + 8) != entryCount) return Error::Unsupported; // disks
    if (std::int64_t{directoryOffset} + directoryBytes > endOffset ||
        std::uint64_t{entryCount} * centralBytes > directoryBytes)
        return Error::Damaged;

    std::vector<std::uint8_t> directory(directoryBytes);
    if (!source.read(directoryOffset, directory.data(), directory.size())) return Error::Damaged;
    std::size_t p = 0;
    for (int i = 0; i < entryCount; ++i) {
        if (p + centralBytes > directory.size() || le32(&directory[p]) != centralSignature) return Error::Damaged;
        const std::uint8_t* h = &directory[p];
        const std::size_t nameBytes = le16(h + 28), extraBytes = le16(h + 30), commentBytes = le16(h + 32);
        if (p + centralBytes + nameBytes + extraBytes + commentBytes > directory.size()) return Error::Damaged;
        Entry e;
        e.name.assign(reinterpret_cast<const char*>(h + centralBytes), nameBytes);
        e.flags = le16(h + 8);
        e.method = le16(h + 10);
        e.crc = le32(h + 16);
        e.compressedSize = le32(h + 20);
        e.size = le32(h + 24);
        e.headerOffset = le32(h + 42);
        if (e.compressedSize == 0xFFFFFFFF || e.size == 0xFFFFFFFF || e.headerOffset == 0xFFFFFFFF)
            return Error::Unsupported;
        if (e.method == deflated && e.size > e.compressedSize * maxInflateRatio + ratioSlack) return Error::Ratio;
        if (e.method == stored && e.size != e.compressedSize) return Error::Damaged;
        entries_.push_back(std::move(e));
        p += centralBytes + nameBytes + extraBytes + commentBytes;
    }

    // Local headers: where each entry's data starts. Data ranges may neither leave the space before
    // the central directory nor overlap (overlapping entries multiply one compressed stream).
    std::vector<const Entry*> byOffset;
    for (Entry& e : entries_) {
        std::array<std::uint8_t, localBytes> local;
        if (e.headerOffset + static_cast<std::int64_t>(localBytes) > directoryOffset ||
            !source.read(e.headerOffset, local.data(), local.size()) || le32(local.data()) != localSignature)
            return Error::Damaged;
        e.dataOffset = e.headerOffset + static_cast<std::int64_t>(localBytes) + le16(&local[26]) + le16(&local[28]);
        if (e.dataOffset + static_cast<std::int64_t>(e.compressedSize) > directoryOffset) return Error::Damaged;
        byOffset.push_back(&e);
    }
    std::sort(byOffset.begin(), byOffset.end(),
              [](const Entry* a, const Entry* b) { return a->headerOffset < b->headerOffset; });
    for (std::size_t i = 1; i < byOffset.size(); ++i)
        if (byOffset[i - 1]->dataOffset + static_cast<std::int64_t>(byOffset[i - 1]->compressedSize) >
            byOffset[i]->headerOffset)
            return Error::Damaged;
    return Error::None;
}

const Entry* Archive::find(std::string_view name) const {
    for (const Entry& e : entries_)
        if (e.name == name) return &e;
    return nullptr;
}

Error Archive::readWhole(const Entry& entry, std::size_t maxBytes, std::string& out) {
    out.clear();
    if (entry.size > maxBytes) return Error::TooLarge;
    out.reserve(static_cast<std::size_t>(entry.size));
    return stream(entry, [&](const std::uint8_t* data, std::size_t size) {
        out.append(reinterpret_cast<const char*>(data), size);
        return true;
    });
}

Error Archive::stream(const Entry& entry, const Sink& sink) {
    if (source_ == nullptr) return Error::Damaged;
    if (entry.flags & encryptedFlags) return Error::Unsupported;
    if (entry.method != stored && entry.method != deflated) return Error::Unsupported;
    input_.resize(inputBlockBytes);
    output_.resize(streamBlockBytes);
    uLong crc = crc32(0, nullptr, 0);
    std::uint64_t produced = 0, consumed = 0;

    // Feeds the next block of compressed bytes; false at the entry's end or on a failed read.
    std::size_t inputSize = 0;
    auto nextInput = [&]() {
        inputSize = static_cast<std::size_t>(std::min<std::uint64_t>(inputBlockBytes, entry.compressedSize - consumed));
        if (inputSize == 0 ||
            !source_->read(entry.dataOffset + static_cast<std::int64_t>(consumed), input_.data(), inputSize))
            return false;
        consumed += inputSize;
        compressedRead_ += static_cast<std::int64_t>(inputSize);
        return true;
    };
    auto deliver = [&](const std::uint8_t* data, std::size_t size) {
        produced += size;
        if (produced > entry.size) return Error::Damaged;
        crc = crc32(crc, data, static_cast<uInt>(size));
        return sink(data, size) ? Error::None : Error::Stopped;
    };

    if (entry.method == stored) {
        while (consumed < entry.compressedSize) {
            if (!nextInput()) return Error::Damaged;
            if (Error e = deliver(input_.data(), inputSize); e != Error::None) return e;
        }
    } else {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Error::Damaged;
        struct Ender {
            z_stream* z;
            ~Ender() { inflateEnd(z); }
        } ender{&z};
        int status = Z_OK;
        while (status != Z_STREAM_END) {
            // Input while there is some; without any, inflate may still hold output for us.
            if (z.avail_in == 0 && consumed < entry.compressedSize) {
                if (!nextInput()) return Error::Damaged;
                z.next_in = input_.data();
                z.avail_in = static_cast<uInt>(inputSize);
            }
            z.next_out = output_.data();
            z.avail_out = static_cast<uInt>(output_.size());
            status = inflate(&z, Z_NO_FLUSH);
            const std::size_t got = output_.size() - z.avail_out;
            // No progress with room for output: the data ended before the stream.
            if (status == Z_BUF_ERROR && got == 0) return Error::Damaged;
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return Error::Damaged;
            if (got > 0)
                if (Error e = deliver(output_.data(), got); e != Error::None) return e;
        }
    }
    if (produced != entry.size || crc != entry.crc) return Error::Damaged;
    return Error::None;
}

} // namespace qv::zip
