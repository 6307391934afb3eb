// Message-table and command-table dispatch: every window and dialog procedure of the program hands
// its message to dispatchMessage with its static table; WM_COMMAND goes on to dispatchCommand.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

namespace qv::win {

// What a table does with a message it has no entry for.
enum class DefaultKind : int {
    ReturnZero = 0, // dialogs: the dialog manager treats the message as unhandled
    DefWindow = 1, // DefWindowProcA (main window)
    DefDialog = 2, // DefDlgProcA
    DefMdiChild = 3, // DefMDIChildProcA
    DefFrame = 4, // DefFrameProcA without an MDI client
};

using MessageHandler = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
using CommandHandler = LRESULT (*)(HWND window, WPARAM wParam, WORD notification, LPARAM control);

struct MessageEntry {
    UINT message;
    MessageHandler handler;
};

struct CommandEntry {
    WORD id;
    CommandHandler handler;
};

struct MessageTable {
    std::span<const MessageEntry> entries;
    DefaultKind defaultKind;
};

struct CommandTable {
    std::span<const CommandEntry> entries;
    DefaultKind defaultKind;
};

LRESULT callDefault(DefaultKind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT dispatchMessage(const MessageTable& table, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT dispatchCommand(const CommandTable& table, HWND window, WPARAM wParam, LPARAM lParam);

// For a dialog procedure (tables of default kind 0): the handler's result is "handled or not".
INT_PTR dispatchDialogMessage(const MessageTable& table, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace qv::win
