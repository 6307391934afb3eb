// New, Open and Save of the Wave Editor. The common dialogs are Unicode (their titles and filters
// are catalogue texts in three languages); the chosen path is handed on in the ANSI code page, as
// the files are opened, and a name that code page cannot spell is refused with 12005. The dialogs
// leave the process's current directory alone (it is the working directory of the hand-off
// files); StartPath becomes the chosen file's folder, where a dialog would have moved it.
#include "waveedit/waveform_file_dialogs.h"

#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/strings_win.h"
#include "app/window_prompt.h"
#include "converters/batch_output.h"
#include "converters/sigrok_import.h"
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
constexpr char sigrokPattern[] = "*.sr";
constexpr char binaryExtension[] = "qvw";
constexpr char textExtension[] = "qvv";
constexpr int textFilterIndex = 2; // the save dialog's "QV Vector Files(.qvv)"

constexpr DWORD multiSelectBufferChars = 32768; // a long list of names after the folder

std::mutex askerMutex;
FileNameAsker asker;

// The common help hook: the Help button of an explorer-style dialog arrives as CDN_HELP.
UINT_PTR CALLBACK helpHook(HWND hook, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hook, GWLP_USERDATA, reinterpret_cast<const OPENFILENAMEW*>(lParam)->lCustData);
        return FALSE;
    }
    if (message != WM_NOTIFY || reinterpret_cast<const NMHDR*>(lParam)->code != CDN_HELP) return FALSE;
    const auto* request = reinterpret_cast<const FileNameRequest*>(GetWindowLongPtrW(hook, GWLP_USERDATA));
    if (request && request->helpTopic) openHelpTopic(GetParent(hook), request->helpTopic, request->helpContext);
    return TRUE;
}

// The names of a multiple selection: the folder, then each name, NUL-separated; one name alone
// is the whole path. False when the ANSI code page cannot spell one of them (it would open
// another file, or none).
bool selectionParts(const wchar_t* buffer, bool multiSelect, std::vector<std::string>& parts) {
    for (const wchar_t* part = buffer; *part != L'\0'; part += lstrlenW(part) + 1) {
        parts.push_back(toAnsi(part));
        if (fromAnsi(parts.back()) != part) return false;
        if (!multiSelect) break;
    }
    return !parts.empty();
}

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
    std::vector<wchar_t> file(request.multiSelect ? multiSelectBufferChars : MAX_PATH, L'\0');
    lstrcpynW(file.data(), fromAnsi(request.initialName).c_str(), MAX_PATH);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = extension.c_str();
    const DWORD mustExist = request.save ? 0 : OFN_FILEMUSTEXIST; // Save asks 12029 itself
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | mustExist;
    if (request.multiSelect && !request.save) dialog.Flags |= OFN_ALLOWMULTISELECT;
    if (request.helpTopic) {
        dialog.Flags |= OFN_SHOWHELP | OFN_ENABLEHOOK;
        dialog.lpfnHook = helpHook;
        dialog.lCustData = reinterpret_cast<LPARAM>(&request);
    }
    if (!(request.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return false;
    request.filterIndex = static_cast<int>(dialog.nFilterIndex);
    std::vector<std::string> parts;
    if (!selectionParts(file.data(), request.multiSelect, parts)) {
        messageBox(request.owner, Msg::CantOpenFile, MB_ICONERROR | MB_OK);
        return false;
    }
    request.chosenPaths = batch::selectedPaths(parts);
    path = request.chosenPaths.front();
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

// The questions of a session import carry the warning icon, as the converters' do; its note about
// analog channels the information icon.
constexpr QuestionIcon sigrokQuestionIcons[] = {{Msg::CantGenerateFrequency, MB_ICONWARNING},
                                                {Msg::FileTooLarge, MB_ICONWARNING}};

Msg openSigrokFile(HWND owner, const std::string& path, Document& doc, std::string& detail) {
    InputFile file;
    if (!file.open(path) || file.size() <= 0) return Msg::CantOpenFile;
    WindowPrompt prompt(owner, MB_ICONINFORMATION, MB_ICONQUESTION, sigrokQuestionIcons);
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    sigrok::ImportResult result;
    const Msg m = sigrok::openSigrokSession(file, doc, prompt, result);
    SetCursor(previous);
    detail = result.detail;
    return m;
}

} // namespace

std::string folderOf(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) return {};
    std::string folder = path.substr(0, separator);
    if (folder.empty() || folder.back() == ':') folder += path[separator];
    return folder;
}

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
                            {{Msg::WaveformFilesFilter, waveformPatterns},
                             {Msg::SigrokFilter, sigrokPattern},
                             {Msg::AllFilesFilter, allPattern}},
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
    std::string detail;
    const Msg result = sigrok::isSigrokSessionName(path) ? openSigrokFile(owner, path, doc, detail)
                                                         : openWaveformFile(path, doc, prompt, driver);
    if (result == Msg::FileTooLarge) return false; // the user declined 12070: nothing more to say
    if (result != Msg::None) {
        messageBox(owner, result, MB_ICONERROR | MB_OK, Msg::Caption, fromUtf8(detail));
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
    doc.markSaved();
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
