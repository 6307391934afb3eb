// Help-file path and the two help engines.
#include "app/help.h"

#include "app/shell_text.h"
#include "app/app_state.h"
#include "app/strings_win.h"

namespace qv::win {
namespace {

HelpOpener testOpener;

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
HtmlHelpFunction htmlHelp = nullptr;
// HtmlHelpA's command that opens a topic (the help headers are not needed for this one value).
constexpr UINT htmlHelpDisplayTopic = 0x0000; // HH_DISPLAY_TOPIC
bool htmlHelpTried = false;

// The HTML Help ActiveX control's class id; its InprocServer32 value names the library.
constexpr char htmlHelpControlKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

std::string registeredHtmlHelpLibrary() {
    char path[MAX_PATH] = {};
    LONG size = sizeof path;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, htmlHelpControlKey, path, &size) != ERROR_SUCCESS) return {};
    return path;
}

HtmlHelpFunction loadHtmlHelp() {
    if (htmlHelpTried) return htmlHelp;
    htmlHelpTried = true;
    HMODULE library = nullptr;
    const std::string registered = registeredHtmlHelpLibrary();
    if (!registered.empty()) library = LoadLibraryA(registered.c_str());
    if (!library) library = LoadLibraryA("hhctrl.ocx");
    if (library)
        htmlHelp = reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpA")));
    return htmlHelp;
}

bool htmlHelpInstalled() {
    char directory[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    std::string program = std::string(directory) + "\\HH.exe";
    return GetFileAttributesA(program.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

void buildHelpPath() {
    const LANGID language = currentLanguage();
    const bool html = htmlHelpInstalled();
    app().helpPath =
        helpFilePath(programDirectoryFromCommandLine(GetCommandLineA()), html,
                     toAnsi(loadString(Msg::HelpFileChm, language)), toAnsi(loadString(Msg::HelpFileHlp, language)));
}

void clearHelpPath() { app().helpPath.clear(); }

void openHelpTopic(HWND owner, const char* topic, int winHelpContext) {
    const std::string& path = app().helpPath;
    if (testOpener) {
        testOpener(owner, path, topic, winHelpContext);
        return;
    }
    switch (helpKind(path)) {
    case HelpKind::Html:
        if (HtmlHelpFunction show = loadHtmlHelp()) {
            const std::string target = path + topic;
            show(owner, target.c_str(), htmlHelpDisplayTopic, 0);
        }
        break;
    case HelpKind::WinHelp:
        if (winHelpContext == helpFinder)
            WinHelpA(owner, path.c_str(), HELP_FINDER, 0);
        else
            WinHelpA(owner, path.c_str(), HELP_CONTEXT, static_cast<ULONG_PTR>(winHelpContext));
        break;
    case HelpKind::None: break;
    }
}

bool htmlHelpAvailable() { return loadHtmlHelp() != nullptr; }

void setHelpOpener(HelpOpener opener) { testOpener = std::move(opener); }

} // namespace qv::win
