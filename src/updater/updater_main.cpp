// OnlineUpdate.exe: installs an update of the program folder it sits in, and only one it can
// verify. It fetches the maker's manifest and its signature from the update server, checks the
// signature with the public key built in (a build with no key installs nothing and says so),
// refuses a release older than the one installed, downloads every listed file whose local copy
// differs into a staging folder, checks each one's size and SHA-256, and only when all are good puts
// them in place (installStaged: journal, renames, old copies kept until the end and restored on any
// failure; an install cut short is finished or undone at the next start). Then it says what
// happened. QV.exe starts it elevated with noRestartSwitch and a second, unelevated copy with
// restartAfterSwitch that waits for it and starts QV.exe again, so the user never goes on working
// elevated; started by itself it starts QV.exe again at the end. It runs no shell command and
// writes only under the program folder; paths come from the manifest only after isSafeRelativePath.
#include "app/http_get.h"
#include "app/registry_store.h"
#include "app/settings.h"
#include "app/strings_win.h"
#include "app/update_install.h"
#include "app/update_key.h"
#include "app/update_list.h"
#include "app/update_manifest.h"
#include "crypto.h"
#include "update_public_key.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qv::updater {
namespace {

using win::fromUtf8;
using win::toUtf8;

// How long QV.exe is given to close after starting the updater.
constexpr DWORD programCloseTimeoutMs = 30000;

// The language the program uses: the "Language" of an instrument's System key, else the user's.
LANGID interfaceLanguage() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY system = nullptr;
        const std::string systemKey(moduleKey(ModuleKey::System));
        if (RegOpenKeyExA(root, systemKey.c_str(), 0, KEY_READ, &system) != ERROR_SUCCESS) continue;
        std::optional<std::uint32_t> language;
        char name[64];
        DWORD length = sizeof name;
        for (DWORD i = 0;
             !language && RegEnumKeyExA(system, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
             ++i, length = sizeof name)
            language = win::registrySettings().readNumber(systemKey + "\\" + name, "Language");
        RegCloseKey(system);
        if (language) return static_cast<LANGID>(*language);
    }
    return GetUserDefaultUILanguage();
}

// The string table that serves a user-interface language (the updater carries three).
LANGID tableLanguage(LANGID interface) {
    switch (win::catalogueLanguage(interface)) {
    case Language::TraditionalChinese: return win::languageTraditionalChinese;
    case Language::SimplifiedChinese: return win::languageSimplifiedChinese;
    default: return win::languageEnglish;
    }
}

LANGID language = win::languageEnglish;

// Whole-program tests set QV_MESSAGE_LOG, as for QV.exe: each box appends its string id there.
// Only a test-key build has this hook: an elevated updater must not write where a user names.
void logMessage([[maybe_unused]] Msg text) {
#if QV_UPDATE_TRUST == 1
    const char* path = std::getenv("QV_MESSAGE_LOG");
    if (!path || !*path) return;
    if (std::FILE* log = std::fopen(path, "ab")) {
        std::fprintf(log, "%d\n", static_cast<int>(text));
        std::fclose(log);
    }
#endif
}

void tell(Msg text, bool error) {
    logMessage(text);
    MessageBoxW(nullptr, win::loadString(text, language).c_str(),
                win::loadString(error ? Msg::ErrorCaption : Msg::InformationCaption, language).c_str(),
                (error ? MB_ICONERROR : MB_ICONINFORMATION) | MB_OK | MB_SETFOREGROUND);
}

std::wstring ownFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::wstring& path, std::uint64_t expectedSize) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    LARGE_INTEGER size{};
    std::optional<std::vector<std::uint8_t>> bytes;
    if (GetFileSizeEx(file, &size) && static_cast<std::uint64_t>(size.QuadPart) == expectedSize) {
        std::vector<std::uint8_t> content(static_cast<std::size_t>(expectedSize));
        DWORD read = 0;
        if (content.empty() ||
            (ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr) &&
             read == content.size()))
            bytes = std::move(content);
    }
    CloseHandle(file);
    return bytes;
}

// Creates (or replaces) a file and puts its content on the disk before returning.
bool writeDurably(const std::wstring& path, std::string_view bytes, DWORD disposition) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool complete = (bytes.empty() ||
                           (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                            written == bytes.size())) &&
        FlushFileBuffers(file);
    return CloseHandle(file) && complete;
}

// The program folder through the install port; paths are UTF-8 there.
class FolderFiles final : public InstallFileSystem {
  public:
    bool exists(const std::string& path) const override { return attributes(path) != INVALID_FILE_ATTRIBUTES; }
    bool isDirectory(const std::string& path) const override {
        const DWORD found = attributes(path);
        return found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool makeDirectory(const std::string& path) override { return CreateDirectoryW(fromUtf8(path).c_str(), nullptr); }
    bool removeDirectory(const std::string& path) override { return RemoveDirectoryW(fromUtf8(path).c_str()); }
    bool move(const std::string& from, const std::string& to) override {
        return MoveFileExW(fromUtf8(from).c_str(), fromUtf8(to).c_str(), MOVEFILE_WRITE_THROUGH);
    }
    bool remove(const std::string& path) override { return DeleteFileW(fromUtf8(path).c_str()); }
    bool flush(const std::string& path) override {
        HANDLE file = CreateFileW(fromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool flushed = FlushFileBuffers(file);
        return CloseHandle(file) && flushed;
    }
    bool writeFile(const std::string& path, std::string_view content) override {
        return writeDurably(fromUtf8(path), content, CREATE_ALWAYS);
    }
    std::optional<std::string> readFile(const std::string& path) const override {
        constexpr std::uint64_t largestRecord = 1 << 20; // a journal of 1,000 entries is far smaller
        HANDLE file =
            CreateFileW(fromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return std::nullopt;
        LARGE_INTEGER size{};
        std::optional<std::string> content;
        if (GetFileSizeEx(file, &size) && static_cast<std::uint64_t>(size.QuadPart) <= largestRecord) {
            std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
            DWORD read = 0;
            if (bytes.empty() ||
                (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                 read == bytes.size()))
                content = std::move(bytes);
        }
        CloseHandle(file);
        return content;
    }

  private:
    static DWORD attributes(const std::string& path) { return GetFileAttributesW(fromUtf8(path).c_str()); }
};

// The staging folder holds files named by their manifest index only; it is emptied and removed.
// Not while a journal is left: the install it describes is not finished or undone yet.
void removeStaging(const std::wstring& folder) {
    if (GetFileAttributesW((folder + L"\\" + fromUtf8(journalFileName)).c_str()) != INVALID_FILE_ATTRIBUTES) return;
    const std::wstring staging = folder + L"\\" + fromUtf8(stagingFolderName);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((staging + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((staging + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(staging.c_str());
}

void waitForProgramToClose() {
    const ULONGLONG start = GetTickCount64();
    while (FindWindowA("PatternGeneratorClass", nullptr) && GetTickCount64() - start < programCloseTimeoutMs)
        Sleep(200);
}

void startProgram(const std::wstring& folder) {
    const std::wstring program = folder + L"\\QV.exe";
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

struct Outcome {
    Msg message;
    bool error;
};

Outcome update(const std::wstring& folder) {
    const auto server = parseServerAddress(readUpdateServer(win::registrySettings()));
    const auto key = parseRsaPublicKey({updatePublicKeyBytes, updatePublicKeySize});
    if (!server || !key) return {Msg::UpdateDownloadFailed, true};
    const std::string root = updateFilesRoot;
    const auto manifestText = win::httpGet(*server, root + manifestName, maxManifestBytes);
    const auto signature = win::httpGet(*server, root + manifestSignatureName, key->modulus.size());
    if (!manifestText || !signature) return {Msg::UpdateDownloadFailed, true};
    const auto bytes = [](const std::string& text) {
        return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    if (!verifySignature(*key, bytes(*manifestText), bytes(*signature))) return {Msg::UpdateBadSignature, true};
    const auto manifest = parseManifest(*manifestText);
    if (!manifest) return {Msg::UpdateBadManifest, true};
    FolderFiles files;
    const std::string programFolder = toUtf8(folder);
    // An old manifest, signed as it was, replayed to bring back files with known faults.
    const std::uint32_t installed = installedRelease(files, programFolder);
    if (manifest->release < installed) return {Msg::UpdateDowngrade, true};

    const std::wstring staging = folder + L"\\" + fromUtf8(stagingFolderName);
    removeStaging(folder);
    std::vector<StagedFile> staged;
    auto fail = [&](Outcome outcome) {
        removeStaging(folder);
        return outcome;
    };
    for (std::size_t i = 0; i < manifest->entries.size(); ++i) {
        const ManifestEntry& entry = manifest->entries[i];
        const std::wstring target = folder + L"\\" + fromUtf8(windowsRelativePath(entry.path));
        const auto local = readWholeFile(target, entry.size);
        if (local && win::sha256(*local) == entry.digest) continue; // already this version
        const auto body = win::httpGet(*server, root + updateFilesFolder + entry.path, entry.size);
        if (!body || body->size() != entry.size) return fail({Msg::UpdateDownloadFailed, true});
        if (win::sha256(bytes(*body)) != entry.digest) return fail({Msg::UpdateBadFile, true});
        if (staged.empty() && !CreateDirectoryW(staging.c_str(), nullptr))
            return fail({Msg::UpdateInstallFailed, true});
        const std::string name = std::to_string(i);
        if (!writeDurably(staging + L"\\" + fromUtf8(name), *body, CREATE_NEW))
            return fail({Msg::UpdateInstallFailed, true});
        staged.push_back({name, entry.path});
    }
    if (staged.empty()) {
        if (manifest->release > installed) recordRelease(files, programFolder, manifest->release);
        return fail({Msg::UpdateNothingToInstall, false});
    }
    const InstallOutcome outcome = installStaged(files, programFolder, staged, manifest->release);
    removeStaging(folder);
    switch (outcome) {
    case InstallOutcome::Installed: return {Msg::UpdateInstalled, false};
    case InstallOutcome::RolledBack: return {Msg::UpdateInstallFailed, true};
    case InstallOutcome::PathInTheWay: return {Msg::UpdatePathInTheWay, true};
    default: return {Msg::UpdateRestoreFailed, true};
    }
}

// An install cut short (power loss, a killed process) is finished or undone before anything else.
std::optional<Outcome> recover(const std::wstring& folder) {
    FolderFiles files;
    const RecoveryOutcome outcome = recoverInterruptedInstall(files, toUtf8(folder));
    if (outcome == RecoveryOutcome::NothingToDo) return std::nullopt;
    removeStaging(folder);
    switch (outcome) {
    case RecoveryOutcome::Completed: return Outcome{Msg::UpdateRecoveryCompleted, false};
    case RecoveryOutcome::RolledBack: return Outcome{Msg::UpdateRecoveryRolledBack, true};
    default: return Outcome{Msg::UpdateRecoveryFailed, true};
    }
}

// The unelevated side: waits for the elevated updater (its process handle inherited from QV.exe)
// and starts QV.exe again with this process's, the user's, rights.
int restartAfter(const std::wstring& folder, const wchar_t* handleText) {
    wchar_t* end = nullptr;
    const auto value = std::wcstoull(handleText, &end, 10);
    if (!end || *end || value == 0) return 1;
    HANDLE elevated = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
    if (WaitForSingleObject(elevated, INFINITE) != WAIT_OBJECT_0) return 1;
    CloseHandle(elevated);
    startProgram(folder);
    return 0;
}

} // namespace
} // namespace qv::updater

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace qv::updater;
    qv::win::setResourceModule(instance);
    language = tableLanguage(interfaceLanguage());
    const std::wstring folder = ownFolder();
    if (folder.empty()) return 1;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring restartSwitch = qv::win::fromUtf8(qv::updaterRestartAfterSwitch);
    const std::wstring noRestartSwitch = qv::win::fromUtf8(qv::updaterNoRestartSwitch);
    if (arguments && count == 3 && restartSwitch == arguments[1]) return restartAfter(folder, arguments[2]);
    const bool restart = !(arguments && count == 2 && noRestartSwitch == arguments[1]);
    if (arguments) LocalFree(arguments);
    if (updatePublicKeySize == 0) { // a build that trusts no key
        tell(qv::Msg::UpdateNoKey, true);
        return 1;
    }
    waitForProgramToClose();
    Outcome outcome{};
    if (const auto recovered = recover(folder))
        outcome = *recovered;
    else
        outcome = update(folder);
    tell(outcome.message, outcome.error);
    if (restart) startProgram(folder);
    return outcome.error ? 1 : 0;
}
