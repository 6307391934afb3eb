// About box: product title, version and the maker's notice over a picture drawn transparently
// (image XOR, mask AND, image XOR: where the mask is white the background shows through).
#include "app/about.h"

#include "app/app_state.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "app/strings_win.h"

#include <array>

namespace qv::win {
namespace {

struct AboutState {
    HBITMAP image = nullptr;
    HBITMAP mask = nullptr;
} about;

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    centreWindow(dialog, GetDesktopWindow());
    std::wstring text = loadString(aboutVersionString);
    const std::wstring version = fromUtf8(app().versionText);
    if (auto at = text.find(L"%s"); at != std::wstring::npos) text.replace(at, 2, version);
    SetDlgItemTextW(dialog, aboutVersionText, text.c_str());
    about.image =
        static_cast<HBITMAP>(LoadImageW(resourceModule(), MAKEINTRESOURCEW(aboutImageBitmap), IMAGE_BITMAP, 0, 0, 0));
    about.mask =
        static_cast<HBITMAP>(LoadImageW(resourceModule(), MAKEINTRESOURCEW(aboutMaskBitmap), IMAGE_BITMAP, 0, 0, 0));
    return TRUE;
}

void drawBitmap(HDC target, HDC source, HBITMAP bitmap, const RECT& area, DWORD operation) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    HGDIOBJ previous = SelectObject(source, bitmap);
    BitBlt(target, area.left, area.top, info.bmWidth, info.bmHeight, source, 0, 0, operation);
    SelectObject(source, previous);
}

LRESULT onPaint(HWND dialog, UINT, WPARAM, LPARAM) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(dialog, &paint);
    HWND area = GetDlgItem(dialog, aboutPictureArea);
    if (about.image && about.mask && area) {
        RECT place{};
        GetWindowRect(area, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        HDC source = CreateCompatibleDC(target);
        drawBitmap(target, source, about.image, place, SRCINVERT);
        drawBitmap(target, source, about.mask, place, SRCAND);
        drawBitmap(target, source, about.image, place, SRCINVERT);
        DeleteDC(source);
    }
    EndPaint(dialog, &paint);
    return TRUE;
}

LRESULT onOk(HWND dialog, WPARAM, WORD, LPARAM) {
    EndDialog(dialog, IDOK);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}

constexpr CommandEntry aboutCommands[] = {
    {IDOK, onOk},
    {IDCANCEL, onOk},
};
constexpr CommandTable aboutCommandTable{aboutCommands, DefaultKind::ReturnZero};

LRESULT onCommand(HWND dialog, UINT, WPARAM wParam, LPARAM lParam) {
    return dispatchCommand(aboutCommandTable, dialog, wParam, lParam);
}

LRESULT onDestroy(HWND, UINT, WPARAM, LPARAM) {
    for (HBITMAP* bitmap : {&about.image, &about.mask}) {
        if (*bitmap) DeleteObject(*bitmap);
        *bitmap = nullptr;
    }
    return FALSE;
}

constexpr MessageEntry aboutMessages[] = {
    {WM_INITDIALOG, onInit}, {WM_PAINT, onPaint}, {WM_COMMAND, onCommand}, {WM_CLOSE, onClose}, {WM_DESTROY, onDestroy},
};
constexpr MessageTable aboutMessageTable{aboutMessages, DefaultKind::ReturnZero};

} // namespace

INT_PTR CALLBACK aboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return dispatchDialogMessage(aboutMessageTable, dialog, message, wParam, lParam);
}

void showAbout(HWND owner) { dialogBoxInLanguage(owner, aboutDialogId, aboutProcedure); }

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
