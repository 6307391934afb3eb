// The launcher list view. Its texts are given through LVN_GETDISPINFO from one table, so a
// language change only reloads the table and redraws.
#include "app/launcher.h"

#include "app/app_state.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "app/ui_font.h"

#include <array>
#include <cstdio>
#include <cwchar>

namespace qv::win {
namespace {

constexpr LauncherItem items[launcherItemCount] = {
    {10003, 201, WM_COMMAND, 10003},
    // The script editor opens only through WM_COMMAND 10004; its launcher item shows the About box.
    {10004, 202, WM_COMMAND, commandAbout},
    {10005, 203, WM_COMMAND, 10005},
    {10006, 204, WM_COMMAND, 10006},
    {10007, 205, WM_COMMAND, 10007},
    {10008, 206, WM_COMMAND, 10008},
    {10009, 207, WM_COMMAND, 10009},
    {10010, 208, WM_COMMAND, 10010},
    {10011, 209, WM_COMMAND, 10011},
    {10012, 210, WM_COMMAND, 10012},
    {10013, 211, WM_COMMAND, 10013},
    {10014, 414, WM_COMMAND, 10014},
    {10015, 428, WM_COMMAND, 10015},
    {10016, 433, WM_COMMAND, 10016},
    {10017, 439, WM_COMMAND, 10017},
    {10018, 440, WM_COMMAND, 10018},
    {10019, 448, WM_COMMAND, 10019},
    {10020, 467, WM_COMMAND, 10020},
    {10021, 524, WM_COMMAND, 10021},
    {10022, 528, WM_COMMAND, 10022},
    {10023, 532, WM_COMMAND, 10023},
    {10024, 547, WM_COMMAND, 10024},
    {10025, 550, WM_COMMAND, 10025},
    {10026, 553, WM_COMMAND, 10026},
    {10027, 555, WM_COMMAND, 10027},
    {10028, 561, WM_COMMAND, 10028},
    {10029, 212, WM_SYSCOMMAND, commandProperties},
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
        std::wstring text = loadString(items[i].stringId, language);
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
    std::swprintf(id, 16, L"%u", static_cast<unsigned>(items[index].stringId));
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

int itemAtMessagePosition(HWND launcher) {
    const DWORD at = GetMessagePos();
    LVHITTESTINFO hit{};
    hit.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    ScreenToClient(launcher, &hit.pt);
    return static_cast<int>(SendMessageW(launcher, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void toggleStateImage(HWND launcher) {
    const DWORD at = GetMessagePos();
    LVHITTESTINFO hit{};
    hit.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    ScreenToClient(launcher, &hit.pt);
    const int index = static_cast<int>(SendMessageW(launcher, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
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
        client.right, client.bottom, mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(100)),
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
        messageBox(mainWindow, 12093, MB_OK, captionShortName);
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

LRESULT onLauncherNotify(HWND mainWindow, const NMHDR* header) {
    HWND launcher = header->hwndFrom;
    switch (header->code) {
    case LVN_GETDISPINFOW: giveText(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header))); return 0;
    case LVN_GETDISPINFOA: giveTextAnsi(reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(header))); return 0;
    case LVN_ENDLABELEDITW:
    case LVN_ENDLABELEDITA: return 1;
    case NM_RCLICK: toggleStateImage(launcher); return 0;
    case NM_DBLCLK: {
        const int index = itemAtMessagePosition(launcher);
        if (index >= 0 && index < launcherItemCount)
            PostMessageA(mainWindow, items[index].message, items[index].command, 0);
        else
            PostMessageA(mainWindow, WM_COMMAND, commandAbout, 0);
        return 0;
    }
    default: return 0;
    }
}

} // namespace qv::win
