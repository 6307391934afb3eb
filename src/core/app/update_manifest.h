// The updater's signed manifest: which files an update installs, with each file's size and SHA-256
// digest, and the rules that keep a listed path inside the program folder. The signature itself is
// checked by the updater (Windows cryptography) over the manifest's exact bytes before this parser
// sees them; the parser still trusts nothing. Format (docs/online-update.md):
//   QV-UPDATE-MANIFEST 1
//   <64 hex digits SHA-256> <size in bytes> <relative path with '/' separators>
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr char manifestHeader[] = "QV-UPDATE-MANIFEST 1";
inline constexpr char updateFilesRoot[] = "/Software/OnlineUpdate/QV/";
inline constexpr char manifestName[] = "manifest.txt";
inline constexpr char manifestSignatureName[] = "manifest.sig";
inline constexpr char updateFilesFolder[] = "files/";
inline constexpr std::size_t maxManifestBytes = 256 * 1024;
inline constexpr std::size_t maxManifestEntries = 1000;
inline constexpr std::uint64_t maxUpdateFileBytes = 256ull * 1024 * 1024;
// The updater's own folder and name suffix inside the program folder; no listed path may use them.
inline constexpr char stagingFolderName[] = "OnlineUpdate.staging";
inline constexpr char backupSuffix[] = ".update-old";
inline constexpr char updaterFileName[] = "OnlineUpdate.exe";

using Sha256 = std::array<std::uint8_t, 32>;

struct ManifestEntry {
    Sha256 digest{};
    std::uint64_t size = 0;
    std::string path; // relative, '/' separated, checked by isSafeRelativePath
};

// A relative path that stays inside the folder it is joined to, on any Windows file system:
// components of letters, digits and ". _ - +", separated by single '/', none empty, "." or "..",
// none ending in a dot (Windows drops it), none a device name (CON, NUL, COM1, ...); so no
// absolute path, no drive letter, no alternate data stream (':'), no backslash.
bool isSafeRelativePath(std::string_view path);

// nullopt when anything is wrong: header, line form, digest, size, path, a path listed twice
// (in any case), a path that names the updater, its staging folder or a backup name, too many
// entries. Lines end in LF or CRLF; the last line may lack its end.
std::optional<std::vector<ManifestEntry>> parseManifest(std::string_view text);

// The path with '\' separators, for joining to a Windows folder.
std::string windowsRelativePath(std::string_view path);

} // namespace qv
