// Manifest parsing and path safety. See update_manifest.h.
#include "app/update_manifest.h"

#include <algorithm>
#include <set>

namespace qv {
namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upperCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), upper);
    return result;
}

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
        c == '-' || c == '+';
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices whatever extension follows.
bool isDeviceName(std::string_view component) {
    const std::string base = upperCase(component.substr(0, component.find('.')));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' && base[3] <= '9';
}

bool isSafeComponent(std::string_view component) {
    if (component.empty() || component.size() > 200 || component == "." || component == "..") return false;
    if (component.back() == '.') return false;
    if (!std::all_of(component.begin(), component.end(), isNameCharacter)) return false;
    return !isDeviceName(component);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<Sha256> parseDigest(std::string_view text) {
    if (text.size() != 64) return std::nullopt;
    Sha256 digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = hexValue(text[2 * i]);
        const int low = hexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return digest;
}

std::optional<std::uint64_t> parseSize(std::string_view text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    std::uint64_t size = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        size = size * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (size > maxUpdateFileBytes) return std::nullopt;
    return size;
}

// Paths the updater keeps for itself.
bool isReservedPath(std::string_view path) {
    const std::string upperPath = upperCase(path);
    const std::string firstComponent = upperPath.substr(0, upperPath.find('/'));
    if (firstComponent.starts_with(upperCase(updaterNamePrefix))) return true;
    const std::string suffix = upperCase(backupSuffix);
    return upperPath.size() >= suffix.size() && upperPath.ends_with(suffix);
}

std::optional<ManifestEntry> parseLine(std::string_view line) {
    const std::size_t firstBlank = line.find(' ');
    if (firstBlank == std::string_view::npos) return std::nullopt;
    const std::size_t secondBlank = line.find(' ', firstBlank + 1);
    if (secondBlank == std::string_view::npos) return std::nullopt;
    const auto digest = parseDigest(line.substr(0, firstBlank));
    const auto size = parseSize(line.substr(firstBlank + 1, secondBlank - firstBlank - 1));
    const std::string_view path = line.substr(secondBlank + 1);
    if (!digest || !size || !isSafeRelativePath(path) || isReservedPath(path)) return std::nullopt;
    return ManifestEntry{*digest, *size, std::string(path)};
}

} // namespace

bool isSafeRelativePath(std::string_view path) {
    if (path.empty() || path.size() > 240) return false;
    while (true) {
        const std::size_t slash = path.find('/');
        if (!isSafeComponent(path.substr(0, slash))) return false;
        if (slash == std::string_view::npos) return true;
        path.remove_prefix(slash + 1);
    }
}

std::optional<std::uint32_t> parseReleaseNumber(std::string_view text) {
    if (text.empty() || text.size() > 10 || text[0] == '0') return std::nullopt;
    std::uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (number > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

std::optional<Manifest> parseManifest(std::string_view text) {
    if (text.size() > maxManifestBytes) return std::nullopt;
    Manifest manifest;
    std::set<std::string> seen;
    int headerLines = 2; // the header, then the release
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (headerLines == 2) {
            if (line != manifestHeader) return std::nullopt;
            --headerLines;
            continue;
        }
        if (headerLines == 1) {
            if (!line.starts_with(manifestReleaseKeyword)) return std::nullopt;
            const auto release = parseReleaseNumber(line.substr(std::string_view(manifestReleaseKeyword).size()));
            if (!release) return std::nullopt;
            manifest.release = *release;
            --headerLines;
            continue;
        }
        auto entry = parseLine(line);
        if (!entry || manifest.entries.size() == maxManifestEntries || !seen.insert(upperCase(entry->path)).second)
            return std::nullopt;
        manifest.entries.push_back(std::move(*entry));
    }
    if (headerLines != 0) return std::nullopt;
    return manifest;
}

std::string windowsRelativePath(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

} // namespace qv
