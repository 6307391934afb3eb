// The SettingsStore port: DWORD and string values under a key path. The application backs it with
// the registry, tests with MemorySettingsStore. Reads report whether the key or value existed, so
// callers can apply the two kinds of default (missing key, missing value).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace qv {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual bool keyExists(const std::string& key) const = 0;
    // A value of the wrong type or size reads as missing.
    virtual std::optional<std::uint32_t> readNumber(const std::string& key, const std::string& value) const = 0;
    virtual std::optional<std::string> readText(const std::string& key, const std::string& value) const = 0;
    // Writes create the key; false when the key cannot be created or the value not written.
    virtual bool writeNumber(const std::string& key, const std::string& value, std::uint32_t number) = 0;
    virtual bool writeText(const std::string& key, const std::string& value, const std::string& text) = 0;
    virtual bool createKey(const std::string& key) = 0;
};

class MemorySettingsStore final : public SettingsStore {
  public:
    bool keyExists(const std::string& key) const override { return keys_.count(key) != 0; }
    std::optional<std::uint32_t> readNumber(const std::string& key, const std::string& value) const override {
        auto it = numbers_.find({key, value});
        if (it == numbers_.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> readText(const std::string& key, const std::string& value) const override {
        auto it = texts_.find({key, value});
        if (it == texts_.end()) return std::nullopt;
        return it->second;
    }
    bool writeNumber(const std::string& key, const std::string& value, std::uint32_t number) override {
        if (readOnly) return false;
        keys_[key] = true;
        numbers_[{key, value}] = number;
        return true;
    }
    bool writeText(const std::string& key, const std::string& value, const std::string& text) override {
        if (readOnly) return false;
        keys_[key] = true;
        texts_[{key, value}] = text;
        return true;
    }
    bool createKey(const std::string& key) override {
        if (readOnly) return false;
        keys_[key] = true;
        return true;
    }
    bool readOnly = false; // lets tests make every write fail

  private:
    std::map<std::string, bool> keys_;
    std::map<std::pair<std::string, std::string>, std::uint32_t> numbers_;
    std::map<std::pair<std::string, std::string>, std::string> texts_;
};

} // namespace qv
