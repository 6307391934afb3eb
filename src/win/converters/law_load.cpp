// The open dialog starts in StartPath of the La2Wav key and saves the chosen file's folder there.
// The importer changes the document only when the whole file was accepted; the hand-off files
// are written only after that, so an error or a No to 12045 leaves the Wave Editor's files as
// they were.
#include "app/help_topics.h"
#include "converters/law_load.h"

#include "app/app_state.h"
#include "app/message_box.h"
#include "app/settings.h"
#include "app/tool_registry.h"
#include "app/window_prompt.h"
#include "converters/law_import.h"
#include "generators/generator_dialog.h"
#include "resource.h"
#include "support/file_io.h"
#include "waveedit/document.h"
#include "waveedit/handoff.h"
#include "waveedit/waveform_file_dialogs.h"

#include <new>

namespace qv::win {
namespace {

constexpr int lawHelpContext = 109;

bool chooseLawFile(HWND owner, std::string& path) {
    SettingsStore& store = *placementStore();
    const std::string& key = app().keyPath(ModuleKey::La2Wav);
    std::string& startPath = generatorStartPath();
    readStartPath(store, key, app().workDirectory, startPath);
    FileNameRequest request;
    request.owner = owner;
    request.title = Msg::SelectFileTitle;
    request.filters = {{Msg::LawFileFilter, "*.law"}, {Msg::AllFilesFilter, "*.*"}};
    request.initialName = "*.law";
    request.defaultExtension = "law";
    request.initialDirectory = startPath;
    request.helpTopic = lawHelpTopic;
    request.helpContext = lawHelpContext;
    if (!chooseFileName(request, path)) return false;
    if (const std::string folder = folderOf(path); !folder.empty()) startPath = folder;
    writeStartPath(store, key, startPath);
    return true;
}

Msg importFile(HWND owner, const std::string& path, law::ImportResult& result) {
    InputFile file;
    if (!file.open(path) || file.size() <= 0) return Msg::CantOpenFile;
    WindowPrompt prompt(owner, MB_ICONERROR, MB_ICONERROR); // 12045 carries the error icon
    try {
        return law::importLaw(file, document(), prompt, result);
    } catch (const std::bad_alloc&) {
        return Msg::MemoryNotEnough;
    }
}

} // namespace

void loadLaWaveform(HWND mainWindow, int, LPARAM) {
    if (!hasDocument()) return;
    std::string path;
    if (!chooseLawFile(mainWindow, path)) return;
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    law::ImportResult result;
    Msg error = importFile(mainWindow, path, result);
    // A hand-off file that cannot be written would open the Wave Editor on the previous files.
    if (error == Msg::None && !result.declined)
        error = writeHandoffFiles(app().workDirectory, document().labels(), document().usableImage());
    SetCursor(previous);
    if (error != Msg::None) {
        messageBox(mainWindow, error, MB_ICONERROR | MB_OK);
        return;
    }
    if (result.declined) return;
    writeBaseFrequency(*placementStore(), app().keyPath(ModuleKey::WaveEdit), result.sampleFrequency);
    PostMessageW(mainWindow, WM_COMMAND, ID_TOOL_WAVE_EDITOR, handOffRequest);
}

} // namespace qv::win
