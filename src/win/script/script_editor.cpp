// The script tool's window. The text and the caret's rules are core's (script/script_text); here
// they are drawn with the system's fixed font, the caret is placed, and the forwarded keys and
// characters are turned into the core's keys. The toolbar's buttons have no commands: they show
// their pressed look and change nothing else.
#include "script/script_editor.h"

#include "app/app_state.h"
#include "app/controls.h"
#include "app/dispatch.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/tool_registry.h"
#include "resource.h"
#include "script/script_text.h"
#include "support/file_io.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <new>

namespace qv::win {
namespace {

// The Delete key reaches the text as character 0x2E with this marker, as the tool asks for it.
constexpr LPARAM deleteMarker = 9999;
constexpr WPARAM deleteCharacter = 0x2E;
constexpr int leftMargin = 2;
constexpr int statusParts[] = {160, 220, -1}; // "Ln, Col", the edit mode, the rest
constexpr int toolbarIconSize = 16;

struct ToolbarButton {
    int id;
    int icon;
};
constexpr ToolbarButton buttons[] = {
    {ID_WAVE_NEW, IDI_TB_NEW},
    {ID_WAVE_OPEN, IDI_TB_OPEN},
    {ID_WAVE_SAVE, IDI_TB_SAVE},
    {ID_WAVE_PRINT, IDI_TB_PRINT},
    {ID_WAVE_CUT, IDI_TB_CUT},
    {ID_WAVE_COPY, IDI_TB_COPY},
    {ID_WAVE_PASTE, IDI_TB_PASTE},
    {ID_SCRIPT_SYNTAX_CHECK, IDI_TB_SYNTAX},
    {ID_WAVE_RUN, IDI_TB_RUN},
    {ID_WAVE_STOP_RUN, IDI_TB_STOP},
    {ID_WAVE_SET_PARAMETER, IDI_TB_PARAMETER},
    {ID_WAVE_HELP, IDI_TB_HELP},
};
constexpr Msg listEntries[] = {Msg::ScriptListEntry1, Msg::ScriptListEntry2, Msg::ScriptListEntry3,
                               Msg::ScriptListEntry4, Msg::ScriptListEntry5, Msg::ScriptListEntry6};

struct ScriptState {
    HWND dialog = nullptr;
    HWND mainWindow = nullptr;
    HWND statusBar = nullptr;
    ScriptText text;
    ScriptCaret caret;
    bool insertMode = true;
    int listHeight = defaultScriptListHeight;
    HFONT font = nullptr;
    int charWidth = 8;
    int lineHeight = 16;
    RECT textArea{};
    HICON icons[std::size(buttons)] = {};
    wchar_t pendingHighSurrogate = 0; // the first half of a character typed as two UTF-16 units
};
std::unique_ptr<ScriptState> state;

std::string workFile(const char* name) { return joinPath(app().workDirectory, name); }

ScriptViewSize viewSize() {
    const RECT& area = state->textArea;
    return {std::max(static_cast<int>((area.bottom - area.top) / state->lineHeight), 1),
            std::max(static_cast<int>((area.right - area.left - leftMargin) / state->charWidth), 1)};
}

void setStatus(int part, const std::wstring& text) {
    SendMessageW(state->statusBar, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text.c_str()));
}

void showEditMode() { setStatus(1, loadString(state->insertMode ? Msg::EditModeInsert : Msg::EditModeOverwrite)); }

// The caret at its column and line, and "Ln %d, Col %d" in the status line.
void showCaret() {
    const ScriptCaret& caret = state->caret;
    SetCaretPos(state->textArea.left + leftMargin + caret.column * state->charWidth,
                state->textArea.top + caret.caretLine * state->lineHeight);
    wchar_t position[64];
    std::swprintf(position, std::size(position), loadString(Msg::ScriptCaretPosition).c_str(), caret.line() + 1,
                  caret.textColumn() + 1);
    setStatus(0, position);
}

void redrawText() { InvalidateRect(state->dialog, &state->textArea, TRUE); }

void measureFont(HWND dialog) {
    for (int font : {SYSTEM_FIXED_FONT, OEM_FIXED_FONT, ANSI_FIXED_FONT}) {
        state->font = static_cast<HFONT>(GetStockObject(font));
        if (state->font) break;
    }
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, state->font);
    SIZE size{};
    if (GetTextExtentPoint32A(dc, "A", 1, &size) && size.cx > 0 && size.cy > 0) {
        state->charWidth = size.cx;
        state->lineHeight = size.cy;
    }
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
}

void layout(HWND dialog, int width, int height) {
    SendMessageW(state->statusBar, WM_SIZE, 0, 0);
    RECT status{}, button{};
    GetWindowRect(state->statusBar, &status);
    GetWindowRect(GetDlgItem(dialog, ID_WAVE_NEW), &button);
    const int statusHeight = status.bottom - status.top;
    const int top = (button.bottom - button.top) + 2;
    const int scrollHeight = GetSystemMetrics(SM_CYHSCROLL), scrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    const int listTop = std::max(height - statusHeight - state->listHeight, top);
    HWND list = GetDlgItem(dialog, IDC_SCRIPT_LIST);
    ShowWindow(list, state->listHeight > 0 ? SW_SHOW : SW_HIDE);
    MoveWindow(list, 0, listTop, width, height - statusHeight - listTop, TRUE);
    const int textBottom = std::max(listTop - scrollHeight, top);
    MoveWindow(GetDlgItem(dialog, IDC_SCRIPT_HSCROLL), 0, textBottom, width - scrollWidth, scrollHeight, TRUE);
    MoveWindow(GetDlgItem(dialog, IDC_SCRIPT_VSCROLL), width - scrollWidth, top, scrollWidth, textBottom - top, TRUE);
    state->textArea = {0, top, width - scrollWidth, textBottom};
    redrawText();
    showCaret();
}

// ---- messages -------------------------------------------------------------------------------------

LRESULT onInit(HWND dialog, UINT, WPARAM, LPARAM) {
    state->dialog = dialog;
    state->mainWindow = GetParent(dialog);
    state->statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, dialog,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SCRIPT_STATUS)),
                                       reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr);
    SendMessageW(state->statusBar, SB_SETPARTS, std::size(statusParts), reinterpret_cast<LPARAM>(statusParts));
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        scaleToolbarButton(dialog, buttons[i].id);
        state->icons[i] = static_cast<HICON>(LoadImageW(resourceModule(), MAKEINTRESOURCEW(buttons[i].icon), IMAGE_ICON,
                                                        toolbarIconSize, toolbarIconSize, 0));
    }
    createToolTips(dialog,
                   {ID_WAVE_NEW, ID_WAVE_OPEN, ID_WAVE_SAVE, ID_WAVE_PRINT, ID_WAVE_CUT, ID_WAVE_COPY, ID_WAVE_PASTE,
                    ID_SCRIPT_SYNTAX_CHECK, ID_WAVE_RUN, ID_WAVE_STOP_RUN, ID_WAVE_SET_PARAMETER, ID_WAVE_HELP});
    state->listHeight = readScriptListHeight(workFile(scriptVariablesFileName));
    state->text = ScriptText(readScheduleText(workFile(scheduleFileName)));
    for (Msg entry : listEntries)
        SendDlgItemMessageW(dialog, IDC_SCRIPT_LIST, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(loadString(entry).c_str()));
    measureFont(dialog);
    CreateCaret(dialog, nullptr, 2, state->lineHeight);
    ShowCaret(dialog);
    showEditMode();
    RECT client{};
    GetClientRect(dialog, &client);
    layout(dialog, client.right, client.bottom);
    return TRUE;
}

LRESULT onClose(HWND dialog, UINT, WPARAM, LPARAM) {
    DestroyCaret();
    writeScriptListHeight(workFile(scriptVariablesFileName), state->listHeight);
    writePlacement(*placementStore(), app().keyPath(ModuleKey::Script), windowPlacement(state->mainWindow));
    const HWND mainWindow = state->mainWindow;
    closeFunctionDialog(mainWindow);
    DestroyWindow(dialog);
    return TRUE;
}

LRESULT onDestroy(HWND, UINT, WPARAM, LPARAM) {
    if (state)
        for (HICON icon : state->icons)
            if (icon) DestroyIcon(icon);
    state.reset();
    return FALSE;
}

LRESULT onSize(HWND dialog, UINT, WPARAM, LPARAM lParam) {
    if (state && state->statusBar) layout(dialog, LOWORD(lParam), HIWORD(lParam));
    return TRUE;
}

LRESULT onPaint(HWND dialog, UINT, WPARAM, LPARAM) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(dialog, &paint);
    const RECT& area = state->textArea;
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ old = SelectObject(dc, state->font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const auto& lines = state->text.lines();
    const int shift = state->caret.scrollColumn * state->charWidth;
    int y = area.top;
    for (std::size_t line = static_cast<std::size_t>(state->caret.topLine); line < lines.size() && y < area.bottom;
         ++line, y += state->lineHeight) {
        RECT row{area.left + leftMargin - shift, y, area.right, y + state->lineHeight};
        DrawTextA(dc, lines[line].c_str(), static_cast<int>(lines[line].size()), &row,
                  DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
    }
    SelectObject(dc, old);
    EndPaint(dialog, &paint);
    return TRUE;
}

LRESULT onDrawItem(HWND, UINT, WPARAM, LPARAM lParam) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    for (std::size_t i = 0; i < std::size(buttons); ++i)
        if (buttons[i].id == static_cast<int>(item.CtlID)) drawToolbarButton(item, state->icons[i]);
    return TRUE;
}

LRESULT onLeftDown(HWND, UINT, WPARAM, LPARAM lParam) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (!PtInRect(&state->textArea, point)) return TRUE;
    ScriptCaret& caret = state->caret;
    const int row = static_cast<int>(point.y - state->textArea.top) / state->lineHeight;
    const int line = std::min(caret.topLine + row, state->text.lineCount() - 1);
    const int length = static_cast<int>(state->text.lines()[static_cast<std::size_t>(line)].size());
    const int x = static_cast<int>(point.x - state->textArea.left) - leftMargin + state->charWidth / 2;
    const int column = std::min(caret.scrollColumn + x / state->charWidth, length);
    placeScriptCaret(caret, line, std::max(column, 0), viewSize());
    showCaret();
    SetFocus(state->mainWindow);
    return TRUE;
}

void applied(const ScriptKeyOutcome& outcome, const ScriptCaret& before) {
    if (outcome.beep) MessageBeep(MB_OK);
    if (outcome.toggleInsert) {
        state->insertMode = !state->insertMode;
        showEditMode();
    }
    if (outcome.changed || before.topLine != state->caret.topLine || before.scrollColumn != state->caret.scrollColumn)
        redrawText();
    showCaret();
}

ScriptKey scriptKeyOf(WPARAM key) {
    switch (key) {
    case VK_TAB: return ScriptKey::Tab;
    case VK_PRIOR: return ScriptKey::PageUp;
    case VK_NEXT: return ScriptKey::PageDown;
    case VK_HOME: return ScriptKey::Home;
    case VK_END: return ScriptKey::End;
    case VK_LEFT: return ScriptKey::Left;
    case VK_RIGHT: return ScriptKey::Right;
    case VK_UP: return ScriptKey::Up;
    case VK_DOWN: return ScriptKey::Down;
    case VK_INSERT: return ScriptKey::Insert;
    default: return ScriptKey::Other;
    }
}

LRESULT onKeyDown(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (wParam == VK_DELETE) {
        PostMessageW(dialog, toolChar, deleteCharacter, deleteMarker);
        return TRUE;
    }
    const ScriptCaret before = state->caret;
    applied(applyScriptKey(state->text, state->caret, scriptKeyOf(wParam), GetKeyState(VK_CONTROL) < 0, viewSize()),
            before);
    return TRUE;
}

// A typed character (a UTF-16 unit: the main window is a Unicode window) in the document's code
// page, the ANSI code page its text is read, drawn and stored in: one byte, or a lead and a trail
// byte for a double-byte character; a character the code page lacks becomes its default character.
// The first half of a surrogate pair waits for the second.
std::string typedBytes(wchar_t unit) {
    if (unit < 0x80) return std::string(1, static_cast<char>(unit));
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        state->pendingHighSurrogate = unit;
        return {};
    }
    wchar_t units[2] = {unit, 0};
    int count = 1;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (!state->pendingHighSurrogate) return {};
        units[0] = state->pendingHighSurrogate;
        units[1] = unit;
        count = 2;
    }
    state->pendingHighSurrogate = 0;
    char bytes[8] = {};
    const int length = WideCharToMultiByte(CP_ACP, 0, units, count, bytes, sizeof bytes, nullptr, nullptr);
    return std::string(bytes, static_cast<std::size_t>(std::max(length, 0)));
}

LRESULT onCharacter(HWND, UINT, WPARAM wParam, LPARAM lParam) {
    const ScriptCaret before = state->caret;
    if (wParam == deleteCharacter && lParam == deleteMarker) {
        applied(applyScriptKey(state->text, state->caret, ScriptKey::Delete, false, viewSize()), before);
        return TRUE;
    }
    if (GetKeyState(VK_CONTROL) < 0) return TRUE;
    const std::string bytes = typedBytes(static_cast<wchar_t>(wParam));
    if (bytes.empty()) return TRUE;
    // A double-byte character goes in whole or not at all.
    if (bytes.size() > 1 && state->insertMode && state->text.bufferBytes() + bytes.size() > scriptBufferBytes) {
        MessageBeep(MB_OK);
        return TRUE;
    }
    ScriptKeyOutcome outcome;
    for (char byte : bytes) {
        const ScriptKeyOutcome step =
            applyScriptCharacter(state->text, state->caret, byte, state->insertMode, viewSize());
        outcome.changed = outcome.changed || step.changed;
        outcome.beep = outcome.beep || step.beep;
    }
    applied(outcome, before);
    return TRUE;
}

constexpr MessageEntry messages[] = {
    {WM_INITDIALOG, onInit}, {WM_CLOSE, onClose},        {WM_DESTROY, onDestroy},      {WM_SIZE, onSize},
    {WM_PAINT, onPaint},     {WM_DRAWITEM, onDrawItem},  {WM_LBUTTONDOWN, onLeftDown}, {toolKeyDown, onKeyDown},
    {toolChar, onCharacter}, {toolKeyUp, ignoreMessage}, {WM_VSCROLL, ignoreMessage},
};
constexpr CommandEntry commands[] = {{IDOK, ignoreCommand}, {IDCANCEL, ignoreCommand}};
constexpr MessageTable table{messages, commands};

} // namespace

const DialogDefinition scriptEditorDialog{IDD_SCRIPT, dialogProcedure<table>};

void openScriptEditor(HWND mainWindow, int, LPARAM parameter) {
    if (app().openDialog) return;
    try {
        state = std::make_unique<ScriptState>();
    } catch (const std::bad_alloc&) {
        messageBox(mainWindow, Msg::MemoryNotEnough, MB_OK | MB_ICONERROR);
        return;
    }
    HWND dialog = openFunctionDialog(mainWindow, scriptEditorDialog, parameter);
    if (!dialog) {
        state.reset();
        return;
    }
    Placement placement;
    if (!readPlacement(*placementStore(), app().keyPath(ModuleKey::Script), placement)) {
        placement = Placement{};
        placement.right -= 1;
        placement.bottom -= 1;
    }
    applyPlacement(mainWindow, placement);
    RECT client{};
    GetClientRect(mainWindow, &client);
    MoveWindow(dialog, 0, 0, client.right, client.bottom, TRUE);
    SetFocus(mainWindow);
}

HWND scriptEditorWindow() { return state ? state->dialog : nullptr; }
std::string scriptEditorText() { return state ? state->text.text() : std::string{}; }

std::wstring scriptEditorStatus(int part) {
    if (!state) return {};
    wchar_t text[128] = {};
    SendMessageW(state->statusBar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return text;
}

} // namespace qv::win
