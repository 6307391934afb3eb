// The list box of the list-based generators: the lines live in the list box only; every edit reads
// them out, changes them through core's entry rules and writes them back.
#include "generators/list_editor.h"

#include "app/controls.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "generators/generator_dialog.h"
#include "generators/text_transfer.h"

#include <commctrl.h>

#include <algorithm>

namespace qv::win {
namespace {

LRESULT listMessage(HWND dialog, const ListControls& c, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(dialog, c.list, message, wParam, lParam);
}

// Long lines scroll sideways: the horizontal extent follows the widest line.
void widenList(HWND dialog, const ListControls& c, const std::vector<std::wstring>& texts) {
    HWND list = GetDlgItem(dialog, c.list);
    HDC dc = GetDC(list);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const std::wstring& text : texts) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max(widest, size.cx);
    }
    SelectObject(dc, previous);
    ReleaseDC(list, dc);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
}

std::wstring viewCell(HWND view, int row, int column) {
    std::wstring text(512, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto length = static_cast<std::size_t>(
            SendMessageW(view, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(text.size() * 2);
    }
}

std::vector<std::string> viewLines(HWND dialog, const ListControls& c) {
    HWND view = GetDlgItem(dialog, c.list);
    const int count = static_cast<int>(SendMessageW(view, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::string> lines;
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < c.columns; ++column) cells.push_back(toAnsi(viewCell(view, row, column)));
        lines.push_back(gen::cellsLine(cells));
    }
    return lines;
}

void setViewLines(HWND dialog, const ListControls& c, const std::vector<std::string>& lines, int select) {
    HWND view = GetDlgItem(dialog, c.list);
    SendMessageW(view, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < lines.size(); ++row) {
        const std::vector<std::string> cells =
            c.splitCells ? c.splitCells(lines[row]) : gen::lineCells(lines[row], c.columns);
        for (int column = 0; column < c.columns && column < static_cast<int>(cells.size()); ++column) {
            std::wstring text = fromAnsi(cells[static_cast<std::size_t>(column)]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(row);
            item.iSubItem = column;
            item.pszText = text.data();
            if (column == 0)
                SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            else
                SendMessageW(view, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        }
    }
    if (select >= 0) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(view, LVM_SETITEMSTATE, static_cast<WPARAM>(select), reinterpret_cast<LPARAM>(&state));
        SendMessageW(view, LVM_ENSUREVISIBLE, static_cast<WPARAM>(select), FALSE);
    }
}

} // namespace

void setUpListColumns(HWND dialog, const ListControls& c, std::initializer_list<ListColumn> columns) {
    HWND view = GetDlgItem(dialog, c.list);
    SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const ListColumn& column : columns) {
        std::wstring text = loadString(column.title);
        LVCOLUMNW heading{};
        heading.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        heading.cx = column.width;
        heading.pszText = text.data();
        heading.iSubItem = index;
        SendMessageW(view, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&heading));
        ++index;
    }
}

std::vector<std::string> listLines(HWND dialog, const ListControls& c) {
    if (c.columns > 0) return viewLines(dialog, c);
    const int count = static_cast<int>(listMessage(dialog, c, LB_GETCOUNT));
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        const LRESULT length = listMessage(dialog, c, LB_GETTEXTLEN, static_cast<WPARAM>(i));
        if (length == LB_ERR) continue;
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        listMessage(dialog, c, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        lines.push_back(toAnsi(text));
    }
    return lines;
}

void setListLines(HWND dialog, const ListControls& c, const std::vector<std::string>& lines, int select) {
    if (c.columns > 0) {
        setViewLines(dialog, c, lines, select);
        updateListButtons(dialog, c);
        return;
    }
    listMessage(dialog, c, LB_RESETCONTENT);
    std::vector<std::wstring> texts;
    for (const std::string& line : lines) {
        texts.push_back(fromAnsi(line));
        listMessage(dialog, c, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts.back().c_str()));
    }
    widenList(dialog, c, texts);
    listMessage(dialog, c, LB_SETCURSEL, static_cast<WPARAM>(select));
    updateListButtons(dialog, c);
}

void selectListLine(HWND dialog, const ListControls& c, int index) {
    if (c.columns == 0) {
        listMessage(dialog, c, LB_SETCURSEL, static_cast<WPARAM>(index));
    } else {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        listMessage(dialog, c, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        if (index >= 0)
            listMessage(dialog, c, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
    updateListButtons(dialog, c);
}

int listSelection(HWND dialog, const ListControls& c) {
    if (c.columns > 0)
        return static_cast<int>(
            SendDlgItemMessageW(dialog, c.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    const LRESULT selected = listMessage(dialog, c, LB_GETCURSEL);
    return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

std::vector<std::string> selectedEntry(HWND dialog, const ListControls& c) {
    const std::vector<std::string> lines = listLines(dialog, c);
    const gen::ListEntry entry = gen::entryAt(lines, listSelection(dialog, c), c.continues);
    return {lines.begin() + entry.first, lines.begin() + entry.first + entry.count};
}

void updateListButtons(HWND dialog, const ListControls& c) {
    enableControls(dialog, {c.insert, c.modify, c.remove}, listSelection(dialog, c) >= 0);
}

void placeListEntry(HWND dialog, const ListControls& c, const std::vector<std::string>& entry,
                    gen::ListPlacement placement) {
    std::vector<std::string> lines = listLines(dialog, c);
    const int at = gen::placeEntry(lines, entry, placement, listSelection(dialog, c), c.continues);
    setListLines(dialog, c, lines, at);
}

void deleteListEntry(HWND dialog, const ListControls& c) {
    std::vector<std::string> lines = listLines(dialog, c);
    const int next = gen::deleteEntry(lines, listSelection(dialog, c), c.continues);
    setListLines(dialog, c, lines, next);
}

bool exportList(HWND dialog, const ListControls& c) {
    return exportDataText(dialog, c.fileField, gen::listExportText(listLines(dialog, c)));
}

bool importList(HWND dialog, const ListControls& c, const ListReader& read) {
    std::string text;
    if (!importDataText(dialog, c.fileField, text)) return false;
    const std::vector<std::string> lines = gen::splitListText(text);
    if (const gen::ListProblem problem = read(lines); problem.line > 0) {
        messageBox(dialog, Msg::ListLineUnreadable, MB_ICONERROR | MB_OK, Msg::Caption,
                   fromAnsi(gen::listProblemText(problem, lines)));
        return false;
    }
    setListLines(dialog, c, lines);
    return true;
}

} // namespace qv::win
