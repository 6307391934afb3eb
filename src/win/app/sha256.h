// SHA-256 through the Windows cryptography API (BCrypt): the updater checks downloaded files with
// it, QV.exe the updater it copied into the program folder.
#pragma once

#include "app/update_manifest.h"

#include <cstdint>
#include <optional>
#include <span>

namespace qv::win {

std::optional<Sha256> sha256(std::span<const std::uint8_t> bytes);

} // namespace qv::win
