// Export and Import of the generators' texts.
#include "generators/text_transfer.h"

#include "support/file_io.h"

#include <cstring>
#include <vector>

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
    InputFile file;
    if (!file.open(path) || file.size() <= 0) return Msg::CantOpenFile;
    std::vector<char> bytes(static_cast<std::size_t>(file.size()));
    if (!file.read(0, bytes.data(), bytes.size())) return Msg::CantOpenFile;
    text.assign(bytes.data(), strnlen(bytes.data(), bytes.size()));
    return Msg::None;
}

} // namespace qv::gen
