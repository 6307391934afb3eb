// The converters' signal list and Browse.
#include "converters/signal_list_view.h"

#include "app/controls.h"
#include "app/strings_win.h"
#include "generators/generator_dialog.h"
#include "support/channel_list.h"
#include "waveedit/waveform_file_dialogs.h"

#include <commctrl.h>

namespace qv::win {
namespace {

// The Channel cell of the command field: a format token, the same in every language.
constexpr char commandFieldCell[] = "QVF";

void insertColumn(HWND list, int index, Msg title, int width) {
    std::wstring text = loadString(title);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

} // namespace

void setUpSignalList(HWND dialog, int list, int labelWidth, int channelWidth) {
    HWND view = GetDlgItem(dialog, list);
    SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    insertColumn(view, 0, Msg::ImportLabelColumn, labelWidth);
    insertColumn(view, 1, Msg::ImportChannelColumn, channelWidth);
}

void fillSignalList(HWND dialog, int list, const std::vector<textvector::Signal>& signals) {
    HWND view = GetDlgItem(dialog, list);
    SendMessageW(view, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (const textvector::Signal& signal : signals) {
        std::wstring name = fromUtf8(signal.name);
        std::wstring channels =
            fromUtf8(signal.commandField ? std::string(commandFieldCell) : channelListText(signal.channels));
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = name.data();
        SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        item.iSubItem = 1;
        item.pszText = channels.data();
        SendMessageW(view, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        ++row;
    }
}

bool browseForFile(HWND dialog, int fileField, const BrowseFilter& filter) {
    std::string path;
    FileNameRequest request;
    request.owner = dialog;
    request.title = Msg::SelectFileTitle;
    request.filters = {{filter.description, filter.pattern}};
    if (filter.allFiles) request.filters.push_back({Msg::AllFilesFilter, "*.*"});
    request.initialName = filter.pattern;
    request.defaultExtension = filter.extension;
    request.initialDirectory = generatorStartPath();
    if (!chooseFileName(request, path)) return false;
    setFieldText(dialog, fileField, fromAnsi(path));
    if (const std::size_t separator = path.find_last_of("\\/"); separator != std::string::npos)
        generatorStartPath() = path.substr(0, separator);
    return true;
}

} // namespace qv::win
