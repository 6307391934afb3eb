// Table dispatch shared by every window and dialog procedure.
#include "app/dispatch.h"

#include <algorithm>

namespace qv::win {

LRESULT callDefault(DefaultKind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (kind) {
    case DefaultKind::DefWindow: return DefWindowProcA(window, message, wParam, lParam);
    case DefaultKind::DefDialog: return DefDlgProcA(window, message, wParam, lParam);
    case DefaultKind::DefMdiChild: return DefMDIChildProcA(window, message, wParam, lParam);
    case DefaultKind::DefFrame: return DefFrameProcA(window, nullptr, message, wParam, lParam);
    case DefaultKind::ReturnZero:
    default: return 0;
    }
}

LRESULT dispatchMessage(const MessageTable& table, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = std::find_if(table.entries.begin(), table.entries.end(),
                           [message](const MessageEntry& e) { return e.message == message; });
    if (it != table.entries.end()) return it->handler(window, message, wParam, lParam);
    return callDefault(table.defaultKind, window, message, wParam, lParam);
}

LRESULT dispatchCommand(const CommandTable& table, HWND window, WPARAM wParam, LPARAM lParam) {
    const WORD id = LOWORD(wParam);
    auto it =
        std::find_if(table.entries.begin(), table.entries.end(), [id](const CommandEntry& e) { return e.id == id; });
    if (it != table.entries.end()) return it->handler(window, wParam, HIWORD(wParam), lParam);
    return callDefault(table.defaultKind, window, WM_COMMAND, wParam, lParam);
}

INT_PTR dispatchDialogMessage(const MessageTable& table, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // A dialog handler returns "handled or not" (TRUE/FALSE, or a brush for WM_CTLCOLOR*); a
    // handler that has a message result to give sets it with SetDlgMsgResult itself.
    return static_cast<INT_PTR>(dispatchMessage(table, dialog, message, wParam, lParam));
}

} // namespace qv::win
