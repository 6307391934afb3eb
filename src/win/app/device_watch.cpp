// Device-removal notifications and the countdown dialog.
#include "app/device_watch.h"

#include "app/app_state.h"
#include "app/dialog_template.h"
#include "app/dispatch.h"
#include "app/strings_win.h"

#include <dbt.h>

#include <cstdint>
#include <string>

namespace qv::win {
namespace {

void showRemaining(HWND dialog, int seconds) {
    std::wstring text = loadString(IDS_COUNTDOWN_SECONDS);
    if (auto at = text.find(L"%d"); at != std::wstring::npos) text.replace(at, 2, std::to_wstring(seconds));
    SetDlgItemTextW(dialog, IDOK, text.c_str());
}

LRESULT onCountdownInit(HWND dialog, UINT, WPARAM, LPARAM) {
    SetWindowLongPtrW(dialog, DWLP_USER, countdownSeconds);
    showRemaining(dialog, countdownSeconds);
    SetTimer(dialog, countdownTimer, 1000, nullptr);
    return TRUE;
}

LRESULT onCountdownTimer(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (wParam != countdownTimer) return FALSE;
    const LONG_PTR remaining = GetWindowLongPtrW(dialog, DWLP_USER) - 1;
    SetWindowLongPtrW(dialog, DWLP_USER, remaining);
    if (remaining > 0) {
        showRemaining(dialog, static_cast<int>(remaining));
        return TRUE;
    }
    KillTimer(dialog, countdownTimer);
    EndDialog(dialog, IDOK);
    return TRUE;
}

LRESULT onCountdownCommand(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return FALSE;
    KillTimer(dialog, countdownTimer);
    EndDialog(dialog, IDOK);
    return TRUE;
}

constexpr MessageEntry countdownMessages[] = {
    {WM_INITDIALOG, onCountdownInit},
    {WM_TIMER, onCountdownTimer},
    {WM_COMMAND, onCountdownCommand},
};
constexpr MessageTable countdownTable{countdownMessages, DefaultKind::ReturnZero};

INT_PTR CALLBACK countdownProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return dispatchDialogMessage(countdownTable, dialog, message, wParam, lParam);
}

} // namespace

HDEVNOTIFY startDeviceWatch(HWND mainWindow) {
    const AppState& state = app();
    if (!state.driver.qvGetHwInfo) return nullptr;
    // The driver answers with a 32-bit value; Windows handles fit in 32 bits, sign-extended.
    const std::int32_t osHandle = state.driver.qvGetHwInfo(state.device, hwInfoOsHandle);
    if (osHandle == 0 || osHandle == -1) return nullptr;
    DEV_BROADCAST_HANDLE filter{};
    filter.dbch_size = sizeof(filter);
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(osHandle));
    return RegisterDeviceNotificationA(mainWindow, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void stopDeviceWatch(HDEVNOTIFY registration) {
    if (registration) UnregisterDeviceNotification(registration);
}

LRESULT onDeviceChange(HWND mainWindow, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    const bool watchedEvent = wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE;
    if (!watchedEvent || !header || header->dbch_devicetype != DBT_DEVTYP_HANDLE)
        return DefWindowProcA(mainWindow, message, wParam, lParam);
    if (app().driver.qvSetHwInfo) app().driver.qvSetHwInfo(0, hwInfoDeviceRemoved, 1);
    showDisconnectCountdown(mainWindow);
    // The first close ends an open tool, the second the main window.
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
    return TRUE;
}

void showDisconnectCountdown(HWND owner) { dialogBoxInLanguage(owner, IDD_DISCONNECT, countdownProcedure); }

} // namespace qv::win
