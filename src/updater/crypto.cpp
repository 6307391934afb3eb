// BCrypt RSA verification. See crypto.h.
#include "crypto.h"

#include <windows.h>
#include <bcrypt.h>

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

bool verifySignature(const RsaPublicKey& key, std::span<const std::uint8_t> message,
                     std::span<const std::uint8_t> signature) {
    const auto digest = win::sha256(message);
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
