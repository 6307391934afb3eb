// The manifest's signature check through the Windows cryptography API (BCrypt): RSA PKCS#1 v1.5
// over SHA-256 with the maker's public key built into the updater.
#pragma once

#include "app/update_key.h"
#include "app/sha256.h"

#include <optional>
#include <span>

namespace qv::updater {

bool verifySignature(const RsaPublicKey& key, std::span<const std::uint8_t> message,
                     std::span<const std::uint8_t> signature);

} // namespace qv::updater
