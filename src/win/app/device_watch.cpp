// Device-removal notifications and the countdown dialog.
#include "app/device_watch.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/strings_win.h"
#include "support/text_fill.h"

#include "resource.h"

#include <dbt.h>

#include <cstdint>
#include <string>

namespace qv::win {
namespace {

void showRemaining(HWND dialog, int seconds) {
    setFieldText(dialog, IDOK, fillMarkers(loadString(Msg::CountdownSeconds), {std::to_wstring(seconds)}));
}

void endCountdown(HWND dialog) {
    KillTimer(dialog, countdownTimer);
    EndDialog(dialog, IDOK);
}

LRESULT onCountdownInit(HWND dialog, UINT, WPARAM, LPARAM) {
    SetWindowLongPtrW(dialog, DWLP_USER, countdownSeconds);
    showRemaining(dialog, countdownSeconds);
    SetTimer(dialog, countdownTimer, countdownTickMilliseconds, nullptr);
    return TRUE;
}

LRESULT onCountdownTimer(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (wParam != countdownTimer) return FALSE;
    const LONG_PTR remaining = GetWindowLongPtrW(dialog, DWLP_USER) - 1;
    SetWindowLongPtrW(dialog, DWLP_USER, remaining);
    if (remaining > 0)
        showRemaining(dialog, static_cast<int>(remaining));
    else
        endCountdown(dialog);
    return TRUE;
}

LRESULT onCountdownButton(HWND dialog, const Command&) {
    endCountdown(dialog);
    return TRUE;
}

constexpr MessageEntry countdownMessages[] = {
    {WM_INITDIALOG, onCountdownInit},
    {WM_TIMER, onCountdownTimer},
};
// Only the button ends the countdown: IDCANCEL (Esc) has no entry.
constexpr CommandEntry countdownCommands[] = {{IDOK, onCountdownButton}};
constexpr MessageTable countdownTable{.messages = countdownMessages, .commands = countdownCommands};

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

const DialogDefinition countdownDialog{IDD_DISCONNECT, dialogProcedure<countdownTable>};

void showDisconnectCountdown(HWND owner) { dialogBoxInLanguage(owner, countdownDialog); }

} // namespace qv::win
