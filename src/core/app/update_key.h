// The maker's RSA public key as the updater carries it: a PEM "PUBLIC KEY" (or its DER bytes), a
// SubjectPublicKeyInfo with the rsaEncryption algorithm. Read here into the modulus and exponent
// (big-endian, without leading zero bytes), which the updater hands to the Windows cryptography
// API. Nothing else of ASN.1 is understood; anything unexpected is refused.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qv {

// The key a build's updater trusts: none (the build installs no update), the test key (test builds
// only: its private half is public) or the maker's.
enum class UpdateTrust { None = 0, Test = 1, Maker = 2 };

struct RsaPublicKey {
    std::vector<std::uint8_t> modulus;
    std::vector<std::uint8_t> exponent;
};

// From PEM text (the first "-----BEGIN PUBLIC KEY-----" block) or from DER bytes. Keys of 2048 to
// 8192 bits.
std::optional<RsaPublicKey> parseRsaPublicKey(std::span<const std::uint8_t> keyFile);

} // namespace qv
