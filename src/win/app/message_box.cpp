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

// The box whose Help is asked for is the one this thread shows (a box is modal): its owner and
// topic, for the callback, which receives neither.
struct HelpingBox {
    HWND owner;
    BoxHelp help;
    HHOOK hook = nullptr;
    WNDPROC boxProcedure = nullptr;
};
thread_local HelpingBox* helpingBox = nullptr;

void CALLBACK openBoxHelp(LPHELPINFO) {
    if (helpingBox) openHelpTopic(helpingBox->owner, helpingBox->help.topic, helpingBox->help.winHelpContext);
}

// F1 in the box reaches openBoxHelp through the system (lpfnMsgBoxCallback); the Help button is
// taken here, because some systems (Wine) do nothing with it.
LRESULT CALLBACK helpButtonProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDHELP) {
        openBoxHelp(nullptr);
        return 0;
    }
    return CallWindowProcW(helpingBox->boxProcedure, box, message, wParam, lParam);
}

// Subclasses the box as it is created: the first dialog window this thread creates while the box
// is being shown.
LRESULT CALLBACK watchBoxCreation(int code, WPARAM wParam, LPARAM lParam) {
    HelpingBox* box = helpingBox;
    if (code == HCBT_CREATEWND && box && !box->boxProcedure) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (lstrcmpW(name, L"#32770") == 0)
            box->boxProcedure = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(helpButtonProcedure)));
    }
    return CallNextHookEx(box ? box->hook : nullptr, code, wParam, lParam);
}

int boxWithHelp(HWND owner, const ShownMessage& shown, LANGID language) {
    HelpingBox box{owner, shown.help};
    HelpingBox* outer = helpingBox;
    helpingBox = &box;
    box.hook = SetWindowsHookExW(WH_CBT, watchBoxCreation, nullptr, GetCurrentThreadId());
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
    if (box.hook) UnhookWindowsHookEx(box.hook);
    helpingBox = outer;
    return answer;
}

} // namespace

static int showMessage(HWND owner, ShownMessage shown, LANGID language);

int messageBox(HWND owner, Msg text, UINT type, Msg caption, const std::wstring& argument, BoxHelp help) {
    const LANGID language = currentLanguage();
    ShownMessage shown{static_cast<int>(text), type, static_cast<int>(caption),
                       fillMarkers(loadString(text, language), {argument}), loadString(caption, language)};
    shown.help = help;
    return showMessage(owner, std::move(shown), language);
}

int messageBox(HWND owner, Msg text, const std::wstring& filledText, UINT type, Msg caption) {
    const LANGID language = currentLanguage();
    return showMessage(owner,
                       {static_cast<int>(text), type, static_cast<int>(caption), filledText,
                        loadString(caption, language)},
                       language);
}

static int showMessage(HWND owner, ShownMessage shown, LANGID language) {
    const UINT type = shown.type;
    const BoxHelp help = shown.help;
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
