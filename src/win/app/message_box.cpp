// Message boxes from the string table.
#include "app/message_box.h"

#include "app/strings_win.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace qv::win {
namespace {

std::mutex scriptMutex;
MessageBoxScript script;

std::wstring fillArgument(std::wstring text, const std::wstring& argument) {
    for (const wchar_t* marker : {L"%s", L"%d"}) {
        auto at = text.find(marker);
        if (at != std::wstring::npos) return text.replace(at, 2, argument);
    }
    return text;
}

// Whole-program tests set QV_MESSAGE_LOG to a file path: every box appends its string id as one
// line there before it shows, so a test knows which box is up without reading the screen.
void logShownMessage(int stringId) {
    const char* path = std::getenv("QV_MESSAGE_LOG");
    if (!path || !*path) return;
    if (std::FILE* log = std::fopen(path, "ab")) {
        std::fprintf(log, "%d\n", stringId);
        std::fclose(log);
    }
}

} // namespace

int messageBox(HWND owner, int stringId, UINT type, int captionId, const std::wstring& argument) {
    const LANGID language = currentLanguage();
    ShownMessage shown{stringId, type, captionId, fillArgument(loadString(stringId, language), argument),
                       loadString(captionId, language)};
    logShownMessage(stringId);
    MessageBoxScript answer;
    {
        std::lock_guard lock(scriptMutex);
        answer = script;
    }
    if (answer) return answer(shown);
    return MessageBoxW(owner, shown.text.c_str(), shown.caption.c_str(), type);
}

void setMessageBoxScript(MessageBoxScript newScript) {
    std::lock_guard lock(scriptMutex);
    script = std::move(newScript);
}

} // namespace qv::win
