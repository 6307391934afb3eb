// Registry access for the settings: keys opened with KEY_QUERY_VALUE for reading and created
// with class "QVEditor" and KEY_SET_VALUE for writing; numbers REG_DWORD, texts REG_SZ with their
// terminating NUL.
#include "app/registry_store.h"

#include <vector>

namespace qv::win {
namespace {

constexpr char keyClass[] = "QVEditor";

class Key {
  public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (handle_) RegCloseKey(handle_);
    }
    bool open(HKEY root, const std::string& path, REGSAM access) {
        return RegOpenKeyExA(root, path.c_str(), 0, access, &handle_) == ERROR_SUCCESS;
    }
    bool create(HKEY root, const std::string& path) {
        char className[sizeof(keyClass)];
        std::copy(std::begin(keyClass), std::end(keyClass), className);
        return RegCreateKeyExA(root, path.c_str(), 0, className, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                               &handle_, nullptr) == ERROR_SUCCESS;
    }
    HKEY get() const { return handle_; }

  private:
    HKEY handle_ = nullptr;
};

// The raw value under one root, or false when the key or the value is missing.
bool queryValue(HKEY root, const std::string& path, const std::string& name, DWORD& type, std::vector<BYTE>& data) {
    Key key;
    if (!key.open(root, path, KEY_QUERY_VALUE)) return false;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        data.resize(size);
        const LONG status = RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
        if (status == ERROR_SUCCESS) {
            data.resize(size);
            return true;
        }
        if (status != ERROR_MORE_DATA) return false; // changed under us: ask again for the new size
    }
    return false;
}

std::optional<std::uint32_t> numberIn(HKEY root, const std::string& path, const std::string& name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!queryValue(root, path, name, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD))
        return std::nullopt;
    DWORD number = 0;
    std::copy(data.begin(), data.end(), reinterpret_cast<BYTE*>(&number));
    return number;
}

std::optional<std::string> textIn(HKEY root, const std::string& path, const std::string& name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!queryValue(root, path, name, type, data) || type != REG_SZ) return std::nullopt;
    // The stored data need not end with a NUL (another writer may have left it out); the text ends
    // at the first NUL or at the end of the data, whichever comes first.
    std::string text(data.begin(), data.end());
    if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

} // namespace

bool RegistrySettingsStore::keyExists(const std::string& key) const {
    Key user, machine;
    return user.open(user_, key, KEY_QUERY_VALUE) || machine.open(machine_, key, KEY_QUERY_VALUE);
}

std::optional<std::uint32_t> RegistrySettingsStore::readNumber(const std::string& key, const std::string& value) const {
    if (auto number = numberIn(user_, key, value)) return number;
    return numberIn(machine_, key, value);
}

std::optional<std::string> RegistrySettingsStore::readText(const std::string& key, const std::string& value) const {
    if (auto text = textIn(user_, key, value)) return text;
    return textIn(machine_, key, value);
}

bool RegistrySettingsStore::write(const std::string& key, const std::string& value, DWORD type, const BYTE* data,
                                  DWORD size) {
    auto writeUnder = [&](HKEY root) {
        Key handle;
        if (!handle.create(root, key)) return false;
        return !data || RegSetValueExA(handle.get(), value.c_str(), 0, type, data, size) == ERROR_SUCCESS;
    };
    const bool machineWritten = writeUnder(machine_);
    // The user key is read first, so it must not keep an older value once it exists.
    Key existingUser;
    const bool userExists = existingUser.open(user_, key, KEY_QUERY_VALUE);
    if (machineWritten && !userExists) return true;
    return writeUnder(user_) || machineWritten;
}

bool RegistrySettingsStore::writeNumber(const std::string& key, const std::string& value, std::uint32_t number) {
    const DWORD data = number;
    return write(key, value, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

bool RegistrySettingsStore::writeText(const std::string& key, const std::string& value, const std::string& text) {
    return write(key, value, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

bool RegistrySettingsStore::createKey(const std::string& key) { return write(key, {}, REG_NONE, nullptr, 0); }

RegistrySettingsStore& registrySettings() {
    static RegistrySettingsStore store;
    return store;
}

} // namespace qv::win
