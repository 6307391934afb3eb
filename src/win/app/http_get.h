// One HTTP GET over WinINet as the online update does it, shared by QV.exe's update check and the
// updater: agent "TavroQV" with the preconfigured proxy settings, HTTP/1.0, no cache, status "200"
// exactly, a content length not above a limit, and one read that must deliver all of it. Anything
// else is "not received". Blocks; call it from a worker thread or from the updater.
#pragma once

#include "app/update_list.h"

#include <cstddef>
#include <optional>
#include <string>

namespace qv::win {

std::optional<std::string> httpGet(const ServerAddress& server, const std::string& path, std::size_t limit);

} // namespace qv::win
