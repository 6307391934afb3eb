// Export and Import of the generators' texts.
#include "generators/text_transfer.h"

#include "support/file_io.h"

#include <cstring>

namespace qv::gen {

ExportOutcome exportText(const std::string& path, std::string_view text, Prompt& prompt) {
    if (fileExists(path) && prompt.ask(static_cast<int>(Msg::FileExistOverwrite), Buttons::YesNo) != Answer::Yes)
        return {ExportResult::Declined};
    ReplacingFileWriter out;
    if (!out.open(path) || !out.write(text.data(), text.size()) || !out.commit())
        return {ExportResult::Failed, Msg::CantOpenFile};
    return {ExportResult::Written};
}

Msg importText(const std::string& path, std::string& text) {
    std::string bytes;
    if (const Msg error = readWholeFile(path, bytes); error != Msg::None) return error;
    if (bytes.empty()) return Msg::CantOpenFile;
    bytes.resize(strnlen(bytes.data(), bytes.size()));
    text = std::move(bytes);
    return Msg::None;
}

} // namespace qv::gen
