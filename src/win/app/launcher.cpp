// The launcher list view. Its texts are given through LVN_GETDISPINFO from one table, so a
// language change only reloads the table and redraws.
#include "app/launcher.h"

#include "app/app_state.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "app/ui_font.h"
#include "resource.h"

#include <array>
#include <cstdio>
#include <cwchar>

namespace qv::win {
namespace {

constexpr LauncherItem items[launcherItemCount] = {
    {Msg::ToolWaveEditor, IDI_WAVE_EDITOR, WM_COMMAND, ID_TOOL_WAVE_EDITOR},
    // The script editor opens only through WM_COMMAND ID_TOOL_SCRIPT; its item shows the About box.
    {Msg::ToolScript, IDI_SCRIPT, WM_COMMAND, ID_ABOUT},
    {Msg::ToolSyncCounter, IDI_SYNC_COUNTER, WM_COMMAND, ID_TOOL_SYNC_COUNTER},
    {Msg::ToolAsyncCounter, IDI_ASYNC_COUNTER, WM_COMMAND, ID_TOOL_ASYNC_COUNTER},
    {Msg::ToolPrinter, IDI_PRINTER, WM_COMMAND, ID_TOOL_PRINTER},
    {Msg::ToolRs232, IDI_RS232, WM_COMMAND, ID_TOOL_RS232},
    {Msg::ToolI2c, IDI_I2C, WM_COMMAND, ID_TOOL_I2C},
    {Msg::ToolBinaryFile, IDI_BINARY_FILE, WM_COMMAND, ID_TOOL_BINARY_FILE},
    {Msg::ToolTextFile, IDI_TEXT_FILE, WM_COMMAND, ID_TOOL_TEXT_FILE},
    {Msg::ToolLaWaveform, IDI_LA_WAVEFORM, WM_COMMAND, ID_TOOL_LA_WAVEFORM},
    {Msg::ToolAltera, IDI_ALTERA, WM_COMMAND, ID_TOOL_ALTERA},
    {Msg::ToolBatch, IDI_BATCH, WM_COMMAND, ID_TOOL_BATCH},
    {Msg::ToolSpi, IDI_SPI, WM_COMMAND, ID_TOOL_SPI},
    {Msg::ToolVhdl, IDI_VHDL, WM_COMMAND, ID_TOOL_VHDL},
    {Msg::ToolLin, IDI_LIN, WM_COMMAND, ID_TOOL_LIN},
    {Msg::ToolCan, IDI_CAN, WM_COMMAND, ID_TOOL_CAN},
    {Msg::ToolHdq, IDI_HDQ, WM_COMMAND, ID_TOOL_HDQ},
    {Msg::ToolOneWire, IDI_ONE_WIRE, WM_COMMAND, ID_TOOL_ONE_WIRE},
    {Msg::ToolI2s, IDI_I2S, WM_COMMAND, ID_TOOL_I2S},
    {Msg::ToolEncoder, IDI_ENCODER, WM_COMMAND, ID_TOOL_ENCODER},
    {Msg::ToolUsb, IDI_USB, WM_COMMAND, ID_TOOL_USB},
    {Msg::ToolSmbus, IDI_SMBUS, WM_COMMAND, ID_TOOL_SMBUS},
    {Msg::ToolPmbus, IDI_PMBUS, WM_COMMAND, ID_TOOL_PMBUS},
    {Msg::ToolPwm, IDI_PWM, WM_COMMAND, ID_TOOL_PWM},
    {Msg::ToolVcd, IDI_VCD, WM_COMMAND, ID_TOOL_VCD},
    {Msg::ToolDmx512, IDI_DMX512, WM_COMMAND, ID_TOOL_DMX512},
    {Msg::ToolProperties, IDI_PROPERTIES, WM_SYSCOMMAND, ID_PROPERTIES},
};

// Display texts, at most 31 characters each (32 with the terminator, zero beyond).
std::array<std::array<wchar_t, launcherTextLength + 1>, launcherItemCount> texts{};

HFONT labelFont = nullptr;

// The labels' font follows the language, so that Chinese captions have their glyphs.
void setLabelFont(HWND launcher) {
    HFONT font = createInterfaceFont(currentLanguage());
    if (!font) return;
    SendMessageW(launcher, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (labelFont) DeleteObject(labelFont);
    labelFont = font;
}

void loadTexts() {
    const LANGID language = currentLanguage();
    for (int i = 0; i < launcherItemCount; ++i) {
        std::wstring text = loadString(items[i].caption, language);
        texts[i].fill(L'\0');
        std::wcsncpy(texts[i].data(), text.c_str(), launcherTextLength);
    }
}

HIMAGELIST iconList(int size) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, launcherItemCount, 0);
    if (!list) return nullptr;
    for (const LauncherItem& item : items) {
        HICON icon =
            static_cast<HICON>(LoadImageW(resourceModule(), MAKEINTRESOURCEW(item.iconId), IMAGE_ICON, size, size, 0));
        const int added = icon ? ImageList_AddIcon(list, icon) : -1;
        if (icon) DestroyIcon(icon);
        if (added < 0) {
            ImageList_Destroy(list);
            return nullptr;
        }
    }
    return list;
}

// The text a column asks for: the caption, the caption from its 32nd character (always empty),
// or the string id.
std::wstring columnText(int index, int column) {
    if (column == 0) return texts[index].data();
    if (column == 1) return texts[index].data() + launcherTextLength;
    wchar_t id[16];
    std::swprintf(id, 16, L"%u", static_cast<unsigned>(items[index].caption));
    return id;
}

void giveText(NMLVDISPINFOW* info) {
    if (!(info->item.mask & LVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0) return;
    const int index = static_cast<int>(info->item.lParam);
    if (index < 0 || index >= launcherItemCount) return;
    std::wstring text = columnText(index, info->item.iSubItem);
    lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
}

void giveTextAnsi(NMLVDISPINFOA* info) {
    if (!(info->item.mask & LVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0) return;
    const int index = static_cast<int>(info->item.lParam);
    if (index < 0 || index >= launcherItemCount) return;
    std::wstring text = columnText(index, info->item.iSubItem);
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, info->item.pszText, info->item.cchTextMax, nullptr, nullptr);
    info->item.pszText[info->item.cchTextMax - 1] = '\0';
}

// The item under the mouse as the current message found it; hit receives where on the item.
int itemAtMessagePosition(HWND launcher, LVHITTESTINFO& hit) {
    const DWORD at = GetMessagePos();
    hit = {};
    hit.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    ScreenToClient(launcher, &hit.pt);
    return static_cast<int>(SendMessageW(launcher, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void toggleStateImage(HWND launcher) {
    LVHITTESTINFO hit;
    const int index = itemAtMessagePosition(launcher, hit);
    if (index < 0 || !(hit.flags & LVHT_ONITEMSTATEICON)) return;
    const UINT state = static_cast<UINT>(SendMessageW(launcher, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK));
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK((state >> 12) == 1 ? 2 : 1);
    SendMessageW(launcher, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

} // namespace

std::span<const LauncherItem> launcherItems() { return items; }

const wchar_t* launcherText(int index) { return index >= 0 && index < launcherItemCount ? texts[index].data() : L""; }

HWND createLauncher(HWND mainWindow) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    loadTexts();

    RECT client{};
    GetClientRect(mainWindow, &client);
    HWND launcher = CreateWindowExW(
        0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_ICON | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS, 0, 0,
        client.right, client.bottom, mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LAUNCHER)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(mainWindow, GWLP_HINSTANCE)), nullptr);
    bool ok = launcher != nullptr;
    HIMAGELIST large = ok ? iconList(32) : nullptr;
    HIMAGELIST small = ok ? iconList(16) : nullptr;
    HIMAGELIST state = ok ? ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0) : nullptr;
    ok = ok && large && small && state;
    if (ok) {
        // The list view owns the image lists from here and destroys them with itself.
        SendMessageW(launcher, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
        SendMessageW(launcher, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
        SendMessageW(launcher, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(state));
        for (int i = 0; ok && i < launcherItemCount; ++i) {
            LVITEMW item{};
            item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
            item.iItem = i;
            item.pszText = LPSTR_TEXTCALLBACKW;
            item.iImage = i;
            item.lParam = i;
            ok = SendMessageW(launcher, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) == i;
        }
    } else {
        for (HIMAGELIST list : {large, small, state})
            if (list) ImageList_Destroy(list);
    }
    if (ok) setLabelFont(launcher);
    if (!ok) {
        if (launcher) DestroyWindow(launcher);
        messageBox(mainWindow, Msg::CriticalError, MB_ICONERROR | MB_OK, Msg::ShortName);
        return nullptr;
    }
    return launcher;
}

void relabelLauncher(HWND launcher) {
    loadTexts();
    if (!launcher) return;
    setLabelFont(launcher);
    for (int i = 0; i < launcherItemCount; ++i) SendMessageW(launcher, LVM_UPDATE, i, 0);
    SendMessageW(launcher, LVM_ARRANGE, LVA_DEFAULT, 0);
    InvalidateRect(launcher, nullptr, TRUE);
}

namespace {

LRESULT onDisplayInfo(HWND, NMHDR& header) {
    giveText(reinterpret_cast<NMLVDISPINFOW*>(&header));
    return 0;
}

LRESULT onDisplayInfoAnsi(HWND, NMHDR& header) {
    giveTextAnsi(reinterpret_cast<NMLVDISPINFOA*>(&header));
    return 0;
}

LRESULT refuseLabelEdit(HWND, NMHDR&) { return 1; }

LRESULT onRightClick(HWND, NMHDR& header) {
    toggleStateImage(header.hwndFrom);
    return 0;
}

LRESULT onDoubleClick(HWND mainWindow, NMHDR& header) {
    LVHITTESTINFO hit;
    const int index = itemAtMessagePosition(header.hwndFrom, hit);
    if (index >= 0 && index < launcherItemCount)
        PostMessageA(mainWindow, items[index].message, items[index].command, 0);
    else
        PostMessageA(mainWindow, WM_COMMAND, ID_ABOUT, 0);
    return 0;
}

} // namespace

const NotifyEntry launcherNotifications[launcherNotificationCount] = {
    {IDC_LAUNCHER, LVN_GETDISPINFOW, onDisplayInfo},
    {IDC_LAUNCHER, LVN_GETDISPINFOA, onDisplayInfoAnsi},
    {IDC_LAUNCHER, LVN_ENDLABELEDITW, refuseLabelEdit},
    {IDC_LAUNCHER, LVN_ENDLABELEDITA, refuseLabelEdit},
    {IDC_LAUNCHER, NM_RCLICK, onRightClick},
    {IDC_LAUNCHER, NM_DBLCLK, onDoubleClick},
};

} // namespace qv::win
