// New, Open and Save of the Wave Editor. The common dialogs are Unicode (their titles and filters
// are catalogue texts in three languages); the chosen path is handed on in the ANSI code page, as
// the files are opened, and a name that code page cannot spell is refused with 12005. The dialogs
// leave the process's current directory alone (it is the working directory of the hand-off
// files); StartPath becomes the chosen file's folder, where a dialog would have moved it.
#include "waveedit/waveform_file_dialogs.h"

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/window_prompt.h"
#include "support/file_io.h"
#include "waveedit/waveform_files.h"

#include <commdlg.h>

#include <mutex>

namespace qv::win {
namespace {

constexpr char waveformPatterns[] = "*.qvw;*.qvv";
constexpr char binaryPattern[] = "*.qvw";
constexpr char textPattern[] = "*.qvv";
constexpr char allPattern[] = "*.*";
constexpr char binaryExtension[] = "qvw";
constexpr char textExtension[] = "qvv";
constexpr int textFilterIndex = 2; // the save dialog's "QV Vector Files(.qvv)"

std::mutex askerMutex;
FileNameAsker asker;

bool askWithCommonDialog(FileNameRequest& request, std::string& path) {
    std::wstring filter;
    for (const FileFilter& entry : request.filters) {
        filter += loadString(entry.description);
        filter += L'\0';
        filter += fromAnsi(entry.pattern);
        filter += L'\0';
    }
    const std::wstring title = loadString(request.title);
    const std::wstring directory = fromAnsi(request.initialDirectory);
    const std::wstring extension = fromAnsi(request.defaultExtension);
    wchar_t file[MAX_PATH] = {};
    lstrcpynW(file, fromAnsi(request.initialName).c_str(), MAX_PATH);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = extension.c_str();
    const DWORD mustExist = request.save ? 0 : OFN_FILEMUSTEXIST; // Save asks 12029 itself
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | mustExist;
    if (!(request.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return false;
    request.filterIndex = static_cast<int>(dialog.nFilterIndex);
    path = toAnsi(file);
    if (fromAnsi(path) != file) {
        messageBox(request.owner, Msg::CantOpenFile, MB_ICONERROR | MB_OK);
        return false;
    }
    return true;
}

bool askFileName(FileNameRequest& request, std::string& path) {
    FileNameAsker current;
    {
        std::lock_guard lock(askerMutex);
        current = asker;
    }
    return current ? current(request, path) : askWithCommonDialog(request, path);
}

// The folder of a chosen file, as the current directory would be after the dialog ("C:\" for a
// file in a drive's root).
std::string folderOf(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) return {};
    std::string folder = path.substr(0, separator);
    if (folder.empty() || folder.back() == ':') folder += path[separator];
    return folder;
}

} // namespace

void setFileNameAsker(FileNameAsker newAsker) {
    std::lock_guard lock(askerMutex);
    asker = std::move(newAsker);
}

void showDocumentTitle(HWND mainWindow, const std::string& path) {
    std::wstring title = loadString(Msg::Caption);
    title += path.empty() ? loadString(Msg::Untitled) : L" - " + fromAnsi(path);
    setMainWindowTitle(mainWindow, title);
}

bool runOpenWaveform(HWND owner, HWND mainWindow, Document& doc, std::string& startPath, const Driver* driver) {
    FileNameRequest request{false,
                            owner,
                            Msg::OpenWaveformTitle,
                            {{Msg::WaveformFilesFilter, waveformPatterns}, {Msg::AllFilesFilter, allPattern}},
                            1,
                            waveformPatterns,
                            binaryExtension,
                            startPath};
    std::string path;
    if (!askFileName(request, path)) return false;
    startPath = folderOf(path);
    if (hasDataLabel(doc.labels()) && messageBox(owner, Msg::Overwrite, MB_ICONQUESTION | MB_YESNO) != IDYES)
        return false;
    WindowPrompt prompt(owner);
    const Msg result = openWaveformFile(path, doc, prompt, driver);
    if (result == Msg::FileTooLarge) return false; // the user declined 12070: nothing more to say
    if (result != Msg::None) {
        messageBox(owner, result, MB_ICONERROR | MB_OK);
        return false;
    }
    showDocumentTitle(mainWindow, path);
    return true;
}

bool runSaveWaveform(HWND owner, HWND mainWindow, Document& doc, std::string& startPath, int& saveMode, int cardType) {
    const bool text = saveMode == saveModeText;
    FileNameRequest request{true,
                            owner,
                            Msg::SaveWaveformTitle,
                            {{Msg::BinaryWaveformFilter, binaryPattern},
                             {Msg::VectorWaveformFilter, textPattern},
                             {Msg::AllFilesFilter, allPattern}},
                            text ? textFilterIndex : 1,
                            text ? textPattern : binaryPattern,
                            text ? textExtension : binaryExtension,
                            startPath};
    std::string path;
    if (!askFileName(request, path)) return false;
    saveMode = request.filterIndex == textFilterIndex ? saveModeText : saveModeBinary;
    startPath = folderOf(path);
    if (fileExists(path) && messageBox(owner, Msg::FileExistOverwrite, MB_ICONQUESTION | MB_YESNO) != IDYES)
        return false;
    std::string refusedLabel;
    const Msg result = saveWaveformFile(path, doc, saveMode, cardType, &refusedLabel);
    if (result != Msg::None) {
        messageBox(owner, result, MB_ICONERROR | MB_OK, Msg::Caption, fromAnsi(refusedLabel));
        return false;
    }
    showDocumentTitle(mainWindow, path);
    return true;
}

bool runNewWaveform(HWND owner, HWND mainWindow, Document& doc) {
    switch (messageBox(owner, Msg::KeepSignalLabel, MB_ICONQUESTION | MB_YESNOCANCEL)) {
    case IDYES:
        doc.reset(true);
        showDocumentTitle(mainWindow, {});
        return true;
    case IDNO: doc.reset(false); return true;
    default: return false;
    }
}

} // namespace qv::win

namespace qv::win {

bool chooseFileName(FileNameRequest& request, std::string& path) { return askFileName(request, path); }

} // namespace qv::win
