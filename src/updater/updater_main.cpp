// OnlineUpdate.exe: installs an update of the program folder it sits in, and only one it can
// verify. It fetches the maker's manifest and its signature from the update server, checks the
// signature with the public key built in, downloads every listed file whose local copy differs
// into a staging folder, checks each one's size and SHA-256, and only when all are good puts them
// in place (installStaged: renames, old copies kept until the end and restored on any failure).
// Then it says what happened and starts QV.exe again. It runs no shell command and writes only
// under the program folder; paths come from the manifest only after isSafeRelativePath.
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
void logMessage(Msg text) {
    const char* path = std::getenv("QV_MESSAGE_LOG");
    if (!path || !*path) return;
    if (std::FILE* log = std::fopen(path, "ab")) {
        std::fprintf(log, "%d\n", static_cast<int>(text));
        std::fclose(log);
    }
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

bool writeNewFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool complete =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    return CloseHandle(file) && complete;
}

// The program folder through the install port; paths are UTF-8 there.
class FolderFiles final : public InstallFileSystem {
  public:
    bool exists(const std::string& path) const override {
        return GetFileAttributesW(fromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    bool makeDirectory(const std::string& path) override { return CreateDirectoryW(fromUtf8(path).c_str(), nullptr); }
    bool removeDirectory(const std::string& path) override { return RemoveDirectoryW(fromUtf8(path).c_str()); }
    bool move(const std::string& from, const std::string& to) override {
        return MoveFileExW(fromUtf8(from).c_str(), fromUtf8(to).c_str(), MOVEFILE_WRITE_THROUGH);
    }
    bool remove(const std::string& path) override { return DeleteFileW(fromUtf8(path).c_str()); }
};

// The staging folder holds files named by their manifest index only; it is emptied and removed.
void removeStaging(const std::wstring& staging) {
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
    const auto key = parseRsaPublicKey(updatePublicKey);
    if (!server || !key) return {Msg::UpdateDownloadFailed, true};
    const std::string root = updateFilesRoot;
    const auto manifest = win::httpGet(*server, root + manifestName, maxManifestBytes);
    const auto signature = win::httpGet(*server, root + manifestSignatureName, key->modulus.size());
    if (!manifest || !signature) return {Msg::UpdateDownloadFailed, true};
    const auto bytes = [](const std::string& text) {
        return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    if (!verifySignature(*key, bytes(*manifest), bytes(*signature))) return {Msg::UpdateBadSignature, true};
    const auto entries = parseManifest(*manifest);
    if (!entries) return {Msg::UpdateBadManifest, true};

    const std::wstring staging = folder + L"\\" + fromUtf8(stagingFolderName);
    removeStaging(staging);
    std::vector<StagedFile> staged;
    auto fail = [&](Outcome outcome) {
        removeStaging(staging);
        return outcome;
    };
    for (std::size_t i = 0; i < entries->size(); ++i) {
        const ManifestEntry& entry = (*entries)[i];
        const std::string relative = windowsRelativePath(entry.path);
        const auto local = readWholeFile(folder + L"\\" + fromUtf8(relative), entry.size);
        if (local && sha256(*local) == entry.digest) continue; // already this version
        const auto body = win::httpGet(*server, root + updateFilesFolder + entry.path, entry.size);
        if (!body || body->size() != entry.size) return fail({Msg::UpdateDownloadFailed, true});
        if (sha256(bytes(*body)) != entry.digest) return fail({Msg::UpdateBadFile, true});
        if (staged.empty() && !CreateDirectoryW(staging.c_str(), nullptr))
            return fail({Msg::UpdateInstallFailed, true});
        const std::wstring stagedPath = staging + L"\\" + std::to_wstring(i);
        if (!writeNewFile(stagedPath, *body)) return fail({Msg::UpdateInstallFailed, true});
        staged.push_back({toUtf8(stagedPath), relative});
    }
    if (staged.empty()) return fail({Msg::UpdateNothingToInstall, false});

    FolderFiles files;
    const InstallOutcome outcome = installStaged(files, toUtf8(folder), staged);
    removeStaging(staging);
    if (outcome == InstallOutcome::Installed) return {Msg::UpdateInstalled, false};
    return {outcome == InstallOutcome::RolledBack ? Msg::UpdateInstallFailed : Msg::UpdateRestoreFailed, true};
}

} // namespace
} // namespace qv::updater

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace qv::updater;
    qv::win::setResourceModule(instance);
    language = tableLanguage(interfaceLanguage());
    const std::wstring folder = ownFolder();
    if (folder.empty()) return 1;
    waitForProgramToClose();
    const Outcome outcome = update(folder);
    tell(outcome.message, outcome.error);
    startProgram(folder);
    return outcome.error ? 1 : 0;
}
