// The online update's list: the text the vendor's server keeps at updateListPath, read as records
// of three tokens (file name, version, sub-directory), and the comparison of a record's version
// with the local file's. The file-system queries stay with the caller (LocalFileFacts); this module
// only reads text and numbers. A malformed version token never offers an update: the record counts
// as up to date and is reported, so a bad list cannot make the program loop on updates.
#pragma once

#include "app/settings_store.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr char updateListPath[] = "/Software/OnlineUpdate/QV/OnlineUpdate.txt";
// A body longer than this, or shorter than its announced length, counts as not received.
inline constexpr std::size_t maxUpdateListBytes = 1 << 20;

// The server setting: a host name with an optional ":port" (port 0: HTTP's default).
inline constexpr char updateSettingsKey[] = "SOFTWARE\\Tavro\\QV";
inline constexpr char updateServerValue[] = "Update Server";
inline constexpr char defaultUpdateServer[] = "update.tavro.com";
struct ServerAddress {
    std::string host;
    std::uint16_t port = 0;
};
// The "Update Server" text of updateSettingsKey (shared by every instrument and by the updater),
// else defaultUpdateServer.
std::string readUpdateServer(const SettingsStore& store);
// Host letters, digits, '.' and '-', then an optional ":1".."65535"; anything else is refused.
std::optional<ServerAddress> parseServerAddress(std::string_view text);

// The HTTP answer's checks: the status text is exactly "200"; the length is plain decimal digits
// not above limit.
bool isSuccessStatus(std::string_view statusText);
std::optional<std::size_t> parseContentLength(std::string_view text, std::size_t limit);

struct UpdateRecord {
    std::string_view name; // the file name
    std::string_view version; // a.b.c.d for .exe/.dll, yyyymmdd for any other file
    std::string_view directory; // relative to the program directory
};

// The first 6 bytes are "QV.exe" in any case.
bool isUpdateList(std::string_view body);
// Tokens split at blanks, tabs, CR and LF, grouped by three; an incomplete last record is dropped.
std::vector<UpdateRecord> updateRecords(std::string_view body);
// A name ending in ".exe" or ".dll" (any case) carries a file version; any other a date.
bool carriesFileVersion(std::string_view name);
// "a.b.c.d", each 0..65535: most x 2^32 + least, where most = a x 65536 + b, least = c x 65536 + d.
std::optional<std::uint64_t> parseFileVersion(std::string_view token);
// A date as the decimal number yyyymmdd (plain digits, at most 8).
std::optional<std::uint32_t> parseDateToken(std::string_view token);

// What the caller found about a record's local file.
struct LocalFileFacts {
    bool exists = false;
    std::uint64_t fileVersion = 0; // the fixed file version (0 when the file has none)
    std::uint32_t date = 0; // last write, local time, as yyyymmdd
};

// -1 when the local file is older than the token or missing, 0 when equal, 1 when newer;
// nullopt when the token is malformed (the caller counts that as up to date).
std::optional<int> compareVersion(const UpdateRecord& record, const LocalFileFacts& local);

// directory + "\" + record directory + "\" + record name.
std::string localUpdatePath(std::string_view programDirectory, const UpdateRecord& record);

struct UpdateListResult {
    bool outOfDate = false; // some record's comparison is below 0
    std::vector<std::string> malformed; // "name version" of each record skipped as malformed
};
// Walks a received body: not a list (first 6 bytes) is up to date; otherwise records in order
// until the first out-of-date one.
UpdateListResult evaluateUpdateList(std::string_view body, std::string_view programDirectory,
                                    const std::function<LocalFileFacts(const std::string& path)>& probe);

} // namespace qv
