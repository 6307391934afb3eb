// The updater's signed manifest: which files an update installs, with each file's size and SHA-256
// digest, and the rules that keep a listed path inside the program folder. The signature itself is
// checked by the updater (Windows cryptography) over the manifest's exact bytes before this parser
// sees them; the parser still trusts nothing. Format (docs/online-update.md):
//   QV-UPDATE-MANIFEST 2
//   release <decimal number, 1 to 4294967295>
//   <64 hex digits SHA-256> <size in bytes> <relative path with '/' separators>
// The signed release number lets the updater refuse an old manifest replayed to downgrade.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr char manifestHeader[] = "QV-UPDATE-MANIFEST 2";
inline constexpr char manifestReleaseKeyword[] = "release ";
inline constexpr char updateFilesRoot[] = "/Software/OnlineUpdate/QV/";
inline constexpr char manifestName[] = "manifest.txt";
inline constexpr char manifestSignatureName[] = "manifest.sig";
inline constexpr char updateFilesFolder[] = "files/";
inline constexpr std::size_t maxManifestBytes = 256 * 1024;
inline constexpr std::size_t maxManifestEntries = 1000;
inline constexpr std::uint64_t maxUpdateFileBytes = 256ull * 1024 * 1024;
// The updater's own names inside the program folder; no listed path may use them: every top-level
// name starting "OnlineUpdate." and every name ending in the backup suffix.
inline constexpr char updaterNamePrefix[] = "OnlineUpdate.";
inline constexpr char updaterFileName[] = "OnlineUpdate.exe";
inline constexpr char stagingFolderName[] = "OnlineUpdate.staging";
inline constexpr char journalFileName[] = "OnlineUpdate.journal"; // the plan of an install under way
inline constexpr char commitFileName[] = "OnlineUpdate.committed"; // every file of that plan is in place
inline constexpr char releaseFileName[] = "OnlineUpdate.release"; // the release installed last
inline constexpr char backupSuffix[] = ".update-old";
// The updater's command lines: QV.exe starts it elevated with the first, and a second copy,
// unelevated, with the second followed by the elevated one's process handle (decimal).
inline constexpr char updaterNoRestartSwitch[] = "/no-restart";
inline constexpr char updaterRestartAfterSwitch[] = "/restart-after";

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

struct Manifest {
    std::uint32_t release = 0;
    std::vector<ManifestEntry> entries;
};

// nullopt when anything is wrong: header, release line, line form, digest, size, path, a path
// listed twice (in any case), a path that names one of the updater's own names, too many entries.
// Lines end in LF or CRLF; the last line may lack its end.
std::optional<Manifest> parseManifest(std::string_view text);

// A release number as the manifest and the release file write it: decimal digits, 1 to 4294967295,
// no sign, no leading zero.
std::optional<std::uint32_t> parseReleaseNumber(std::string_view text);

// The path with '\' separators, for joining to a Windows folder.
std::string windowsRelativePath(std::string_view path);

} // namespace qv
