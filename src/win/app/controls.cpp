// Control helpers: one-line wrappers over the Win32 control messages.
#include "app/controls.h"

#include "app/strings_win.h"

#include <commctrl.h>

namespace qv::win {

std::wstring fieldText(HWND dialog, int control) {
    HWND field = GetDlgItem(dialog, control);
    const int length = field ? GetWindowTextLengthW(field) : 0;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = field ? GetWindowTextW(field, text.data(), length + 1) : 0;
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

void setFieldText(HWND dialog, int control, const std::wstring& text) {
    SetDlgItemTextW(dialog, control, text.c_str());
}
void setFieldText(HWND dialog, int control, const std::string& utf8) { setFieldText(dialog, control, fromUtf8(utf8)); }
void setFieldText(HWND dialog, int control, Msg text) { setFieldText(dialog, control, loadString(text)); }

std::optional<long long> fieldInteger(HWND dialog, int control, int radix) {
    return parseFieldInteger(toUtf8(fieldText(dialog, control)), radix);
}

void setFieldInteger(HWND dialog, int control, long long value, int radix) {
    setFieldText(dialog, control, fieldIntegerText(value, radix));
}

std::optional<double> fieldNumber(HWND dialog, int control) {
    return parseFieldNumber(toUtf8(fieldText(dialog, control)));
}

bool isChecked(HWND dialog, int control) { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; }
void setChecked(HWND dialog, int control, bool checked) {
    CheckDlgButton(dialog, control, checked ? BST_CHECKED : BST_UNCHECKED);
}

void fillCombo(HWND dialog, int control, std::span<const Msg> texts) {
    SendDlgItemMessageW(dialog, control, CB_RESETCONTENT, 0, 0);
    LPARAM data = 0;
    for (Msg text : texts) addComboItem(dialog, control, loadString(text), data++);
}

int addComboItem(HWND dialog, int control, const std::wstring& text, LPARAM data) {
    const auto index =
        static_cast<int>(SendDlgItemMessageW(dialog, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index >= 0) SendDlgItemMessageW(dialog, control, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
    return index;
}

void selectComboIndex(HWND dialog, int control, int index) {
    SendDlgItemMessageW(dialog, control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool selectComboText(HWND dialog, int control, const std::wstring& text) {
    const auto index = SendDlgItemMessageW(dialog, control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(text.c_str()));
    if (index == CB_ERR) return false;
    selectComboIndex(dialog, control, static_cast<int>(index));
    return true;
}

int comboSelection(HWND dialog, int control) {
    const auto index = SendDlgItemMessageW(dialog, control, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

LPARAM comboItemData(HWND dialog, int control, int index) {
    return SendDlgItemMessageW(dialog, control, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}

void enableControls(HWND dialog, std::initializer_list<int> controls, bool enabled) {
    for (int control : controls) EnableWindow(GetDlgItem(dialog, control), enabled);
}

void showControls(HWND dialog, std::initializer_list<int> controls, bool shown) {
    for (int control : controls) ShowWindow(GetDlgItem(dialog, control), shown ? SW_SHOW : SW_HIDE);
}

long long stepSpinField(HWND dialog, int field, long long delta, long long minimum, long long maximum, SpinEnds ends,
                        int radix) {
    const long long current = fieldInteger(dialog, field, radix).value_or(minimum);
    const SpinStep step = stepSpin(current, delta, minimum, maximum, ends);
    if (step.stoppedAtEnd) MessageBeep(MB_OK);
    setFieldInteger(dialog, field, step.value, radix);
    return step.value;
}

HWND createToolTips(HWND dialog, std::initializer_list<int> buttons) {
    HWND tips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr);
    if (!tips) return nullptr;
    for (int button : buttons) {
        HWND control = GetDlgItem(dialog, button);
        if (!control) continue;
        std::wstring tip = loadString(static_cast<Msg>(button));
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = dialog;
        info.uId = reinterpret_cast<UINT_PTR>(control);
        info.lpszText = tip.data();
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    return tips;
}

void scaleToolbarButton(HWND dialog, int button) {
    HWND control = GetDlgItem(dialog, button);
    if (!control) return;
    HDC screen = GetDC(nullptr);
    const int dotsPerInch = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (dotsPerInch <= 0) return;
    RECT client{};
    GetClientRect(control, &client);
    SetWindowPos(control, nullptr, 0, 0, MulDiv(client.right, 96, dotsPerInch), MulDiv(client.bottom, 96, dotsPerInch),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void drawToolbarButton(const DRAWITEMSTRUCT& item, HICON icon) {
    RECT face = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    DrawFrameControl(item.hDC, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    if (icon) {
        ICONINFO info{};
        int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
        if (GetIconInfo(icon, &info)) {
            BITMAP bitmap{};
            if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap)) {
                width = bitmap.bmWidth;
                height = bitmap.bmHeight;
            }
            if (info.hbmColor) DeleteObject(info.hbmColor);
            if (info.hbmMask) DeleteObject(info.hbmMask);
        }
        const int shift = pushed ? 1 : 0;
        const int left = face.left + (face.right - face.left - width) / 2 + shift;
        const int top = face.top + (face.bottom - face.top - height) / 2 + shift;
        const UINT state = (item.itemState & ODS_DISABLED) ? DSS_DISABLED : DSS_NORMAL;
        DrawStateW(item.hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, left, top, width, height,
                   DST_ICON | state);
    }
    if (item.itemState & ODS_FOCUS) {
        RECT focus = face;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item.hDC, &focus);
    }
}

void centreWindow(HWND window, HWND over) {
    RECT own{}, outer{};
    GetWindowRect(window, &own);
    GetWindowRect(over, &outer);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    int left = outer.left + ((outer.right - outer.left) - width) / 2;
    int top = outer.top + ((outer.bottom - outer.top) - height) / 2;
    HDC screen = GetDC(nullptr);
    const int screenWidth = GetDeviceCaps(screen, HORZRES);
    const int screenHeight = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    if (left + width > screenWidth) left = screenWidth - width;
    if (top + height > screenHeight) top = screenHeight - height;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace qv::win
