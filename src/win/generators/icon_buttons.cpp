// Icon buttons with tool tips whose texts are catalogue entries of their own (not the button ids).
#include "generators/icon_buttons.h"

#include "app/controls.h"
#include "app/strings_win.h"

#include <commctrl.h>

namespace qv::win {
namespace {

constexpr int iconSize = 16;

void addTips(HWND dialog, std::span<const IconButton> buttons) {
    HWND tips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr);
    if (!tips) return;
    for (const IconButton& button : buttons) {
        HWND control = GetDlgItem(dialog, button.id);
        if (!control) continue;
        std::wstring tip = loadString(button.tip);
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = dialog;
        info.uId = reinterpret_cast<UINT_PTR>(control);
        info.lpszText = tip.data();
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

} // namespace

IconButtons::~IconButtons() {
    for (HICON icon : icons_)
        if (icon) DestroyIcon(icon);
}

void IconButtons::attach(HWND dialog, std::span<const IconButton> buttons) {
    buttons_.assign(buttons.begin(), buttons.end());
    for (const IconButton& button : buttons) {
        scaleToolbarButton(dialog, button.id);
        icons_.push_back(static_cast<HICON>(
            LoadImageW(resourceModule(), MAKEINTRESOURCEW(button.icon), IMAGE_ICON, iconSize, iconSize, 0)));
    }
    addTips(dialog, buttons);
}

bool IconButtons::draw(const DRAWITEMSTRUCT& item) const {
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i].id == static_cast<int>(item.CtlID)) {
            drawToolbarButton(item, icons_[i]);
            return true;
        }
    return false;
}

} // namespace qv::win
