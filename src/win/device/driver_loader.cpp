// QvRun.dll into the Driver table. Nothing the DLL does wrong may crash the program: a missing
// file, a file Windows cannot load (wrong architecture, missing dependency) or a missing export
// each leaves the null driver in place and a problem the start-up shows before demo mode.
#include "device/driver_loader.h"

#include "app/message_box.h"
#include "app/strings_win.h"
#include "support/strings.h"

#include <array>

namespace qv::win {
namespace {

// The null driver: what a driver reports when no instrument is attached.
namespace none {

std::uint8_t* QV_DRIVER_CALL qvFindDevice(void) {
    static std::array<std::uint8_t, deviceListEntries * deviceEntryBytes> emptyList{};
    return emptyList.data();
}
std::int32_t QV_DRIVER_CALL qvInterfaceName(std::int32_t, const std::uint8_t*, std::int32_t, char* buffer,
                                            std::int32_t bufferSize) {
    if (buffer != nullptr && bufferSize > 0) buffer[0] = '\0';
    return 0;
}
std::int32_t QV_DRIVER_CALL qvHasHw(const std::uint8_t*) { return noDevice; }
std::int32_t QV_DRIVER_CALL qvReset(std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvReadStatus(std::int32_t, std::int32_t* running, std::int32_t* word,
                                         std::int32_t* modelCode) {
    // Zeroes, so that a polling loop ends and the model code reads as demo mode.
    for (std::int32_t* out : {running, word, modelCode})
        if (out != nullptr) *out = 0;
    return 0;
}
std::int32_t QV_DRIVER_CALL qvAdjVolt(std::int32_t, std::int32_t, std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvGetHwInfo(std::int32_t, std::uint32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvSetHwInfo(std::int32_t, std::uint32_t, std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvCardType(std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvSetFreq(std::int32_t, std::int32_t, std::int32_t, std::int32_t*, std::int32_t*,
                                      std::int32_t*, std::int32_t*, std::int32_t*, std::int32_t*) {
    return 0;
}
std::int32_t QV_DRIVER_CALL qvWriteData(std::int32_t, const void*, std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvEventSel(std::int32_t, std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvRun(std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvDataUnlatch(std::int32_t, std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvOutputEnable(std::int32_t, std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvKeyboardEvent(std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvStop(std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvPowerDown(std::int32_t) { return 0; }
std::int32_t QV_DRIVER_CALL qvShutdown(std::int32_t) { return 0; }
// These two report success with 0, so failure is nonzero.
std::int32_t QV_DRIVER_CALL qvReadQVV(const char*, void*, std::int32_t, void*, std::int32_t, std::int32_t*) {
    return 1;
}
std::int32_t QV_DRIVER_CALL uqvStartEx(std::int32_t, const char*, std::int32_t, std::int32_t) { return 1; }

} // namespace none

// Windows' own "cannot find/load" boxes would appear before ours; the program explains instead.
HMODULE loadQuietly(const char* path) {
    DWORD previous = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous) != FALSE;
    HMODULE module = LoadLibraryA(path);
    const DWORD error = GetLastError();
    if (quiet) SetThreadErrorMode(previous, nullptr);
    SetLastError(error);
    return module;
}

// ERROR_MOD_NOT_FOUND also means a dependency of a DLL that is there: tell the two apart.
bool libraryFileExists(const char* path) {
    char found[MAX_PATH];
    return SearchPathA(nullptr, path, nullptr, MAX_PATH, found, nullptr) != 0;
}

} // namespace

Driver nullDriver() {
    Driver driver;
#define QV_NULL_ASSIGN(result, name, params) driver.name = &none::name;
    QV_DRIVER_FUNCTIONS(QV_NULL_ASSIGN)
#undef QV_NULL_ASSIGN
    return driver;
}

DriverLoad loadDriver(const char* path) {
    DriverLoad load;
    load.driver = nullDriver();
    HMODULE module = loadQuietly(path);
    if (module == nullptr) {
        load.systemError = GetLastError();
        const bool missing = load.systemError == ERROR_MOD_NOT_FOUND || load.systemError == ERROR_FILE_NOT_FOUND ||
            load.systemError == ERROR_PATH_NOT_FOUND;
        load.problem = missing && !libraryFileExists(path) ? DriverProblem::NotFound : DriverProblem::LoadFailed;
        return load;
    }
    Driver driver;
    // GetProcAddress gives a generic pointer; each export's type is the table's, by contract.
#define QV_LOAD_EXPORT(result, name, params)                                                                           \
    if (load.missingExport.empty()) {                                                                                  \
        FARPROC address = GetProcAddress(module, #name);                                                               \
        if (address == nullptr)                                                                                        \
            load.missingExport = #name;                                                                                \
        else                                                                                                           \
            driver.name = reinterpret_cast<driver_types::name>(reinterpret_cast<void (*)()>(address));                 \
    }
    QV_DRIVER_FUNCTIONS(QV_LOAD_EXPORT)
#undef QV_LOAD_EXPORT
    if (!load.missingExport.empty()) {
        FreeLibrary(module);
        load.problem = DriverProblem::ExportMissing;
        return load;
    }
    load.driver = driver;
    load.module = module;
    return load;
}

void unloadDriver(DriverLoad& load) {
    load.driver = nullDriver();
    if (load.module != nullptr) FreeLibrary(load.module);
    load.module = nullptr;
}

Msg DriverLoad::messageId() const {
    switch (problem) {
    case DriverProblem::NotFound: return Msg::DriverNotFound;
    case DriverProblem::LoadFailed: return Msg::DriverLoadFailed;
    case DriverProblem::ExportMissing: return Msg::DriverExportMissing;
    case DriverProblem::None: break;
    }
    return Msg::None;
}

namespace {

// The system's words for an error, without the line end and final full stop it comes with.
std::wstring systemReason(DWORD error) {
    wchar_t* words = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    std::wstring reason = length && words ? std::wstring(words, length) : std::wstring();
    if (words) LocalFree(words);
    // Some reasons name the file as an insert; the message is about the driver by its name.
    if (const auto at = reason.find(L"%1"); at != std::wstring::npos)
        reason.replace(at, 2, widen(driverLibraryName, CP_ACP));
    while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' ' ||
                               reason.back() == L'.'))
        reason.pop_back();
    return reason;
}

} // namespace

std::wstring DriverLoad::messageArgument() const {
    if (problem == DriverProblem::LoadFailed) {
        const std::wstring number = L"system error " + std::to_wstring(systemError);
        const std::wstring reason = systemReason(systemError);
        return reason.empty() ? number : reason + L" (" + number + L")";
    }
    if (problem == DriverProblem::ExportMissing) return std::wstring(missingExport.begin(), missingExport.end());
    return {};
}

void reportDriverProblem(HWND owner, const DriverLoad& load) {
    if (load.problem == DriverProblem::None) return;
    messageBox(owner, load.messageId(), MB_ICONERROR | MB_OK, Msg::Caption, load.messageArgument());
}

} // namespace qv::win
