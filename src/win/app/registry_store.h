// The SettingsStore port over the registry. Settings keep their key paths under
// HKEY_LOCAL_MACHINE, which a process without elevation may not write; so every path is also kept
// under HKEY_CURRENT_USER: writes go to the machine key where allowed and to the user key
// otherwise (and also to it whenever it already exists, so it never holds stale values); reads
// take the user value first when present, then the machine value. A value of the wrong type or
// size reads as missing.
#pragma once

#include <windows.h>

#include "app/settings_store.h"

namespace qv::win {

class RegistrySettingsStore final : public SettingsStore {
  public:
    // The two roots; tests pass keys of their own.
    RegistrySettingsStore(HKEY machineRoot = HKEY_LOCAL_MACHINE, HKEY userRoot = HKEY_CURRENT_USER)
        : machine_(machineRoot), user_(userRoot) {}

    bool keyExists(const std::string& key) const override;
    std::optional<std::uint32_t> readNumber(const std::string& key, const std::string& value) const override;
    std::optional<std::string> readText(const std::string& key, const std::string& value) const override;
    bool writeNumber(const std::string& key, const std::string& value, std::uint32_t number) override;
    bool writeText(const std::string& key, const std::string& value, const std::string& text) override;
    bool createKey(const std::string& key) override;

  private:
    // Writes one value (or, with no data, only creates the key) where allowed.
    bool write(const std::string& key, const std::string& value, DWORD type, const BYTE* data, DWORD size);

    HKEY machine_;
    HKEY user_;
};

// The application's store: HKEY_LOCAL_MACHINE with the HKEY_CURRENT_USER fallback.
RegistrySettingsStore& registrySettings();

} // namespace qv::win
