// Zip archives for tests: entries stored or deflated (zlib), written with local headers, central
// directory and end record, and any declared field overridable to build damaged archives.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::test {

struct ZipItem {
    ZipItem(std::string n, std::string d, bool compress = true, std::optional<std::uint32_t> size = {},
            std::optional<std::uint32_t> crc = {})
        : name(std::move(n)), data(std::move(d)), deflate(compress), declaredSize(size), declaredCrc(crc) {}
    std::string name;
    std::string data;
    bool deflate;
    std::optional<std::uint32_t> declaredSize, declaredCrc; // in the central directory
};

inline std::string deflateRaw(std::string_view data) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline std::vector<std::uint8_t> buildZip(const std::vector<ZipItem>& items) {
    std::vector<std::uint8_t> out, directory;
    auto put = [](std::vector<std::uint8_t>& v, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) v.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    auto append = [](std::vector<std::uint8_t>& v, std::string_view s) { v.insert(v.end(), s.begin(), s.end()); };
    for (const ZipItem& item : items) {
        const std::string body = item.deflate ? deflateRaw(item.data) : item.data;
        const std::uint32_t crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(item.data.data()), static_cast<uInt>(item.data.size())));
        const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
        const std::uint32_t size = item.declaredSize.value_or(static_cast<std::uint32_t>(item.data.size()));
        const std::uint16_t method = item.deflate ? 8 : 0;
        for (std::vector<std::uint8_t>* v : {&out, &directory}) {
            const bool central = v == &directory;
            put(*v, central ? 0x02014b50 : 0x04034b50, 4);
            if (central) put(*v, 20, 2); // made by
            put(*v, 20, 2);
            put(*v, 0, 2); // flags
            put(*v, method, 2);
            put(*v, 0, 4); // time, date
            put(*v, central ? item.declaredCrc.value_or(crc) : crc, 4);
            put(*v, static_cast<std::uint32_t>(body.size()), 4);
            put(*v, central ? size : static_cast<std::uint32_t>(item.data.size()), 4);
            put(*v, static_cast<std::uint32_t>(item.name.size()), 2);
            put(*v, 0, 2); // extra
            if (central) {
                put(*v, 0, 4); // comment, disk
                put(*v, 0, 2); // internal
                put(*v, 0, 4); // external
                put(*v, offset, 4);
            }
            append(*v, item.name);
        }
        append(out, body);
    }
    const std::uint32_t directoryOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), directory.begin(), directory.end());
    put(out, 0x06054b50, 4);
    put(out, 0, 4); // disks
    put(out, static_cast<std::uint32_t>(items.size()), 2);
    put(out, static_cast<std::uint32_t>(items.size()), 2);
    put(out, static_cast<std::uint32_t>(directory.size()), 4);
    put(out, directoryOffset, 4);
    put(out, 0, 2); // comment
    return out;
}

// A session: version 2, the metadata text, then the logic chunks in order.
inline std::vector<std::uint8_t> buildSession(const std::string& metadata, const std::vector<std::string>& chunks,
                                              const std::string& prefix = "logic-1") {
    std::vector<ZipItem> items{{"version", "2"}, {"metadata", metadata}};
    for (std::size_t i = 0; i < chunks.size(); ++i) items.push_back({prefix + "-" + std::to_string(i + 1), chunks[i]});
    return buildZip(items);
}

} // namespace qv::test
