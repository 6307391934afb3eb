// The update check's thread, its report and the updater's start. See online_update.h.
#include "app/online_update.h"

#include "app/app_state.h"
#include "app/http_get.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/sha256.h"
#include "app/startup.h"
#include "app/update_manifest.h"
#include "support/file_io.h"

#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

namespace qv::win {
namespace {

std::atomic<int> interactiveMode{0};

constexpr WORD updaterResourceId = 546;
constexpr char updaterResourceType[] = "UPDATE";
// How long the installer waits for each elevated file operation before giving up.
constexpr DWORD fileOperationTimeoutMs = 60000;

struct CheckRequest {
    HWND mainWindow;
    std::string server;
};

std::string directoryOf(const std::string& path) { return path.substr(0, path.find_last_of("\\/")); }

// The running program's directory. The command line is not used: it names the program only when
// the program was started by its full name.
std::string programDirectory() {
    const std::string path = moduleFileName(nullptr);
    return path.empty() ? std::string() : directoryOf(path);
}

DWORD WINAPI updateThread(void* parameter) {
    const std::unique_ptr<CheckRequest> request(static_cast<CheckRequest*>(parameter));
    const std::string directory = programDirectory();
    bool received = false;
    bool outOfDate = false;
    if (const auto server = parseServerAddress(request->server)) {
        if (const auto body = httpGet(*server, updateListPath, maxUpdateListBytes)) {
            received = true;
            const UpdateListResult result = evaluateUpdateList(*body, directory, localFileFacts);
            outOfDate = result.outOfDate;
            for (const std::string& record : result.malformed)
                OutputDebugStringA(
                    ("QV online update: malformed version, record taken as up to date: " + record + "\n").c_str());
        }
    }
    PostMessageA(request->mainWindow, updateReport, received ? 1 : 0, outOfDate ? 1 : 0);
    return 0;
}

// ShellExecuteExA with "runas", no owner window, shown normally. With `process`, the started
// process's handle is kept there (nullptr when the system gives none).
bool elevatedLaunch(const std::string& program, const std::string& parameters, const std::string& directory,
                    HANDLE* process = nullptr) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = process ? SEE_MASK_NOCLOSEPROCESS : 0;
    info.lpVerb = "runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) return false;
    if (process) *process = info.hProcess;
    return true;
}

// Keeps the window responsive while an elevated command works: until the command has ended and
// done() holds; false when that does not happen in time. Waiting for the command's end matters:
// DEL finds nothing to delete when no old updater is there, and a DEL still starting up would
// delete the copy that the next command makes.
template <typename Done> bool pumpUntilFinished(HANDLE command, Done done) {
    const ULONGLONG start = GetTickCount64();
    bool ended = command == nullptr;
    while (!ended || !done()) {
        if (GetTickCount64() - start > fileOperationTimeoutMs) break;
        const DWORD count = ended ? 0 : 1;
        if (MsgWaitForMultipleObjects(count, &command, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0 && count) ended = true;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (command) CloseHandle(command);
    return ended && done();
}

// The copy is complete: the file has its full size and no one writes it any more (a program started
// while COPY still writes it would be cut short). Whether it is the right file is checked later.
bool copiedWhole(const std::string& path, std::size_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length{};
    const bool whole = GetFileSizeEx(file, &length) && static_cast<std::uint64_t>(length.QuadPart) == size;
    CloseHandle(file);
    return whole;
}

std::string quoted(const std::string& path) { return '"' + path + '"'; }

// The unelevated side of the install: the program folder's updater, started with this program's
// rights and handed the elevated updater's process handle, waits for it and starts QV.exe again.
void startRestartWaiter(const std::string& updater, const std::string& folder, HANDLE elevated) {
    if (!elevated) return; // the system gave no handle: the user starts the program again
    SetHandleInformation(elevated, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    std::string commandLine = quoted(updater) + " " + updaterRestartAfterSwitch + " " +
        std::to_string(reinterpret_cast<std::uintptr_t>(elevated));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(updater.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(elevated);
}

// Writes the updater out and starts it: beside the program on systems before Vista; on later ones
// through the temporary directory and elevated commands, as the program folder needs elevation.
UpdaterStart startUpdater() {
    const auto program = updaterProgram();
    if (program.empty()) return UpdaterStart::NotStarted;
    const std::string folder = programDirectory();
    if (folder.empty()) return UpdaterStart::NotStarted;
    const std::string destination = folder + "\\" + updaterFileName;
    if (app().osVersion < 600) return startUpdaterBeside(destination, program);
    char temporary[MAX_PATH] = {};
    const DWORD temporaryLength = GetTempPathA(MAX_PATH, temporary);
    if (temporaryLength == 0 || temporaryLength >= MAX_PATH) return UpdaterStart::NotStarted;
    std::string temporaryFolder(temporary, temporaryLength);
    if (!temporaryFolder.empty() && temporaryFolder.back() == '\\') temporaryFolder.pop_back();
    const std::string staged = temporaryFolder + "\\" + updaterFileName;
    if (!writeWholeFile(staged, program)) return UpdaterStart::NotStarted;
    const auto command = systemCommand();
    if (!command) return UpdaterStart::NotStarted;
    // Both paths quoted: a temporary folder under a user name with a blank is common.
    HANDLE running = nullptr;
    if (!elevatedLaunch(command->program, command->parameters("DEL " + quoted(destination)), command->directory,
                        &running) ||
        !pumpUntilFinished(running, [&] { return !fileExists(destination); }))
        return UpdaterStart::NotStarted;
    running = nullptr;
    if (!elevatedLaunch(command->program, command->parameters("COPY " + quoted(staged) + " " + quoted(destination)),
                        command->directory, &running) ||
        !pumpUntilFinished(running, [&] { return copiedWhole(destination, program.size()); }))
        return UpdaterStart::NotStarted;
    HANDLE elevated = nullptr;
    const UpdaterStart started = launchVerifiedUpdater(destination, program, folder, &elevated);
    if (started == UpdaterStart::Started) startRestartWaiter(destination, folder, elevated);
    return started;
}

} // namespace

void startUpdateCheck(HWND mainWindow, UpdateMode mode) {
    interactiveMode = mode == UpdateMode::Interactive ? 1 : 0;
    auto* request = new CheckRequest{mainWindow, app().updateServer};
    // Detached on purpose: it ends after posting its report; a program closing first ends it.
    HANDLE thread = CreateThread(nullptr, 0, updateThread, request, 0, nullptr);
    if (thread)
        CloseHandle(thread);
    else
        delete request;
}

LRESULT onUpdateReport(HWND window, UINT, WPARAM received, LPARAM outOfDate) {
    const bool interactive = interactiveMode != 0;
    // The question and the installer pump messages: a report arriving meanwhile (Online Update
    // chosen again) is dropped rather than nested.
    static bool answering = false;
    if (answering) return 0;
    if (received && outOfDate && app().updateTrust == UpdateTrust::None) {
        // A build without the maker's key: its updater would install nothing; say so instead.
        answering = true;
        messageBox(window, Msg::UpdateNoKey, MB_OK | MB_ICONINFORMATION, Msg::InformationCaption);
        answering = false;
    } else if (received && outOfDate) {
        answering = true;
        const bool accepted =
            messageBox(window, Msg::UpdateAsk, MB_YESNO | MB_ICONQUESTION, Msg::InformationCaption) == IDYES;
        const UpdaterStart started = accepted ? startUpdater() : UpdaterStart::NotStarted;
        answering = false;
        if (!accepted) return 0;
        if (started != UpdaterStart::Started) {
            messageBox(window,
                       started == UpdaterStart::CopyMismatch ? Msg::UpdaterCopyMismatch : Msg::UpdaterNotStarted,
                       MB_OK | MB_ICONERROR, Msg::ErrorCaption);
            return 0;
        }
        // The program ends so that the updater can replace its files; an open tool takes the first
        // WM_CLOSE itself, as it does when the instrument is unplugged.
        if (app().openDialog) PostMessageA(window, WM_CLOSE, 0, 0);
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (received) {
        if (interactive)
            messageBox(window, Msg::UpdateAlreadyLatest, MB_OK | MB_ICONINFORMATION, Msg::InformationCaption);
    } else if (interactive) {
        messageBox(window, Msg::UpdateNetworkFailed, MB_OK | MB_ICONERROR, Msg::ErrorCaption);
    }
    return 0;
}

LocalFileFacts localFileFacts(const std::string& path) {
    LocalFileFacts facts;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)) return facts;
    facts.exists = true;
    FILETIME local{};
    SYSTEMTIME time{};
    if (FileTimeToLocalFileTime(&attributes.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &time))
        facts.date = static_cast<std::uint32_t>(time.wYear * 10000 + time.wMonth * 100 + time.wDay);
    if (!carriesFileVersion(path)) return facts;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return facts;
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (GetFileVersionInfoA(path.c_str(), 0, size, block.data()) &&
        VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed &&
        fixedSize >= sizeof *fixed)
        facts.fileVersion = static_cast<std::uint64_t>(fixed->dwFileVersionMS) << 32 | fixed->dwFileVersionLS;
    return facts;
}

std::span<const std::uint8_t> updaterProgram() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(updaterResourceId), updaterResourceType);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return {static_cast<const std::uint8_t*>(bytes), size};
}

bool writeWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    DeleteFileA(path.c_str());
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool complete =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    const bool closed = CloseHandle(file) != FALSE;
    if (complete && closed) return true;
    DeleteFileA(path.c_str());
    return false;
}

} // namespace qv::win

namespace qv::win {

UpdaterStart startUpdaterBeside(const std::string& destination, std::span<const std::uint8_t> program) {
    if (!writeWholeFile(destination, program)) return UpdaterStart::NotStarted;
    // Quoted: unquoted, "C:\Program Files\..." would start a "C:\Program.exe".
    return WinExec(quoted(destination).c_str(), SW_SHOWNORMAL) > 31 ? UpdaterStart::Started : UpdaterStart::NotStarted;
}

std::optional<SystemCommand> systemCommand() {
    char system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    const std::string folder(system, length);
    return SystemCommand{folder + "\\cmd.exe", folder};
}

UpdaterStart launchVerifiedUpdater(const std::string& path, std::span<const std::uint8_t> expected,
                                   const std::string& folder, HANDLE* process) {
    // Open so that no one can write, rename or delete the file until it has been started.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return UpdaterStart::NotStarted;
    LARGE_INTEGER size{};
    std::vector<std::uint8_t> copy;
    bool same = GetFileSizeEx(file, &size) && static_cast<std::uint64_t>(size.QuadPart) == expected.size();
    if (same) {
        copy.resize(expected.size());
        DWORD read = 0;
        same = ReadFile(file, copy.data(), static_cast<DWORD>(copy.size()), &read, nullptr) && read == copy.size();
    }
    const auto copyDigest = same ? sha256(copy) : std::nullopt;
    const auto expectedDigest = sha256(expected);
    same = same && copyDigest && expectedDigest && *copyDigest == *expectedDigest;
    const bool started = same && elevatedLaunch(path, updaterNoRestartSwitch, folder, process);
    CloseHandle(file);
    if (!same) return UpdaterStart::CopyMismatch;
    return started ? UpdaterStart::Started : UpdaterStart::NotStarted;
}

} // namespace qv::win
