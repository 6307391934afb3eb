// WinINet GET. See http_get.h.
#include "app/http_get.h"

#include <windows.h>
#include <wininet.h>

#include <memory>

namespace qv::win {
namespace {

struct InternetCloser {
    void operator()(void* handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

std::string queryText(HINTERNET request, DWORD query) {
    char buffer[32] = {};
    DWORD length = sizeof buffer;
    if (!HttpQueryInfoA(request, query, buffer, &length, nullptr)) return {};
    return std::string(buffer, length < sizeof buffer ? length : sizeof buffer - 1);
}

} // namespace

std::optional<std::string> httpGet(const ServerAddress& server, const std::string& path, std::size_t limit) {
    InternetHandle session(InternetOpenA("TavroQV", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return std::nullopt;
    const INTERNET_PORT port = server.port ? server.port : INTERNET_DEFAULT_HTTP_PORT;
    InternetHandle connection(
        InternetConnectA(session.get(), server.host.c_str(), port, "", "", INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return std::nullopt;
    InternetHandle request(HttpOpenRequestA(connection.get(), "GET", path.c_str(), "HTTP/1.0", nullptr, nullptr,
                                            INTERNET_FLAG_DONT_CACHE, 0));
    if (!request || !HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return std::nullopt;
    if (!isSuccessStatus(queryText(request.get(), HTTP_QUERY_STATUS_CODE))) return std::nullopt;
    const auto length = parseContentLength(queryText(request.get(), HTTP_QUERY_CONTENT_LENGTH), limit);
    if (!length) return std::nullopt;
    std::string body(*length + 1, '\0');
    DWORD read = 0;
    if (*length && !InternetReadFile(request.get(), body.data(), static_cast<DWORD>(*length), &read))
        return std::nullopt;
    // A body shorter than announced was cut off: it counts as not received.
    if (read != *length) return std::nullopt;
    body.resize(read);
    return body;
}

} // namespace qv::win
