// The Wave Editor's New, Open and Save: the common file dialogs with their titles and filters,
// the questions before a file or the labels are replaced (12027, 12029, 12028), the main window's
// title, and the StartPath the dialogs start in. Reading and writing are core's
// (waveedit/waveform_files); a failed open or save leaves the document and the files as they were.
#pragma once

#include <windows.h>

#include "device/driver.h"
#include "support/strings.h"
#include "waveedit/document.h"

#include <functional>
#include <string>
#include <vector>

namespace qv::win {

struct FileFilter {
    Msg description; // "All Files(*.*)"
    const char* pattern; // "*.*"
};

// What a file dialog is asked to show; the asker writes back the chosen filter (1-based).
struct FileNameRequest {
    bool save = false; // the save dialog, else the open dialog
    HWND owner = nullptr;
    Msg title = Msg::None;
    std::vector<FileFilter> filters;
    int filterIndex = 1;
    std::string initialName; // "*.qvw;*.qvv"
    std::string defaultExtension; // "qvw"
    std::string initialDirectory; // StartPath
    // Open dialog only: several files may be chosen; the asker fills chosenPaths (full paths, in
    // the dialog's order) and returns the first in path.
    bool multiSelect = false;
    std::vector<std::string> chosenPaths = {};
    // A Help button, whose hook opens this topic (nullptr: no Help button).
    const char* helpTopic = nullptr;
    int helpContext = 0;
};

// Asks for a file name: true and the chosen path (ANSI, as files are opened) unless cancelled.
// The application's asker shows the common dialog; tests set their own, an empty one restores it.
using FileNameAsker = std::function<bool(FileNameRequest& request, std::string& path)>;
void setFileNameAsker(FileNameAsker asker);
// Asks through the current asker (the common dialog unless a test set its own): true and the
// chosen path unless cancelled. The editor's Browse buttons and the generators' Export, Import and
// Browse ask through it.
bool chooseFileName(FileNameRequest& request, std::string& path);

// The folder of a chosen file, as the current directory would be after the dialog ("C:\" for a
// file in a drive's root); empty for a bare name.
std::string folderOf(const std::string& path);

// The main window's title: the caption, then " - " and the path, or " - (Untitled)" for an empty path.
void showDocumentTitle(HWND mainWindow, const std::string& path);

// Open (toolbar): asks for a .qvw, .qvv or sigrok session (.sr) file, asks 12027 when data labels
// would be replaced, reads or imports it (12070, and a session's 12023, through a prompt owned by
// owner). True when the document was replaced.
bool runOpenWaveform(HWND owner, HWND mainWindow, Document& doc, std::string& startPath, const Driver* driver);
// Save (toolbar): the chosen filter becomes saveMode (1 binary, 2 text; "All Files" binary); an
// existing file is replaced only after 12029 Yes. cardType: 18 has no CKI2 (text files' FREQUENCY).
// True when the file was written.
bool runSaveWaveform(HWND owner, HWND mainWindow, Document& doc, std::string& startPath, int& saveMode,
                     int cardType = 0);
// New (toolbar): 12028 "Keep signal label?" Yes clears the samples and keeps the labels (title
// back to Untitled); No resets the whole document; Cancel nothing. True when the document changed.
bool runNewWaveform(HWND owner, HWND mainWindow, Document& doc);

} // namespace qv::win
