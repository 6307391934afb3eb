// About box: product title, version and the maker's notice over a picture drawn transparently
// (image XOR, mask AND, image XOR: where the mask is white the background shows through).
#include "app/about.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "app/strings_win.h"
#include "resource.h"
#include "support/text_fill.h"

namespace qv::win {
namespace {

struct AboutState {
    HBITMAP image = nullptr;
    HBITMAP mask = nullptr;
} about;

HBITMAP loadBitmap(int id) {
    return static_cast<HBITMAP>(LoadImageW(resourceModule(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
}

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    centreWindow(dialog, GetDesktopWindow());
    std::wstring version = fillMarkers(loadString(Msg::AboutVersion), {fromUtf8(app().versionText)});
    // A build whose updater trusts the test key (anyone can sign for it) must not pass for a release.
    if (app().updateTrust == UpdateTrust::Test) version += L" " + loadString(Msg::UpdateTestKeyBuild);
    setFieldText(dialog, IDC_ABOUT_VERSION, version);
    about.image = loadBitmap(IDB_ABOUT_IMAGE);
    about.mask = loadBitmap(IDB_ABOUT_MASK);
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
    HWND area = GetDlgItem(dialog, IDC_ABOUT_PICTURE);
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

LRESULT onDestroy(HWND, UINT, WPARAM, LPARAM) {
    for (HBITMAP* bitmap : {&about.image, &about.mask}) {
        if (*bitmap) DeleteObject(*bitmap);
        *bitmap = nullptr;
    }
    return FALSE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit},
    {WM_PAINT, onPaint},
    {WM_CLOSE, endDialogOn<IDCANCEL>},
    {WM_DESTROY, onDestroy},
};
constexpr CommandEntry commands[] = {
    {IDOK, endDialogWith<IDOK>},
    {IDCANCEL, endDialogWith<IDOK>},
};
constexpr MessageTable table{.messages = messages, .commands = commands};

} // namespace

const DialogDefinition aboutDialog{IDD_ABOUT, dialogProcedure<table>};

void showAbout(HWND owner) { dialogBoxInLanguage(owner, aboutDialog); }

} // namespace qv::win
