// BCrypt hashing and RSA verification. See crypto.h.
#include "crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace qv::updater {
namespace {

struct Algorithm {
    BCRYPT_ALG_HANDLE handle = nullptr;
    explicit Algorithm(const wchar_t* name) {
        if (BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0) != 0) handle = nullptr;
    }
    ~Algorithm() {
        if (handle) BCryptCloseAlgorithmProvider(handle, 0);
    }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
};

} // namespace

std::optional<Sha256> sha256(std::span<const std::uint8_t> bytes) {
    Algorithm algorithm(BCRYPT_SHA256_ALGORITHM);
    if (!algorithm.handle) return std::nullopt;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptCreateHash(algorithm.handle, &hash, nullptr, 0, nullptr, 0, 0) != 0) return std::nullopt;
    Sha256 digest{};
    bool done = true;
    // BCryptHashData takes a ULONG length: large files go in pieces.
    constexpr std::size_t piece = 1 << 24;
    for (std::size_t at = 0; done && at < bytes.size(); at += piece) {
        const std::size_t length = std::min(piece, bytes.size() - at);
        done = BCryptHashData(hash, const_cast<PUCHAR>(bytes.data() + at), static_cast<ULONG>(length), 0) == 0;
    }
    done = done && BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0) == 0;
    BCryptDestroyHash(hash);
    if (!done) return std::nullopt;
    return digest;
}

bool verifySignature(const RsaPublicKey& key, std::span<const std::uint8_t> message,
                     std::span<const std::uint8_t> signature) {
    const auto digest = sha256(message);
    if (!digest || signature.size() != key.modulus.size()) return false;
    Algorithm algorithm(BCRYPT_RSA_ALGORITHM);
    if (!algorithm.handle) return false;
    // BCRYPT_RSAKEY_BLOB, then the exponent and the modulus, big-endian.
    std::vector<std::uint8_t> blob(sizeof(BCRYPT_RSAKEY_BLOB) + key.exponent.size() + key.modulus.size());
    BCRYPT_RSAKEY_BLOB header{};
    header.Magic = BCRYPT_RSAPUBLIC_MAGIC;
    header.BitLength = static_cast<ULONG>(key.modulus.size() * 8);
    header.cbPublicExp = static_cast<ULONG>(key.exponent.size());
    header.cbModulus = static_cast<ULONG>(key.modulus.size());
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, key.exponent.data(), key.exponent.size());
    std::memcpy(blob.data() + sizeof header + key.exponent.size(), key.modulus.data(), key.modulus.size());
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (BCryptImportKeyPair(algorithm.handle, nullptr, BCRYPT_RSAPUBLIC_BLOB, &handle, blob.data(),
                            static_cast<ULONG>(blob.size()), 0) != 0)
        return false;
    BCRYPT_PKCS1_PADDING_INFO padding{BCRYPT_SHA256_ALGORITHM};
    const NTSTATUS status = BCryptVerifySignature(
        handle, &padding, const_cast<PUCHAR>(digest->data()), static_cast<ULONG>(digest->size()),
        const_cast<PUCHAR>(signature.data()), static_cast<ULONG>(signature.size()), BCRYPT_PAD_PKCS1);
    BCryptDestroyKey(handle);
    return status == 0;
}

} // namespace qv::updater
