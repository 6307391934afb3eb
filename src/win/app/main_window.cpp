// Main window procedure: a message table and a command table, one small handler per entry.
#include "app/main_window.h"

#include "app/about.h"
#include "app/app_state.h"
#include "app/device_watch.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/launcher.h"
#include "app/online_update.h"
#include "app/placement.h"
#include "app/properties.h"
#include "app/shell_text.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "resource.h"

#include <commctrl.h>

#include <array>
#include <string>

namespace qv::win {
namespace {

constexpr int systemMenuCommands[] = {ID_PROPERTIES, ID_ONLINE_UPDATE, ID_HELP};

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
    if (app().onlineUpdateAtStartup) startUpdateCheck(window, UpdateMode::StartUp);
    return 0;
}

LRESULT onSize(HWND, UINT, WPARAM, LPARAM lParam) {
    HWND shown = app().openDialog ? app().openDialog : app().launcher;
    if (!shown) return 0;
    // Moved without repainting, then repainted once as a whole: the area the window gained would
    // otherwise keep the black background until something covered and uncovered it.
    MoveWindow(shown, 0, 0, LOWORD(lParam), HIWORD(lParam), FALSE);
    InvalidateRect(shown, nullptr, TRUE);
    return 0;
}

LRESULT onGetMinMaxInfo(HWND, UINT, WPARAM, LPARAM lParam) {
    auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
    limits->ptMinTrackSize = {minimumWindowWidth, minimumWindowHeight};
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

// The wheel goes to the window with the keyboard focus, which is the main window while a tool is
// open: the open tool gets it as it is (the Wave Editor zooms with it).
LRESULT onMouseWheel(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!app().openDialog) return DefWindowProcW(window, message, wParam, lParam);
    SendMessageA(app().openDialog, message, wParam, lParam);
    return 0;
}

LRESULT onSysKeyDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (wParam == VK_BACK) postToTool(WM_UNDO, 0, 0);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT onSysChar(HWND, UINT, WPARAM, LPARAM) { return 0; }

// The launcher's texts are Unicode whatever the code page: ask it for the W notifications.
LRESULT onNotifyFormat(HWND, UINT, WPARAM, LPARAM lParam) { return lParam == NF_QUERY ? NFR_UNICODE : 0; }

LRESULT onSysCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
    case ID_PROPERTIES:
        runProperties(window);
        applyLanguageChange(window);
        break;
    case ID_ONLINE_UPDATE: startUpdateCheck(window, UpdateMode::Interactive); break;
    case ID_HELP: openHelpTopic(window, mainHelpTopic, helpFinder); break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT onSysColorChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (app().launcher) SendMessageA(app().launcher, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
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
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT onDestroy(HWND window, UINT, WPARAM, LPARAM) {
    app().savedPlacement = windowPlacement(window);
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

LRESULT onQuit(HWND window, const Command&) {
    if (app().openDialog)
        SendMessageA(app().openDialog, WM_CLOSE, 0, 0);
    else
        DestroyWindow(window);
    return 0;
}

LRESULT onOpenTool(HWND window, const Command& command) {
    // Tools post their function id with a value in lParam (handOffRequest), not a control.
    openTool(window, command.id, reinterpret_cast<LPARAM>(command.control));
    return 0;
}

LRESULT onAbout(HWND window, const Command&) {
    showAbout(window);
    return 0;
}

constexpr MessageEntry mainMessages[] = {
    {WM_CREATE, onCreate},
    {WM_SIZE, onSize},
    {WM_GETMINMAXINFO, onGetMinMaxInfo},
    {WM_HELP, onHelp},
    {WM_KEYDOWN, onKey},
    {WM_KEYUP, onKey},
    {WM_CHAR, onKey},
    {WM_SYSKEYDOWN, onSysKeyDown},
    {WM_MOUSEWHEEL, onMouseWheel},
    {WM_SYSCHAR, onSysChar},
    {WM_NOTIFYFORMAT, onNotifyFormat},
    {WM_SYSCOMMAND, onSysCommand},
    {WM_SYSCOLORCHANGE, onSysColorChange},
    {WM_CLOSE, onClose},
    {WM_COPYDATA, onCopyData},
    {WM_DESTROY, onDestroy},
    {driverInformation, onDriverInformation},
    {updateReport, onUpdateReport},
    {WM_DEVICECHANGE, onDeviceChange},
};

// Every function id opens its tool from the tool table (the launcher posts them, as can tools
// handing off to the Wave Editor, with their lParam).
constexpr CommandEntry mainCommands[] = {
    {ID_QUIT, onQuit},
    {ID_TOOL_WAVE_EDITOR, onOpenTool},
    {ID_TOOL_SCRIPT, onOpenTool},
    {ID_TOOL_SYNC_COUNTER, onOpenTool},
    {ID_TOOL_ASYNC_COUNTER, onOpenTool},
    {ID_TOOL_PRINTER, onOpenTool},
    {ID_TOOL_RS232, onOpenTool},
    {ID_TOOL_I2C, onOpenTool},
    {ID_TOOL_BINARY_FILE, onOpenTool},
    {ID_TOOL_TEXT_FILE, onOpenTool},
    {ID_TOOL_LA_WAVEFORM, onOpenTool},
    {ID_TOOL_ALTERA, onOpenTool},
    {ID_TOOL_BATCH, onOpenTool},
    {ID_TOOL_SPI, onOpenTool},
    {ID_TOOL_VHDL, onOpenTool},
    {ID_TOOL_LIN, onOpenTool},
    {ID_TOOL_CAN, onOpenTool},
    {ID_TOOL_HDQ, onOpenTool},
    {ID_TOOL_ONE_WIRE, onOpenTool},
    {ID_TOOL_I2S, onOpenTool},
    {ID_TOOL_ENCODER, onOpenTool},
    {ID_TOOL_USB, onOpenTool},
    {ID_TOOL_SMBUS, onOpenTool},
    {ID_TOOL_PMBUS, onOpenTool},
    {ID_TOOL_PWM, onOpenTool},
    {ID_TOOL_VCD, onOpenTool},
    {ID_TOOL_DMX512, onOpenTool},
    {ID_ABOUT, onAbout},
};
static_assert(std::size(mainCommands) == 2 + (lastToolId - firstToolId + 1));

constexpr MessageTable mainTable{.messages = mainMessages,
                                 .commands = mainCommands,
                                 .notifications = launcherNotifications,
                                 .defaultKind = DefaultKind::DefWindowWide};

std::wstring shortName;

} // namespace

HWND createMainWindow(HINSTANCE instance, int showCommand) {
    AppState& state = app();
    state.instance = instance;
    shortName = loadString(Msg::ShortName);
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
    // A Unicode class: the title carries Chinese texts whatever the system's code page.
    const std::wstring className = widen(mainWindowClassName, CP_ACP);

    WNDCLASSEXW classEx{};
    classEx.cbSize = sizeof classEx;
    classEx.style = CS_HREDRAW | CS_VREDRAW;
    classEx.lpfnWndProc = windowProcedure<mainTable>;
    classEx.hInstance = instance;
    classEx.hIcon = icon;
    classEx.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 16, 16, 0));
    classEx.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // the arrow
    classEx.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    // Names no menu resource: the window has no menu bar.
    classEx.lpszMenuName = shortName.c_str();
    classEx.lpszClassName = className.c_str();
    if (!RegisterClassExW(&classEx)) {
        WNDCLASSW plain{};
        plain.style = classEx.style;
        plain.lpfnWndProc = classEx.lpfnWndProc;
        plain.hInstance = instance;
        plain.hIcon = icon;
        plain.hCursor = classEx.hCursor;
        plain.hbrBackground = classEx.hbrBackground;
        plain.lpszMenuName = classEx.lpszMenuName;
        plain.lpszClassName = className.c_str();
        // A class left registered by an earlier window of this process serves as well.
        WNDCLASSW existing{};
        if (!RegisterClassW(&plain) && !GetClassInfoW(instance, className.c_str(), &existing)) return nullptr;
    }

    const Placement& at = state.savedPlacement;
    const std::wstring caption = loadString(Msg::Caption);
    HWND window = CreateWindowExW(0, className.c_str(), caption.c_str(), WS_OVERLAPPEDWINDOW, at.left, at.top,
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
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), loadString(static_cast<Msg>(command)).c_str());
}

void relabelSystemMenu(HWND mainWindow) {
    HMENU menu = GetSystemMenu(mainWindow, FALSE);
    if (!menu) return;
    for (int command : systemMenuCommands)
        ModifyMenuW(menu, static_cast<UINT>(command), MF_BYCOMMAND | MF_STRING, static_cast<UINT_PTR>(command),
                    loadString(static_cast<Msg>(command)).c_str());
}

void applyLanguageChange(HWND mainWindow) {
    relabelLauncher(app().launcher);
    relabelSystemMenu(mainWindow);

    std::wstring title(512, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(mainWindow, title.data(), static_cast<int>(title.size()))));
    std::array<std::string, 3> untitled;
    const LANGID languages[] = {languageEnglish, languageTraditionalChinese, languageSimplifiedChinese};
    for (int i = 0; i < 3; ++i) untitled[static_cast<size_t>(i)] = toUtf8(loadString(Msg::Untitled, languages[i]));
    const LANGID language = currentLanguage();
    const std::string retitled = retitledCaption(toUtf8(title), toUtf8(loadString(Msg::Caption, language)), untitled,
                                                 toUtf8(loadString(Msg::Untitled, language)));
    setMainWindowTitle(mainWindow, fromUtf8(retitled));
}

void setMainWindowTitle(HWND mainWindow, const std::wstring& title) { SetWindowTextW(mainWindow, title.c_str()); }

} // namespace qv::win
