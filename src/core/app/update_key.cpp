// RSA public key reading. See update_key.h.
#include "app/update_key.h"

#include <algorithm>
#include <string_view>

namespace qv {
namespace {

using Bytes = std::span<const std::uint8_t>;

// One DER element of the expected tag: its contents, and the rest after it.
struct Element {
    Bytes contents;
    Bytes rest;
};

std::optional<Element> readElement(Bytes input, std::uint8_t tag) {
    if (input.size() < 2 || input[0] != tag) return std::nullopt;
    std::size_t length = input[1];
    std::size_t header = 2;
    if (length & 0x80) {
        const std::size_t lengthBytes = length & 0x7F;
        if (lengthBytes == 0 || lengthBytes > 3 || input.size() < 2 + lengthBytes) return std::nullopt;
        length = 0;
        for (std::size_t i = 0; i < lengthBytes; ++i) length = length << 8 | input[2 + i];
        header += lengthBytes;
    }
    if (input.size() - header < length) return std::nullopt;
    return Element{input.subspan(header, length), input.subspan(header + length)};
}

std::optional<std::vector<std::uint8_t>> readPositiveInteger(Bytes& input) {
    const auto integer = readElement(input, 0x02);
    if (!integer || integer->contents.empty() || (integer->contents[0] & 0x80)) return std::nullopt;
    Bytes value = integer->contents;
    while (!value.empty() && value[0] == 0) value = value.subspan(1);
    input = integer->rest;
    return std::vector<std::uint8_t>(value.begin(), value.end());
}

// 1.2.840.113549.1.1.1
constexpr std::uint8_t rsaEncryption[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};

std::optional<RsaPublicKey> fromDer(Bytes der) {
    const auto info = readElement(der, 0x30);
    if (!info) return std::nullopt;
    const auto algorithm = readElement(info->contents, 0x30);
    if (!algorithm) return std::nullopt;
    const auto oid = readElement(algorithm->contents, 0x06);
    if (!oid ||
        !std::equal(oid->contents.begin(), oid->contents.end(), std::begin(rsaEncryption), std::end(rsaEncryption)))
        return std::nullopt;
    const auto bits = readElement(algorithm->rest, 0x03);
    if (!bits || bits->contents.empty() || bits->contents[0] != 0) return std::nullopt;
    const auto sequence = readElement(bits->contents.subspan(1), 0x30);
    if (!sequence) return std::nullopt;
    Bytes numbers = sequence->contents;
    auto modulus = readPositiveInteger(numbers);
    auto exponent = readPositiveInteger(numbers);
    if (!modulus || !exponent || modulus->size() < 256 || modulus->size() > 1024 || exponent->empty() ||
        exponent->size() > 8)
        return std::nullopt;
    return RsaPublicKey{std::move(*modulus), std::move(*exponent)};
}

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::uint32_t bits = 0;
    int bitCount = 0;
    bool padding = false;
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
        if (c == '=') {
            padding = true;
            continue;
        }
        const int value = base64Value(c);
        if (value < 0 || padding) return std::nullopt;
        bits = bits << 6 | static_cast<std::uint32_t>(value);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes.push_back(static_cast<std::uint8_t>(bits >> bitCount));
        }
    }
    return bytes;
}

} // namespace

std::optional<RsaPublicKey> parseRsaPublicKey(std::span<const std::uint8_t> keyFile) {
    const std::string_view text(reinterpret_cast<const char*>(keyFile.data()), keyFile.size());
    constexpr std::string_view begin = "-----BEGIN PUBLIC KEY-----";
    constexpr std::string_view end = "-----END PUBLIC KEY-----";
    const std::size_t start = text.find(begin);
    if (start == std::string_view::npos) return fromDer(keyFile);
    const std::size_t stop = text.find(end, start);
    if (stop == std::string_view::npos) return std::nullopt;
    const auto der = base64Decode(text.substr(start + begin.size(), stop - start - begin.size()));
    if (!der) return std::nullopt;
    return fromDer(*der);
}

} // namespace qv
