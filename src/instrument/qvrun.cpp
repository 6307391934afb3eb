// QvRun.dll: the virtual instrument's exports and its Windows platform. Which instruments exist
// comes from QVRUN_DEVICES or QvRun.ini (see docs/virtual-instrument.md); their sequencers keep
// pace with the wall clock. Each opened instrument's OS handle (qvGetHwInfo 0x9694A002) is a handle to this DLL's own
// file, opened for attributes only: a real file object, so RegisterDeviceNotification accepts it as a DBT_DEVTYP_HANDLE
// filter. An instrument set to unplug after a delay is removed by a thread timer of the thread that opened it, which
// then sends that thread's top-level windows the removal notification Windows would send.
#include <windows.h>

#include <dbt.h>

#include "sim/driver_functions.h"

#include <chrono>
#include <fstream>
#include <map>
#include <mutex>
#include <vector>
#include <type_traits>
#include <optional>
#include <sstream>
#include <string>

namespace {

HMODULE thisModule = nullptr;

std::optional<std::string> environmentText(const char* name) {
    SetLastError(ERROR_SUCCESS);
    const DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0) {
        // Set but empty is a value ("no instrument"); absent is not.
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
    }
    std::string value(needed, '\0');
    const DWORD length = GetEnvironmentVariableA(name, value.data(), needed);
    if (length == 0 || length >= needed) return std::string();
    value.resize(length);
    return value;
}

std::string modulePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(thisModule, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string iniPath() {
    if (auto overridden = environmentText("QVRUN_INI"); overridden && !overridden->empty()) return *overridden;
    std::string path = modulePath();
    const auto slash = path.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "QvRun.ini";
}

std::optional<std::string> fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::mutex timerMutex;
std::map<UINT_PTR, int> unplugTimers; // thread timer id -> slot

BOOL CALLBACK collectWindow(HWND window, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

void sendRemovalNotification(HANDLE osHandle) {
    DEV_BROADCAST_HANDLE broadcast = {};
    broadcast.dbch_size = sizeof broadcast;
    broadcast.dbch_devicetype = DBT_DEVTYP_HANDLE;
    broadcast.dbch_handle = osHandle;
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), collectWindow, reinterpret_cast<LPARAM>(&windows));
    // A window may close another while handling the notification (the program closes itself).
    for (HWND window : windows)
        if (IsWindow(window))
            SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&broadcast));
}

void CALLBACK unplugTimerFired(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    int slot = -1;
    {
        std::lock_guard lock(timerMutex);
        const auto found = unplugTimers.find(timer);
        if (found == unplugTimers.end()) return; // cancelled from another thread
        slot = found->second;
        unplugTimers.erase(found);
    }
    const qv::sim::OsHandle osHandle = qv::sim::unplugDevice(slot);
    if (osHandle != 0) sendRemovalNotification(reinterpret_cast<HANDLE>(osHandle));
}

void cancelUnplugTimers(int slot) {
    std::lock_guard lock(timerMutex);
    for (auto timer = unplugTimers.begin(); timer != unplugTimers.end();) {
        if (slot >= 0 && timer->second != slot) {
            ++timer;
            continue;
        }
        KillTimer(nullptr, timer->first); // only works on the timer's own thread; the map guards the rest
        timer = unplugTimers.erase(timer);
    }
}

qv::sim::Platform windowsPlatform() {
    qv::sim::Platform platform;
    platform.readConfiguration = [] {
        auto environment = environmentText("QVRUN_DEVICES");
        return qv::sim::loadConfiguration(environment, environment ? std::nullopt : fileText(iniPath()));
    };
    platform.openOsHandle = [](int) -> qv::sim::OsHandle {
        const HANDLE file = CreateFileA(modulePath().c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        return file == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<qv::sim::OsHandle>(file);
    };
    platform.closeOsHandle = [](qv::sim::OsHandle handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); };
    // A driver has no window; configuration problems go to the debugger (WINEDEBUG=+debugstr).
    platform.report = [](const std::string& problem) { OutputDebugStringA(("QvRun: " + problem + "\n").c_str()); };
    platform.scheduleUnplug = [](int slot, int milliseconds) {
        const UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), unplugTimerFired);
        if (timer == 0) return;
        std::lock_guard lock(timerMutex);
        unplugTimers[timer] = slot;
    };
    platform.cancelUnplug = [](int slot) { cancelUnplugTimers(slot); };
    // The program's instrument runs in real time: what it outputs follows the wall clock.
    platform.nowNanoseconds = [] {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count());
    };
    return platform;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        thisModule = instance;
        DisableThreadLibraryCalls(instance);
        qv::sim::installPlatform(windowsPlatform());
    } else if (reason == DLL_PROCESS_DETACH) {
        cancelUnplugTimers(-1); // no timer may call into an unloaded DLL
    }
    return TRUE;
}

// The exports, by the driver's names (QvRun.def); undecorated also in the 32-bit build.
extern "C" {

std::uint8_t* QV_DRIVER_CALL qvFindDevice(void) { return qv::sim::qvFindDevice(); }

std::int32_t QV_DRIVER_CALL qvInterfaceName(std::int32_t handle, const std::uint8_t* entry, std::int32_t kind,
                                            char* buffer, std::int32_t bufferSize) {
    return qv::sim::qvInterfaceName(handle, entry, kind, buffer, bufferSize);
}

std::int32_t QV_DRIVER_CALL qvHasHw(const std::uint8_t* entry) { return qv::sim::qvHasHw(entry); }

std::int32_t QV_DRIVER_CALL qvReset(std::int32_t handle) { return qv::sim::qvReset(handle); }

std::int32_t QV_DRIVER_CALL qvReadStatus(std::int32_t handle, std::int32_t* running, std::int32_t* word,
                                         std::int32_t* modelCode) {
    return qv::sim::qvReadStatus(handle, running, word, modelCode);
}

std::int32_t QV_DRIVER_CALL qvAdjVolt(std::int32_t handle, std::int32_t group, std::int32_t level) {
    return qv::sim::qvAdjVolt(handle, group, level);
}

std::int32_t QV_DRIVER_CALL qvGetHwInfo(std::int32_t handle, std::uint32_t code) {
    return qv::sim::qvGetHwInfo(handle, code);
}

std::int32_t QV_DRIVER_CALL qvSetHwInfo(std::int32_t zero, std::uint32_t code, std::int32_t value) {
    return qv::sim::qvSetHwInfo(zero, code, value);
}

std::int32_t QV_DRIVER_CALL qvCardType(std::int32_t handle) { return qv::sim::qvCardType(handle); }

std::int32_t QV_DRIVER_CALL qvSetFreq(std::int32_t handle, std::int32_t frequency, std::int32_t mode,
                                      std::int32_t* out1, std::int32_t* out2, std::int32_t* out3, std::int32_t* out4,
                                      std::int32_t* out5, std::int32_t* out6) {
    return qv::sim::qvSetFreq(handle, frequency, mode, out1, out2, out3, out4, out5, out6);
}

std::int32_t QV_DRIVER_CALL qvWriteData(std::int32_t handle, const void* samples, std::int32_t count) {
    return qv::sim::qvWriteData(handle, samples, count);
}

std::int32_t QV_DRIVER_CALL qvEventSel(std::int32_t handle, std::int32_t selection) {
    return qv::sim::qvEventSel(handle, selection);
}

std::int32_t QV_DRIVER_CALL qvRun(std::int32_t handle) { return qv::sim::qvRun(handle); }

std::int32_t QV_DRIVER_CALL qvDataUnlatch(std::int32_t handle, std::int32_t latch) {
    return qv::sim::qvDataUnlatch(handle, latch);
}

std::int32_t QV_DRIVER_CALL qvOutputEnable(std::int32_t handle, std::int32_t enable) {
    return qv::sim::qvOutputEnable(handle, enable);
}

std::int32_t QV_DRIVER_CALL qvKeyboardEvent(std::int32_t handle) { return qv::sim::qvKeyboardEvent(handle); }

std::int32_t QV_DRIVER_CALL qvStop(std::int32_t handle) { return qv::sim::qvStop(handle); }

std::int32_t QV_DRIVER_CALL qvPowerDown(std::int32_t handle) { return qv::sim::qvPowerDown(handle); }

std::int32_t QV_DRIVER_CALL qvShutdown(std::int32_t handle) { return qv::sim::qvShutdown(handle); }

std::int32_t QV_DRIVER_CALL qvReadQVV(const char* path, void* samples, std::int32_t capacityBytes, void* labels,
                                      std::int32_t labelLimit, std::int32_t* frequencyAndMode) {
    return qv::sim::qvReadQVV(path, samples, capacityBytes, labels, labelLimit, frequencyAndMode);
}

std::int32_t QV_DRIVER_CALL uqvStartEx(std::int32_t handle, const char* path, std::int32_t kind, std::int32_t zero) {
    return qv::sim::uqvStartEx(handle, path, kind, zero);
}

} // extern "C"

// Every export above must match the driver table's signature exactly.
#define QV_CHECK_EXPORT(result, name, params)                                                                          \
    static_assert(std::is_same_v<decltype(&::name), qv::driver_types::name>, #name " signature");
QV_DRIVER_FUNCTIONS(QV_CHECK_EXPORT)
#undef QV_CHECK_EXPORT
