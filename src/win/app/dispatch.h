// Message tables: the one way the program's windows and dialogs handle messages. A table lists its
// messages, its commands (WM_COMMAND, unpacked once into id, notification code and control) and
// its notifications (WM_NOTIFY, by control id and code); what it does not list goes to its default.
// windowProcedure<table> and dialogProcedure<table> are the only window and dialog procedures, so a
// dialog is a template, a table and its handlers. Handlers of a dialog return "handled or not"; a
// dialog handler with a result to give sets it with setDialogResult.
#pragma once

#include <windows.h>

#include <span>

namespace qv::win {

// What a table does with a message it has no entry for.
enum class DefaultKind : int {
    ReturnZero = 0, // dialogs: the dialog manager treats the message as unhandled
    DefWindow = 1, // DefWindowProcA (main window)
    DefDialog = 2, // DefDlgProcA
    DefMdiChild = 3, // DefMDIChildProcA
    DefFrame = 4, // DefFrameProcA without an MDI client
    DefWindowWide = 5, // DefWindowProcW: the main window, a Unicode window so its title keeps Chinese texts
};

// WM_COMMAND unpacked.
struct Command {
    WORD id;
    WORD code; // notification code: BN_CLICKED, EN_CHANGE ...; 0 from a menu, 1 from an accelerator
    HWND control; // nullptr from a menu or an accelerator
};

using MessageHandler = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
using CommandHandler = LRESULT (*)(HWND window, const Command& command);
using NotifyHandler = LRESULT (*)(HWND window, NMHDR& header);

// A command entry serves every notification code of its id unless it names one.
inline constexpr int anyCode = -1;

struct MessageEntry {
    UINT message;
    MessageHandler handler;
};

struct CommandEntry {
    WORD id;
    CommandHandler handler;
    int code = anyCode;
};

struct NotifyEntry {
    UINT_PTR control;
    UINT code;
    NotifyHandler handler;
};

struct MessageTable {
    std::span<const MessageEntry> messages;
    std::span<const CommandEntry> commands = {};
    std::span<const NotifyEntry> notifications = {};
    DefaultKind defaultKind = DefaultKind::ReturnZero;
};

LRESULT callDefault(DefaultKind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT dispatchMessage(const MessageTable& table, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT dispatchCommand(const MessageTable& table, HWND window, WPARAM wParam, LPARAM lParam);
LRESULT dispatchNotify(const MessageTable& table, HWND window, WPARAM wParam, LPARAM lParam);
Command unpackCommand(WPARAM wParam, LPARAM lParam);

template <const MessageTable& table>
LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return dispatchMessage(table, window, message, wParam, lParam);
}

template <const MessageTable& table>
INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return static_cast<INT_PTR>(dispatchMessage(table, dialog, message, wParam, lParam));
}

// The message result of a dialog (a notification's answer, for one): DWLP_MSGRESULT, and "handled".
inline LRESULT setDialogResult(HWND dialog, LRESULT result) {
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

// Ready handlers: end the dialog with a result (from a command or from a message such as
// WM_CLOSE), or post WM_CLOSE to the window so that its close handler runs.
template <INT_PTR result> LRESULT endDialogWith(HWND dialog, const Command&) {
    EndDialog(dialog, result);
    return TRUE;
}
template <INT_PTR result> LRESULT endDialogOn(HWND dialog, UINT, WPARAM, LPARAM) {
    EndDialog(dialog, result);
    return TRUE;
}
LRESULT postClose(HWND window, const Command& command);
// A message or command the window takes and does nothing with (so no default handling runs).
inline LRESULT ignoreMessage(HWND, UINT, WPARAM, LPARAM) { return TRUE; }
inline LRESULT ignoreCommand(HWND, const Command&) { return TRUE; }
// WM_SIZE of a dialog whose controls stay where its template put them: repaint it whole.
LRESULT repaintOnSize(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace qv::win
