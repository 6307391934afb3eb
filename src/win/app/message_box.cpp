// Message boxes from the string table.
#include "app/message_box.h"

#include "app/strings_win.h"
#include "support/text_fill.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace qv::win {
namespace {

std::mutex scriptMutex;
MessageBoxScript script;

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

int messageBox(HWND owner, Msg text, UINT type, Msg caption, const std::wstring& argument) {
    const LANGID language = currentLanguage();
    ShownMessage shown{static_cast<int>(text), type, static_cast<int>(caption),
                       fillMarkers(loadString(text, language), {argument}), loadString(caption, language)};
    logShownMessage(shown.stringId);
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
