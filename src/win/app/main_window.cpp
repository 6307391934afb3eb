// Main window procedure: a message table and a command table, one small handler per entry.
#include "app/main_window.h"

#include "app/about.h"
#include "app/app_state.h"
#include "app/device_watch.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/launcher.h"
#include "app/properties.h"
#include "app/shell_text.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"

#include <commctrl.h>

#include <array>
#include <string>

namespace qv::win {
namespace {

constexpr int stringCaption = 10002;
constexpr int stringUntitled = 11042;
constexpr int systemMenuCommands[] = {commandProperties, commandOnlineUpdate, commandHelp};

void postToTool(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HWND tool = app().openDialog) PostMessageA(tool, message, wParam, lParam);
}

// ---- messages -----------------------------------------------------------------------------

HDEVNOTIFY deviceWatch = nullptr; // the instrument's removal notifications, while the window lives

LRESULT onCreate(HWND window, UINT, WPARAM, LPARAM) {
    app().mainWindow = window;
    app().launcher = createLauncher(window);
    appendSystemMenuItems(window);
    deviceWatch = startDeviceWatch(window);
    // The online-update check at start-up joins here once the update thread exists.
    return 0;
}

LRESULT onCommand(HWND window, UINT, WPARAM wParam, LPARAM lParam);

LRESULT onSize(HWND, UINT, WPARAM, LPARAM lParam) {
    HWND shown = app().openDialog ? app().openDialog : app().launcher;
    if (shown) MoveWindow(shown, 0, 0, LOWORD(lParam), HIWORD(lParam), FALSE);
    return 0;
}

LRESULT onHelp(HWND window, UINT, WPARAM wParam, LPARAM lParam) {
    if (app().openDialog)
        PostMessageA(app().openDialog, toolHelp, wParam, lParam);
    else
        openHelpTopic(window, mainHelpTopic, helpFinder);
    return TRUE;
}

LRESULT onKey(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    const UINT forwarded = message == WM_KEYDOWN ? toolKeyDown : message == WM_KEYUP ? toolKeyUp : toolChar;
    postToTool(forwarded, wParam, lParam);
    return 0;
}

LRESULT onSysKeyDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (wParam == VK_BACK) postToTool(WM_UNDO, 0, 0);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onSysChar(HWND, UINT, WPARAM, LPARAM) { return 0; }

LRESULT onNotify(HWND window, UINT, WPARAM, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->idFrom != static_cast<UINT_PTR>(launcherControlId)) return 0;
    return onLauncherNotify(window, header);
}

// The launcher's texts are Unicode whatever the code page: ask it for the W notifications.
LRESULT onNotifyFormat(HWND, UINT, WPARAM, LPARAM lParam) { return lParam == NF_QUERY ? NFR_UNICODE : 0; }

LRESULT onSysCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
    case commandProperties:
        runProperties(window);
        applyLanguageChange(window);
        break;
    case commandOnlineUpdate:
        // The interactive update check joins here once the update thread exists.
        break;
    case commandHelp: openHelpTopic(window, mainHelpTopic, helpFinder); break;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onSysColorChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (app().launcher) SendMessageA(app().launcher, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onClose(HWND window, UINT, WPARAM, LPARAM) {
    AppState& state = app();
    if (state.device != noDevice && state.driver.qvPowerDown) state.driver.qvPowerDown(state.device);
    if (state.openDialog)
        SendMessageA(state.openDialog, WM_CLOSE, 0, 0);
    else
        DestroyWindow(window);
    return 0;
}

LRESULT onCopyData(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam))
        app().interlock.setExternalHold(static_cast<int>(data->dwData));
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onDestroy(HWND window, UINT, WPARAM, LPARAM) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window, &placement)) {
        const RECT& normal = placement.rcNormalPosition;
        app().savedPlacement = {normal.left, normal.top, normal.right, normal.bottom,
                                placement.showCmd == SW_SHOWMAXIMIZED || IsZoomed(window) ? 1 : 0};
    }
    stopDeviceWatch(deviceWatch);
    deviceWatch = nullptr;
    app().launcher = nullptr;
    app().mainWindow = nullptr;
    PostQuitMessage(0);
    return 0;
}

LRESULT onDriverInformation(HWND, UINT, WPARAM wParam, LPARAM lParam) {
    const Driver& driver = app().driver;
    if (!driver.qvGetHwInfo) return 0;
    return driver.qvGetHwInfo(static_cast<std::int32_t>(wParam), static_cast<std::uint32_t>(lParam));
}

constexpr MessageEntry mainMessages[] = {
    {WM_CREATE, onCreate},
    {WM_COMMAND, onCommand},
    {WM_SIZE, onSize},
    {WM_HELP, onHelp},
    {WM_KEYDOWN, onKey},
    {WM_KEYUP, onKey},
    {WM_CHAR, onKey},
    {WM_SYSKEYDOWN, onSysKeyDown},
    {WM_SYSCHAR, onSysChar},
    {WM_NOTIFY, onNotify},
    {WM_NOTIFYFORMAT, onNotifyFormat},
    {WM_SYSCOMMAND, onSysCommand},
    {WM_SYSCOLORCHANGE, onSysColorChange},
    {WM_CLOSE, onClose},
    {WM_COPYDATA, onCopyData},
    {WM_DESTROY, onDestroy},
    {driverInformation, onDriverInformation},
    {WM_DEVICECHANGE, onDeviceChange},
};
constexpr MessageTable mainMessageTable{mainMessages, DefaultKind::DefWindow};

// ---- commands -----------------------------------------------------------------------------

LRESULT onQuit(HWND window, WPARAM, WORD, LPARAM) {
    if (app().openDialog)
        SendMessageA(app().openDialog, WM_CLOSE, 0, 0);
    else
        DestroyWindow(window);
    return 0;
}

LRESULT onOpenTool(HWND window, WPARAM wParam, WORD, LPARAM lParam) {
    openTool(window, LOWORD(wParam), lParam);
    return 0;
}

LRESULT onAbout(HWND window, WPARAM, WORD, LPARAM) {
    showAbout(window);
    return 0;
}

constexpr CommandEntry mainCommands[] = {
    {commandQuit, onQuit}, {10003, onOpenTool}, {10004, onOpenTool},     {10005, onOpenTool}, {10006, onOpenTool},
    {10007, onOpenTool},   {10008, onOpenTool}, {10009, onOpenTool},     {10010, onOpenTool}, {10011, onOpenTool},
    {10012, onOpenTool},   {10013, onOpenTool}, {10014, onOpenTool},     {10015, onOpenTool}, {10016, onOpenTool},
    {10017, onOpenTool},   {10018, onOpenTool}, {10019, onOpenTool},     {10020, onOpenTool}, {10021, onOpenTool},
    {10022, onOpenTool},   {10023, onOpenTool}, {10024, onOpenTool},     {10025, onOpenTool}, {10026, onOpenTool},
    {10027, onOpenTool},   {10028, onOpenTool}, {commandAbout, onAbout},
};
constexpr CommandTable mainCommandTable{mainCommands, DefaultKind::DefWindow};
static_assert(std::size(mainCommands) == 2 + (lastToolId - firstToolId + 1));

LRESULT onCommand(HWND window, UINT, WPARAM wParam, LPARAM lParam) {
    return dispatchCommand(mainCommandTable, window, wParam, lParam);
}

std::string shortName;

} // namespace

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return dispatchMessage(mainMessageTable, window, message, wParam, lParam);
}

HWND createMainWindow(HINSTANCE instance, int showCommand) {
    AppState& state = app();
    state.instance = instance;
    shortName = toAnsi(loadString(1));
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(programIconId));

    WNDCLASSEXA classEx{};
    classEx.cbSize = sizeof classEx;
    classEx.style = CS_HREDRAW | CS_VREDRAW;
    classEx.lpfnWndProc = mainWindowProcedure;
    classEx.hInstance = instance;
    classEx.hIcon = icon;
    classEx.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(programIconId), IMAGE_ICON, 16, 16, 0));
    classEx.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    classEx.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    // Names no menu resource: the window has no menu bar.
    classEx.lpszMenuName = shortName.c_str();
    classEx.lpszClassName = mainWindowClassName;
    if (!RegisterClassExA(&classEx)) {
        WNDCLASSA plain{};
        plain.style = classEx.style;
        plain.lpfnWndProc = classEx.lpfnWndProc;
        plain.hInstance = instance;
        plain.hIcon = icon;
        plain.hCursor = classEx.hCursor;
        plain.hbrBackground = classEx.hbrBackground;
        plain.lpszMenuName = classEx.lpszMenuName;
        plain.lpszClassName = mainWindowClassName;
        // A class left registered by an earlier window of this process serves as well.
        WNDCLASSA existing{};
        if (!RegisterClassA(&plain) && !GetClassInfoA(instance, mainWindowClassName, &existing)) return nullptr;
    }

    const Placement& at = state.savedPlacement;
    const std::string caption = toAnsi(loadString(stringCaption));
    HWND window = CreateWindowExA(0, mainWindowClassName, caption.c_str(), WS_OVERLAPPEDWINDOW, at.left, at.top,
                                  at.right - at.left, at.bottom - at.top, nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    ShowWindow(window, at.maximised ? SW_SHOWMAXIMIZED : showCommand);
    UpdateWindow(window);
    return window;
}

void appendSystemMenuItems(HWND mainWindow) {
    HMENU menu = GetSystemMenu(mainWindow, FALSE);
    if (!menu) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (int command : systemMenuCommands)
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), loadString(command).c_str());
}

void relabelSystemMenu(HWND mainWindow) {
    HMENU menu = GetSystemMenu(mainWindow, FALSE);
    if (!menu) return;
    for (int command : systemMenuCommands)
        ModifyMenuW(menu, static_cast<UINT>(command), MF_BYCOMMAND | MF_STRING, static_cast<UINT_PTR>(command),
                    loadString(command).c_str());
}

void applyLanguageChange(HWND mainWindow) {
    relabelLauncher(app().launcher);
    relabelSystemMenu(mainWindow);

    const int length = GetWindowTextLengthW(mainWindow);
    std::wstring title(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(mainWindow, title.data(), length + 1);
    title.resize(static_cast<size_t>(length));
    std::array<std::string, 3> untitled;
    const LANGID languages[] = {languageEnglish, languageTraditionalChinese, languageSimplifiedChinese};
    for (int i = 0; i < 3; ++i) untitled[static_cast<size_t>(i)] = toUtf8(loadString(stringUntitled, languages[i]));
    const LANGID language = currentLanguage();
    const std::string retitled = retitledCaption(toUtf8(title), toUtf8(loadString(stringCaption, language)), untitled,
                                                 toUtf8(loadString(stringUntitled, language)));
    SetWindowTextW(mainWindow, fromUtf8(retitled).c_str());
}

} // namespace qv::win
