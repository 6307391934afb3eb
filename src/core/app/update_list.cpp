// Update-list reading and version comparison. See update_list.h.
#include "app/update_list.h"

#include <algorithm>

namespace qv {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
        std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && equalsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// Plain decimal digits (1 to maxDigits of them), no sign, no blanks.
std::optional<std::uint64_t> decimal(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

int compareNumbers(std::uint64_t local, std::uint64_t listed) { return local < listed ? -1 : local > listed ? 1 : 0; }

} // namespace

std::string readUpdateServer(const SettingsStore& store) {
    const auto server = store.readText(updateSettingsKey, updateServerValue);
    return server && !server->empty() ? *server : std::string(defaultUpdateServer);
}

std::optional<ServerAddress> parseServerAddress(std::string_view text) {
    ServerAddress address;
    const std::size_t colon = text.find(':');
    const std::string_view host = text.substr(0, colon);
    if (host.empty() || host.size() > 253) return std::nullopt;
    for (char c : host)
        if (!(isDigit(c) || (lower(c) >= 'a' && lower(c) <= 'z') || c == '.' || c == '-')) return std::nullopt;
    if (colon != std::string_view::npos) {
        const auto port = decimal(text.substr(colon + 1), 5);
        if (!port || *port == 0 || *port > 65535) return std::nullopt;
        address.port = static_cast<std::uint16_t>(*port);
    }
    address.host = std::string(host);
    return address;
}

bool isSuccessStatus(std::string_view statusText) { return statusText == "200"; }

std::optional<std::size_t> parseContentLength(std::string_view text, std::size_t limit) {
    const auto length = decimal(text, 19);
    if (!length || *length > limit) return std::nullopt;
    return static_cast<std::size_t>(*length);
}

bool isUpdateList(std::string_view body) { return body.size() >= 6 && equalsNoCase(body.substr(0, 6), "QV.exe"); }

std::vector<UpdateRecord> updateRecords(std::string_view body) {
    std::vector<UpdateRecord> records;
    std::string_view tokens[3];
    int count = 0;
    std::size_t at = 0;
    while (at < body.size()) {
        while (at < body.size() && isBlank(body[at])) ++at;
        const std::size_t start = at;
        while (at < body.size() && !isBlank(body[at])) ++at;
        if (at == start) break;
        tokens[count++] = body.substr(start, at - start);
        if (count == 3) {
            records.push_back({tokens[0], tokens[1], tokens[2]});
            count = 0;
        }
    }
    return records;
}

bool carriesFileVersion(std::string_view name) { return endsWithNoCase(name, ".exe") || endsWithNoCase(name, ".dll"); }

std::optional<std::uint64_t> parseFileVersion(std::string_view token) {
    std::uint64_t parts[4];
    for (int i = 0; i < 4; ++i) {
        // Three dots exactly: the fourth part runs to the end of the token.
        const std::size_t dot = i < 3 ? token.find('.') : token.size();
        if (dot == std::string_view::npos) return std::nullopt;
        const auto part = decimal(token.substr(0, dot), 5);
        if (!part || *part > 0xFFFF) return std::nullopt;
        parts[i] = *part;
        token.remove_prefix(i < 3 ? dot + 1 : dot);
    }
    const std::uint64_t most = parts[0] << 16 | parts[1];
    const std::uint64_t least = parts[2] << 16 | parts[3];
    return most << 32 | least;
}

std::optional<std::uint32_t> parseDateToken(std::string_view token) {
    const auto date = decimal(token, 8);
    if (!date) return std::nullopt;
    return static_cast<std::uint32_t>(*date);
}

std::optional<int> compareVersion(const UpdateRecord& record, const LocalFileFacts& local) {
    if (carriesFileVersion(record.name)) {
        const auto listed = parseFileVersion(record.version);
        if (!listed) return std::nullopt;
        return local.exists ? compareNumbers(local.fileVersion, *listed) : -1;
    }
    const auto listed = parseDateToken(record.version);
    if (!listed) return std::nullopt;
    return local.exists ? compareNumbers(local.date, *listed) : -1;
}

std::string localUpdatePath(std::string_view programDirectory, const UpdateRecord& record) {
    std::string path(programDirectory);
    path += '\\';
    path += record.directory;
    path += '\\';
    path += record.name;
    return path;
}

UpdateListResult evaluateUpdateList(std::string_view body, std::string_view programDirectory,
                                    const std::function<LocalFileFacts(const std::string& path)>& probe) {
    UpdateListResult result;
    if (!isUpdateList(body)) return result;
    for (const UpdateRecord& record : updateRecords(body)) {
        const auto comparison = compareVersion(record, probe(localUpdatePath(programDirectory, record)));
        if (!comparison) {
            result.malformed.push_back(std::string(record.name) + ' ' + std::string(record.version));
            continue;
        }
        if (*comparison < 0) {
            result.outOfDate = true;
            break;
        }
    }
    return result;
}

} // namespace qv
