// The main window: creation, launcher, dispatch tables, hosting protocol, forwarding, closing and
// the external hold.
#include "shell_fixture.h"

#include "app/dispatch.h"
#include "app/controls.h"
#include "app/about.h"
#include "app/launcher.h"
#include "app/properties.h"
#include "resource.h"

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace qv::win::test {
namespace {

// A dialog procedure for openings that must be refused before any dialog exists.
INT_PTR CALLBACK unusedDialogProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// ---- dispatch tables ------------------------------------------------------------------------

std::vector<std::string> routed;

LRESULT recordPaint(HWND, UINT, WPARAM wParam, LPARAM) {
    routed.push_back("paint " + std::to_string(wParam));
    return 7;
}
LRESULT recordCommand(HWND, const Command& command) {
    routed.push_back("command " + std::to_string(command.id) + " " + std::to_string(command.code) + " " +
                     std::to_string(reinterpret_cast<LPARAM>(command.control)));
    return 9;
}
LRESULT recordChange(HWND, const Command& command) {
    routed.push_back("change " + std::to_string(command.id));
    return 10;
}
LRESULT recordNotify(HWND, NMHDR& header) {
    routed.push_back("notify " + std::to_string(header.idFrom) + " " + std::to_string(static_cast<int>(header.code)));
    return 11;
}

LRESULT runOutOfMemory(HWND, const Command&) { throw std::bad_alloc(); }

constexpr MessageEntry testMessages[] = {{WM_USER + 5, recordPaint}};
constexpr CommandEntry testCommands[] = {{42, recordChange, EN_CHANGE}, {42, recordCommand}, {44, runOutOfMemory}};
constexpr NotifyEntry testNotifications[] = {{7, NM_CLICK, recordNotify}};

TEST(DispatchTables, RouteMessagesCommandsNotificationsAndDefaultKinds) {
    routed.clear();
    HWND scratch = CreateWindowExA(0, "STATIC", "scratch text", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(scratch);
    constexpr MessageTable returnZero{
        .messages = testMessages, .commands = testCommands, .notifications = testNotifications};
    constexpr MessageTable defWindow{.messages = testMessages, .defaultKind = DefaultKind::DefWindow};
    EXPECT_EQ(dispatchMessage(returnZero, scratch, WM_USER + 5, 3, 0), 7);
    // Unlisted: kind 0 answers 0, kind 1 asks DefWindowProcA (which knows the window's text).
    EXPECT_EQ(dispatchMessage(returnZero, scratch, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_EQ(dispatchMessage(defWindow, scratch, WM_GETTEXTLENGTH, 0, 0), 12);
    EXPECT_EQ(callDefault(DefaultKind::DefDialog, scratch, WM_GETTEXTLENGTH, 0, 0), 12);
    EXPECT_EQ(callDefault(DefaultKind::DefFrame, scratch, WM_GETTEXTLENGTH, 0, 0), 12);

    // WM_COMMAND is unpacked once; an entry naming a code takes only that code.
    EXPECT_EQ(dispatchMessage(returnZero, scratch, WM_COMMAND, MAKEWPARAM(42, BN_CLICKED), 1234), 9);
    EXPECT_EQ(dispatchMessage(returnZero, scratch, WM_COMMAND, MAKEWPARAM(42, EN_CHANGE), 1234), 10);
    EXPECT_EQ(dispatchMessage(returnZero, scratch, WM_COMMAND, MAKEWPARAM(43, 0), 0), 0);
    EXPECT_EQ(dispatchMessage(defWindow, scratch, WM_COMMAND, MAKEWPARAM(43, 0), 0), 0);
    // A command that runs out of memory shows 12007 instead of throwing through the procedure.
    std::vector<int> shown;
    setMessageBoxScript([&shown](const ShownMessage& box) {
        shown.push_back(box.stringId);
        return IDOK;
    });
    EXPECT_EQ(dispatchMessage(returnZero, scratch, WM_COMMAND, MAKEWPARAM(44, BN_CLICKED), 0), TRUE);
    setMessageBoxScript(nullptr);
    EXPECT_EQ(shown, std::vector<int>{12007});

    NMHDR click{scratch, 7, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(dispatchMessage(returnZero, scratch, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&click)), 11);
    NMHDR other{scratch, 8, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(dispatchMessage(returnZero, scratch, WM_NOTIFY, 8, reinterpret_cast<LPARAM>(&other)), 0);
    EXPECT_EQ(routed,
              (std::vector<std::string>{"paint 3", "command 42 0 1234", "change 42",
                                        "notify 7 " + std::to_string(static_cast<int>(NM_CLICK))}));
    DestroyWindow(scratch);
}

// ---- creation and launcher ---------------------------------------------------------------------

using MainWindow = ShellTest;

TEST_F(MainWindow, CreatesClassPlacementLauncherAndSystemMenu) {
    ASSERT_TRUE(createWindow());
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "PatternGeneratorClass");
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleW(nullptr), "PatternGeneratorClass", &info));
    EXPECT_EQ(info.style & (CS_HREDRAW | CS_VREDRAW), static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_TRUE(info.hIcon);
    EXPECT_FALSE(GetMenu(window));

    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Doveravevero Zodo Zudeduriz");
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, 20);
    EXPECT_EQ(frame.top, 30);
    EXPECT_EQ(frame.right, 620);
    EXPECT_EQ(frame.bottom, 470);
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW, static_cast<LONG>(WS_OVERLAPPEDWINDOW));

    HWND launcher = GetDlgItem(window, IDC_LAUNCHER);
    ASSERT_TRUE(launcher);
    EXPECT_EQ(launcher, app().launcher);
    EXPECT_EQ(SendMessageW(launcher, LVM_GETITEMCOUNT, 0, 0), 27);
    const LONG style = GetWindowLongW(launcher, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_ICON);
    EXPECT_TRUE(style & LVS_AUTOARRANGE);
    EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
    EXPECT_EQ(ImageList_GetImageCount(
                  reinterpret_cast<HIMAGELIST>(SendMessageW(launcher, LVM_GETIMAGELIST, LVSIL_NORMAL, 0))),
              27);
    EXPECT_EQ(
        ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(SendMessageW(launcher, LVM_GETIMAGELIST, LVSIL_SMALL, 0))),
        27);

    // Texts come through LVN_GETDISPINFO: ask the list view as a user of it would.
    struct Expected {
        int index;
        const wchar_t* text;
    } items[] = {{0, L"Wave Editor"}, {1, L"Script"}, {10, L"Altera's Waveform to QV's Wavef"}, {26, L"Properties"}};
    for (const auto& item : items) {
        wchar_t text[64] = {};
        LVITEMW query{};
        query.iSubItem = 0;
        query.pszText = text;
        query.cchTextMax = 64;
        SendMessageW(launcher, LVM_GETITEMTEXTW, item.index, reinterpret_cast<LPARAM>(&query));
        EXPECT_STREQ(text, item.text) << item.index;
    }
    // 31 characters at most: "Altera's Waveform to QV's Waveform" is cut.
    EXPECT_EQ(std::wstring(launcherText(10)), L"Altera's Waveform to QV's Wavef");

    HMENU menu = GetSystemMenu(window, FALSE);
    wchar_t label[64] = {};
    for (auto [command, expected] :
         {std::pair{10029, L"Properties"}, std::pair{10030, L"Online Update"}, std::pair{11010, L"Help"}}) {
        GetMenuStringW(menu, command, label, 64, MF_BYCOMMAND);
        EXPECT_STREQ(label, expected);
    }
    EXPECT_TRUE(shownBoxes.empty());
}

TEST_F(MainWindow, LauncherThatCannotBeBuiltGivesCriticalErrorAndAWindowWithoutIt) {
    // Resources without the launcher's icons: the image lists cannot be filled.
    setResourceModule(GetModuleHandleW(L"kernel32.dll"));
    const bool created = createWindow() != nullptr;
    setResourceModule(nullptr);
    ASSERT_TRUE(created);
    EXPECT_EQ(app().launcher, nullptr);
    EXPECT_EQ(GetDlgItem(window, IDC_LAUNCHER), nullptr);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, 12093);
    EXPECT_EQ(shownBoxes[0].captionId, static_cast<int>(Msg::ShortName));
    // An error box like every other: the error icon and an OK button.
    EXPECT_EQ(shownBoxes[0].type, static_cast<UINT>(MB_ICONERROR | MB_OK));
    // The system menu still carries Properties, Online Update and Help.
    HMENU menu = GetSystemMenu(window, FALSE);
    for (int command : {10029, 10030, 11010}) EXPECT_NE(GetMenuState(menu, command, MF_BYCOMMAND), 0xFFFFFFFFu);
}

TEST_F(MainWindow, LauncherTableOrderIconsAndDoubleClickCommands) {
    const int expectedIcons[27] = {201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 414, 428, 433,
                                   439, 440, 448, 467, 524, 528, 532, 547, 550, 553, 555, 561, 212};
    auto items = launcherItems();
    ASSERT_EQ(items.size(), 27u);
    for (int i = 0; i < 27; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(static_cast<int>(items[i].caption), 10003 + i);
        EXPECT_EQ(items[i].iconId, expectedIcons[i]);
        const WPARAM expectedCommand = i == 1 ? 10100 : i == 26 ? 10029 : static_cast<WPARAM>(10003 + i);
        EXPECT_EQ(items[i].command, expectedCommand);
        EXPECT_EQ(items[i].message, i == 26 ? static_cast<UINT>(WM_SYSCOMMAND) : static_cast<UINT>(WM_COMMAND));
        EXPECT_TRUE(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(items[i].iconId), IMAGE_ICON, 32, 32, 0));
    }
    for (int busy = 800; busy <= 807; ++busy)
        EXPECT_TRUE(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(busy), IMAGE_ICON, 16, 16, 0)) << busy;
}

// A double click is hit-tested at the message position: place the cursor, let a message carry it.
POINT messagePositionAt(HWND launcher, POINT client) {
    POINT screen = client;
    ClientToScreen(launcher, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageW(launcher, WM_NULL, 0, 0);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}
    return screen;
}

MSG takePosted(HWND window) {
    MSG message{};
    PeekMessageW(&message, window, 0, 0, PM_REMOVE);
    return message;
}

TEST_F(MainWindow, DoubleClicksOnItemsScriptAndEmptySpace) {
    ASSERT_TRUE(createWindow());
    HWND launcher = app().launcher;
    struct Case {
        int item; // -1: empty space
        UINT message;
        WPARAM command;
    } cases[] = {{0, WM_COMMAND, 10003},
                 {1, WM_COMMAND, 10100},
                 {5, WM_COMMAND, 10008},
                 {26, WM_SYSCOMMAND, 10029},
                 {-1, WM_COMMAND, 10100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        POINT at{};
        if (c.item >= 0) {
            RECT box{};
            box.left = LVIR_ICON;
            ASSERT_TRUE(SendMessageW(launcher, LVM_GETITEMRECT, c.item, reinterpret_cast<LPARAM>(&box)));
            SendMessageW(launcher, LVM_ENSUREVISIBLE, c.item, FALSE);
            SendMessageW(launcher, LVM_GETITEMRECT, c.item, reinterpret_cast<LPARAM>(&box));
            at = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
        } else {
            RECT client{};
            GetClientRect(launcher, &client);
            at = {client.right - 3, client.bottom - 3};
        }
        messagePositionAt(launcher, at);
        NMHDR header{launcher, IDC_LAUNCHER, static_cast<UINT>(NM_DBLCLK)};
        SendMessageW(window, WM_NOTIFY, IDC_LAUNCHER, reinterpret_cast<LPARAM>(&header));
        MSG posted = takePosted(window);
        EXPECT_EQ(posted.message, c.message);
        EXPECT_EQ(posted.wParam, c.command);
    }
    // Notifications of other controls are not the launcher's.
    NMHDR other{launcher, 101, static_cast<UINT>(NM_DBLCLK)};
    SendMessageW(window, WM_NOTIFY, 101, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(takePosted(window).message, 0u);
    NMLVDISPINFOW edit{{launcher, IDC_LAUNCHER, static_cast<UINT>(LVN_ENDLABELEDITW)}, {}};
    EXPECT_EQ(SendMessageW(window, WM_NOTIFY, IDC_LAUNCHER, reinterpret_cast<LPARAM>(&edit)), 1);
}

TEST_F(MainWindow, DisplayInfoColumnsGiveTextEmptyRemainderAndId) {
    ASSERT_TRUE(createWindow());
    wchar_t buffer[64];
    for (auto [column, expected] : {std::pair{0, L"Sync Counter"}, std::pair{1, L""}, std::pair{2, L"10005"}}) {
        buffer[0] = L'?';
        NMLVDISPINFOW info{};
        info.hdr = {app().launcher, IDC_LAUNCHER, static_cast<UINT>(LVN_GETDISPINFOW)};
        info.item.mask = LVIF_TEXT;
        info.item.iItem = 2;
        info.item.iSubItem = column;
        info.item.lParam = 2;
        info.item.pszText = buffer;
        info.item.cchTextMax = 64;
        SendMessageW(window, WM_NOTIFY, IDC_LAUNCHER, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(buffer, expected) << column;
    }
}

// ---- hosting protocol -----------------------------------------------------------------------

TEST_F(MainWindow, HostingOpensOnceAndCloseRestoresPlacementAndLauncher) {
    ASSERT_TRUE(createWindow());
    // A tool id without a tool does nothing.
    SendMessageW(window, WM_COMMAND, 10021, 0);
    EXPECT_FALSE(app().openDialog);
    EXPECT_TRUE(IsWindowVisible(app().launcher));

    MoveWindow(window, 40, 50, 500, 400, TRUE);
    SendMessageW(window, WM_COMMAND, testToolId, 0);
    HWND tool = app().openDialog;
    ASSERT_TRUE(tool);
    EXPECT_EQ(toolLog().created, 1);
    EXPECT_EQ(GetParent(tool), window);
    EXPECT_TRUE(IsWindowVisible(tool));
    EXPECT_FALSE(IsWindowVisible(app().launcher));
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    // The placement went to the System key.
    const std::string& key = app().keyPath(ModuleKey::System);
    EXPECT_EQ(store.readNumber(key, "Main Window Left"), 40u);
    EXPECT_EQ(store.readNumber(key, "Main Window Top"), 50u);
    EXPECT_EQ(store.readNumber(key, "Main Window Right"), 540u);
    EXPECT_EQ(store.readNumber(key, "Main Window Bottom"), 450u);
    EXPECT_EQ(store.readNumber(key, "Max Flag"), 0u);
    // Sized around the dialog, not moved.
    RECT frame{};
    GetWindowRect(window, &frame);
    const SIZE dialog = toolLog().createdSize;
    EXPECT_GT(dialog.cx, 200);
    EXPECT_EQ(frame.left, 40);
    EXPECT_EQ(frame.top, 50);
    EXPECT_EQ(frame.right - frame.left, dialog.cx + 2 * GetSystemMetrics(SM_CXBORDER));
    EXPECT_EQ(frame.bottom - frame.top, dialog.cy + 2 * GetSystemMetrics(SM_CXBORDER) + GetSystemMetrics(SM_CYCAPTION));

    // A second opening, of the same or another tool, is refused before its create function runs.
    SendMessageW(window, WM_COMMAND, testToolId, 0);
    EXPECT_EQ(toolLog().created, 1);
    EXPECT_EQ(app().openDialog, tool);
    EXPECT_EQ(openFunctionDialog(window, DialogDefinition{IDD_PROPERTIES, unusedDialogProcedure}), nullptr);

    // Meanwhile the placement in the registry changed: closing restores what the registry holds.
    store.writeNumber(key, "Main Window Left", 60);
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(toolLog().closed, 1);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_FALSE(app().openDialog);
    EXPECT_FALSE(IsWindow(tool));
    EXPECT_TRUE(IsWindowVisible(app().launcher));
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_MAXIMIZEBOX | WS_THICKFRAME),
              static_cast<LONG>(WS_MAXIMIZEBOX | WS_THICKFRAME));
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, 60);
    EXPECT_EQ(frame.top, 50);
    EXPECT_EQ(frame.right, 540);
    EXPECT_EQ(frame.bottom, 450);
}

TEST_F(MainWindow, ClosingMaximisedWindowComesBackMaximised) {
    ASSERT_TRUE(createWindow());
    ShowWindow(window, SW_SHOWMAXIMIZED);
    SendMessageW(window, WM_COMMAND, testToolId, 0);
    ASSERT_TRUE(app().openDialog);
    EXPECT_EQ(store.readNumber(app().keyPath(ModuleKey::System), "Max Flag"), 1u);
    SendMessageW(window, WM_COMMAND, ID_QUIT, 0);
    EXPECT_TRUE(IsZoomed(window));
}

// ---- forwarding ----------------------------------------------------------------------------

TEST_F(MainWindow, KeysHelpAndUndoReachTheOpenTool) {
    ASSERT_TRUE(createWindow());
    // Without a tool: keys go nowhere, help opens the main topic.
    SendMessageW(window, WM_KEYDOWN, 'A', 1);
    HELPINFO help{};
    help.cbSize = sizeof help;
    SendMessageW(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    ASSERT_EQ(helpRequests().size(), 1u);
    EXPECT_EQ(helpRequests()[0].topic, "::/1-1.htm");
    EXPECT_EQ(helpRequests()[0].context, helpFinder);
    SendMessageW(window, WM_SYSCOMMAND, ID_HELP, 0);
    EXPECT_EQ(helpRequests().size(), 2u);

    SendMessageW(window, WM_COMMAND, testToolId, 0);
    ASSERT_TRUE(app().openDialog);
    SendMessageW(window, WM_KEYDOWN, 'A', 1);
    SendMessageW(window, WM_KEYUP, 'A', 1);
    SendMessageW(window, WM_CHAR, 'a', 1);
    SendMessageW(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    SendMessageW(window, WM_SYSKEYDOWN, VK_BACK, 0x20000000);
    SendMessageW(window, WM_SYSKEYDOWN, 'X', 0x20000000); // other Alt keys are not undo
    EXPECT_EQ(SendMessageW(window, WM_SYSCHAR, 'x', 0x20000000), 0);
    pumpMessages();
    EXPECT_EQ(toolLog().messages, (std::vector<UINT>{0x500, 0x501, 0x502, 0x503, WM_UNDO}));
    EXPECT_EQ(helpRequests().size(), 2u);
}

TEST_F(MainWindow, WmSizeMovesTheShownChild) {
    ASSERT_TRUE(createWindow());
    SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    RECT box{};
    GetWindowRect(app().launcher, &box);
    EXPECT_EQ(box.right - box.left, 300);
    EXPECT_EQ(box.bottom - box.top, 200);
    SendMessageW(window, WM_COMMAND, testToolId, 0);
    SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(111, 77));
    GetWindowRect(app().openDialog, &box);
    EXPECT_EQ(box.right - box.left, 111);
    EXPECT_EQ(box.bottom - box.top, 77);
}

// ---- closing -------------------------------------------------------------------------------

TEST_F(MainWindow, CloseWithToolClosesOnlyTheToolAndPowersDown) {
    app().device = 5;
    ASSERT_TRUE(createWindow());
    SendMessageW(window, WM_COMMAND, testToolId, 0);
    driverCalls().clear();
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(app().openDialog);
    EXPECT_EQ(driverCalls(), (std::vector<std::string>{"qvPowerDown(5)"}));
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(driverCalls().size(), 2u);
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MainWindow, CloseInDemoModeMakesNoDriverCall) {
    ASSERT_TRUE(createWindow());
    driverCalls().clear();
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(driverCalls().empty());
}

TEST_F(MainWindow, CtrlQClosesToolThenWindowWithoutPowerDownAndSavesPlacement) {
    app().device = 5;
    ASSERT_TRUE(createWindow());
    MoveWindow(window, 70, 80, 400, 300, TRUE);
    SendMessageW(window, WM_COMMAND, testToolId, 0);
    driverCalls().clear();
    SendMessageW(window, WM_COMMAND, ID_QUIT, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(app().openDialog);
    SendMessageW(window, WM_COMMAND, ID_QUIT, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(driverCalls().empty());
    const Placement& saved = app().savedPlacement;
    EXPECT_EQ(saved.left, 70);
    EXPECT_EQ(saved.top, 80);
    EXPECT_EQ(saved.right, 470);
    EXPECT_EQ(saved.bottom, 380);
    EXPECT_EQ(saved.maximised, 0);
}

// ---- other messages ------------------------------------------------------------------------

TEST_F(MainWindow, DriverInformation) {
    ASSERT_TRUE(createWindow());
    resetFakeDriver(0xC350);
    EXPECT_EQ(SendMessageW(window, driverInformation, 7, static_cast<LPARAM>(hwInfoModelCode)), 0xC350);
    EXPECT_EQ(driverCalls(), (std::vector<std::string>{"qvGetHwInfo(7," + std::to_string(hwInfoModelCode) + ")"}));
}

TEST_F(MainWindow, ExternalHoldWaitsForTheBusyOutputThread) {
    ASSERT_TRUE(createWindow());
    std::atomic<int> releasedAt{0};
    std::atomic<int> sequence{0};
    app().interlock.driverBusy = 1;
    std::thread output([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        releasedAt = ++sequence;
        app().interlock.release();
    });
    COPYDATASTRUCT hold{1, 0, nullptr};
    SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&hold));
    const int heldAt = ++sequence;
    output.join();
    EXPECT_EQ(app().interlock.externalHold.load(), 1);
    EXPECT_LT(releasedAt.load(), heldAt);

    // Clearing does not wait, even while the program is busy.
    app().interlock.driverBusy = 1;
    COPYDATASTRUCT clear{0, 0, nullptr};
    SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&clear));
    EXPECT_EQ(app().interlock.externalHold.load(), 0);
    app().interlock.driverBusy = 0;
}

// Properties' OK resends the levels as a group of driver calls; while another process holds the
// instrument it waits, and the message that clears the hold comes to this same thread.
TEST_F(MainWindow, PropertiesOkWaitsForAHoldThatAMessageClears) {
    ASSERT_TRUE(createWindow());
    app().caps = capabilitiesFor(0xC020);
    HWND dialog = createDialogInLanguage(nullptr, propertiesDialog);
    ASSERT_TRUE(dialog);
    driverCalls().clear();
    app().interlock.externalHold = 1;
    std::atomic<bool> delivered{false};
    std::thread otherProcess([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(driverCalls().empty()) << "a driver call while the hold was set";
        COPYDATASTRUCT clear{0, 0, nullptr};
        DWORD_PTR result = 0;
        delivered = SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&clear), SMTO_BLOCK, 5000,
                                        &result) != 0;
        if (!delivered) app().interlock.externalHold = 0; // let the test end
    });
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    otherProcess.join();
    EXPECT_TRUE(delivered) << "the waiting thread did not deliver the message that clears the hold";
    EXPECT_EQ(app().interlock.driverBusy.load(), 0);
    ASSERT_FALSE(driverCalls().empty());
    EXPECT_EQ(driverCalls().front().rfind("qvReset", 0), 0u) << driverCalls().front();
    if (IsWindow(dialog)) DestroyWindow(dialog);
}

// A table-driven dialog receives its commands (unpacked), its notifications (with their result
// in DWLP_MSGRESULT) and WM_CLOSE through its table.
std::vector<std::string> dialogEvents;

LRESULT onTableButton(HWND, const Command& command) {
    dialogEvents.push_back("button " + std::to_string(command.id) + " " + std::to_string(command.code) +
                           (command.control ? " control" : " none"));
    return TRUE;
}
LRESULT onTableNotify(HWND dialog, NMHDR& header) {
    dialogEvents.push_back("notify " + std::to_string(header.idFrom));
    return setDialogResult(dialog, 77);
}
LRESULT onTableClose(HWND dialog, UINT, WPARAM, LPARAM) {
    dialogEvents.push_back("close");
    DestroyWindow(dialog);
    return TRUE;
}
constexpr MessageEntry tableMessages[] = {{WM_CLOSE, onTableClose}};
constexpr CommandEntry tableCommands[] = {{IDOK, onTableButton, BN_CLICKED}, {IDCANCEL, postClose}};
constexpr NotifyEntry tableNotifications[] = {{IDOK, NM_CUSTOMDRAW, onTableNotify}};
constexpr MessageTable testDialogTable{
    .messages = tableMessages, .commands = tableCommands, .notifications = tableNotifications};

TEST(DialogLayer, TableDrivenDialogReceivesCommandsNotificationsAndClose) {
    dialogEvents.clear();
    HWND dialog = createDialogInLanguage(nullptr, DialogDefinition{IDD_ABOUT, dialogProcedure<testDialogTable>});
    ASSERT_TRUE(dialog);
    HWND button = GetDlgItem(dialog, IDOK);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_SETFOCUS), reinterpret_cast<LPARAM>(button));
    NMHDR header{button, IDOK, static_cast<UINT>(NM_CUSTOMDRAW)};
    EXPECT_EQ(SendMessageW(dialog, WM_NOTIFY, IDOK, reinterpret_cast<LPARAM>(&header)), 77);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindow(dialog)) << "WM_CLOSE is posted, not sent";
    pumpMessages();
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(dialogEvents, (std::vector<std::string>{"button 1 0 control", "notify 1", "close"}));
}

// The control helpers against real controls: a spin field in hexadecimal, and a combo box filled
// from catalogue texts and selected by text.
TEST(DialogLayer, SpinFieldsAndComboBoxes) {
    HWND dialog = createDialogInLanguage(nullptr, propertiesDialog);
    ASSERT_TRUE(dialog);
    setFieldText(dialog, IDC_PROPERTIES_LEVEL1_TEXT, std::wstring(L"7f"));
    EXPECT_EQ(stepSpinField(dialog, IDC_PROPERTIES_LEVEL1_TEXT, 1, 0, 0x7F, SpinEnds::Wrap, 16), 0);
    EXPECT_EQ(fieldText(dialog, IDC_PROPERTIES_LEVEL1_TEXT), L"0");
    EXPECT_EQ(stepSpinField(dialog, IDC_PROPERTIES_LEVEL1_TEXT, -1, 0, 0x7F, SpinEnds::Wrap, 16), 0x7F);
    EXPECT_EQ(fieldText(dialog, IDC_PROPERTIES_LEVEL1_TEXT), L"7F");
    setFieldText(dialog, IDC_PROPERTIES_LEVEL1_TEXT, std::wstring(L"junk"));
    EXPECT_EQ(stepSpinField(dialog, IDC_PROPERTIES_LEVEL1_TEXT, -1, 1, 8, SpinEnds::Clamp), 1);

    constexpr Msg texts[] = {Msg::ToolRs232, Msg::ToolI2c, Msg::ToolSpi};
    fillCombo(dialog, IDC_PROPERTIES_LANGUAGE, texts);
    EXPECT_EQ(comboSelection(dialog, IDC_PROPERTIES_LANGUAGE), -1);
    EXPECT_TRUE(selectComboText(dialog, IDC_PROPERTIES_LANGUAGE, L"SPI"));
    EXPECT_EQ(comboSelection(dialog, IDC_PROPERTIES_LANGUAGE), 2);
    EXPECT_EQ(comboItemData(dialog, IDC_PROPERTIES_LANGUAGE, 2), 2);
    EXPECT_FALSE(selectComboText(dialog, IDC_PROPERTIES_LANGUAGE, L"SP"));
    EXPECT_EQ(comboSelection(dialog, IDC_PROPERTIES_LANGUAGE), 2);
    DestroyWindow(dialog);
}

// A toolbar button's tip is the catalogue text whose id is the button's id, in the current language.
TEST(DialogLayer, ToolTipsNameTheirButtonsByTheirIds) {
    HWND dialog = createDialogInLanguage(nullptr, aboutDialog);
    ASSERT_TRUE(dialog);
    HWND tips = createToolTips(dialog, {IDOK, 4242}); // 4242: no such control, no tool
    ASSERT_TRUE(tips);
    EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[80] = {};
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = dialog;
    info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, IDOK));
    info.lpszText = text;
    SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(text, loadString(static_cast<Msg>(IDOK)).c_str());
    EXPECT_STRNE(text, L"");
    DestroyWindow(dialog);
}

// Growing the window repaints the launcher once: the new area must not stay black.
TEST_F(MainWindow, LauncherIsRepaintedAfterTheWindowGrowsAndTheWindowHasAMinimumSize) {
    ASSERT_TRUE(createWindow());
    UpdateWindow(app().launcher);
    ValidateRect(app().launcher, nullptr);
    MoveWindow(window, 20, 30, 900, 700, TRUE);
    RECT pending{};
    EXPECT_TRUE(GetUpdateRect(app().launcher, &pending, FALSE));
    RECT client{};
    GetClientRect(app().launcher, &client);
    EXPECT_EQ(pending.right, client.right);
    EXPECT_EQ(pending.bottom, client.bottom);

    MINMAXINFO limits{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_GE(limits.ptMinTrackSize.x, 320);
    EXPECT_GE(limits.ptMinTrackSize.y, 200);
}

} // namespace
} // namespace qv::win::test

namespace qv::win::test {
namespace {

// The title keeps its Chinese text whatever the system's code page.
TEST_F(MainWindow, TitleKeepsChineseTextWhateverTheCodePage) {
    createWindow();
    setThreadLanguage(languageTraditionalChinese);
    const std::wstring title = loadString(Msg::Caption) + loadString(Msg::Untitled);
    setMainWindowTitle(window, title);
    setThreadLanguage(languageEnglish);
    wchar_t shown[128] = {};
    GetWindowTextW(window, shown, 128);
    EXPECT_EQ(std::wstring(shown), title);
    EXPECT_NE(title.find(L"\u672a\u547d\u540d"), std::wstring::npos); // (未命名)
}

} // namespace
} // namespace qv::win::test
