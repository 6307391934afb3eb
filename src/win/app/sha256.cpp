// BCrypt hashing. See sha256.h.
#include "app/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>

namespace qv::win {

std::optional<Sha256> sha256(std::span<const std::uint8_t> bytes) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) return std::nullopt;
    BCRYPT_HASH_HANDLE hash = nullptr;
    Sha256 digest{};
    bool done = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0;
    // BCryptHashData takes a ULONG length: large files go in pieces.
    constexpr std::size_t piece = 1 << 24;
    for (std::size_t at = 0; done && at < bytes.size(); at += piece) {
        const std::size_t length = std::min(piece, bytes.size() - at);
        done = BCryptHashData(hash, const_cast<PUCHAR>(bytes.data() + at), static_cast<ULONG>(length), 0) == 0;
    }
    done = done && BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0) == 0;
    if (hash) BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!done) return std::nullopt;
    return digest;
}

} // namespace qv::win
