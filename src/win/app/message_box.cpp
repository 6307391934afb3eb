// Message boxes from the string table.
#include "app/message_box.h"

#include "app/help.h"
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

// The box whose Help button was pressed is the one this thread shows (a box is modal): its owner
// and topic, for the callback, which receives neither.
struct HelpingBox {
    HWND owner;
    BoxHelp help;
};
thread_local const HelpingBox* helpingBox = nullptr;

void CALLBACK openBoxHelp(LPHELPINFO) {
    if (helpingBox) openHelpTopic(helpingBox->owner, helpingBox->help.topic, helpingBox->help.winHelpContext);
}

// With MB_HELP the system would send WM_HELP to the owner; the callback opens the box's own topic
// instead, so the owner needs no part in it.
int boxWithHelp(HWND owner, const ShownMessage& shown, LANGID language) {
    const HelpingBox box{owner, shown.help};
    const HelpingBox* outer = helpingBox;
    helpingBox = &box;
    MSGBOXPARAMSW params{};
    params.cbSize = sizeof params;
    params.hwndOwner = owner;
    params.lpszText = shown.text.c_str();
    params.lpszCaption = shown.caption.c_str();
    params.dwStyle = shown.type | MB_HELP;
    params.dwContextHelpId = static_cast<DWORD_PTR>(shown.help.winHelpContext);
    params.lpfnMsgBoxCallback = openBoxHelp;
    params.dwLanguageId = language;
    const int answer = MessageBoxIndirectW(&params);
    helpingBox = outer;
    return answer;
}

} // namespace

int messageBox(HWND owner, Msg text, UINT type, Msg caption, const std::wstring& argument, BoxHelp help) {
    const LANGID language = currentLanguage();
    ShownMessage shown{static_cast<int>(text), type, static_cast<int>(caption),
                       fillMarkers(loadString(text, language), {argument}), loadString(caption, language), help};
    logShownMessage(shown.stringId);
    MessageBoxScript answer;
    {
        std::lock_guard lock(scriptMutex);
        answer = script;
    }
    if (answer) return answer(shown);
    if (help.topic) return boxWithHelp(owner, shown, language);
    return MessageBoxW(owner, shown.text.c_str(), shown.caption.c_str(), type);
}

void setMessageBoxScript(MessageBoxScript newScript) {
    std::lock_guard lock(scriptMutex);
    script = std::move(newScript);
}

} // namespace qv::win
