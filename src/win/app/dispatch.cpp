// Table dispatch shared by every window and dialog procedure.
#include "app/dispatch.h"

#include "app/message_box.h"

#include <algorithm>
#include <new>

namespace qv::win {

LRESULT callDefault(DefaultKind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (kind) {
    case DefaultKind::DefWindow: return DefWindowProcA(window, message, wParam, lParam);
    case DefaultKind::DefWindowWide: return DefWindowProcW(window, message, wParam, lParam);
    case DefaultKind::DefDialog: return DefDlgProcA(window, message, wParam, lParam);
    case DefaultKind::DefMdiChild: return DefMDIChildProcA(window, message, wParam, lParam);
    case DefaultKind::DefFrame: return DefFrameProcA(window, nullptr, message, wParam, lParam);
    case DefaultKind::ReturnZero:
    default: return 0;
    }
}

LRESULT dispatchMessage(const MessageTable& table, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) return dispatchCommand(table, window, wParam, lParam);
    if (message == WM_NOTIFY) return dispatchNotify(table, window, wParam, lParam);
    auto it = std::find_if(table.messages.begin(), table.messages.end(),
                           [message](const MessageEntry& e) { return e.message == message; });
    if (it != table.messages.end()) return it->handler(window, message, wParam, lParam);
    return callDefault(table.defaultKind, window, message, wParam, lParam);
}

Command unpackCommand(WPARAM wParam, LPARAM lParam) {
    return {LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)};
}

LRESULT dispatchCommand(const MessageTable& table, HWND window, WPARAM wParam, LPARAM lParam) {
    const Command command = unpackCommand(wParam, lParam);
    auto it = std::find_if(table.commands.begin(), table.commands.end(), [&command](const CommandEntry& e) {
        return e.id == command.id && (e.code == anyCode || e.code == command.code);
    });
    if (it == table.commands.end()) return callDefault(table.defaultKind, window, WM_COMMAND, wParam, lParam);
    // A command that runs out of memory (a large file read, a long text put into a control) says
    // so and leaves the window usable; nothing may be thrown through a window procedure.
    try {
        return it->handler(window, command);
    } catch (const std::bad_alloc&) {
        messageBox(window, Msg::MemoryNotEnough, MB_OK | MB_ICONERROR);
        return TRUE;
    }
}

LRESULT dispatchNotify(const MessageTable& table, HWND window, WPARAM wParam, LPARAM lParam) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header) {
        auto it = std::find_if(table.notifications.begin(), table.notifications.end(), [header](const NotifyEntry& e) {
            return e.control == header->idFrom && e.code == header->code;
        });
        if (it != table.notifications.end()) return it->handler(window, *header);
    }
    return callDefault(table.defaultKind, window, WM_NOTIFY, wParam, lParam);
}

LRESULT postClose(HWND window, const Command&) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

LRESULT repaintOnSize(HWND dialog, UINT, WPARAM, LPARAM) {
    InvalidateRect(dialog, nullptr, TRUE);
    UpdateWindow(dialog);
    return TRUE;
}

} // namespace qv::win
